#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/pdf_objects.h"
#include "pdf/smart_pdf_reader.h"

namespace foldant {

class TPDFFormReader;

// The editing layer over one reader: keeps the changed and new objects of one input and answers
// every request for an object by number with the changed version when there is one.
class TSmartPDFDocument {
  public:
    // Locates catalog, information dictionary, page-tree root and form.
    explicit TSmartPDFDocument(TSmartPDFReader& reader);
    ~TSmartPDFDocument();
    TSmartPDFDocument(const TSmartPDFDocument&) = delete;
    TSmartPDFDocument& operator=(const TSmartPDFDocument&) = delete;

    // With a store: a copy in that store (a changed stream is handed out itself). Without: the
    // changed object, or the reader's cached instance.
    TPDFObject* GetObject(int32_t number, TPDFStructure* store);
    void Register(int32_t number, TPDFObject& object);
    TPDFIndRef& AddNewObject(TPDFObject& object);
    // Whether the object was edited or added here, so the file's bytes no longer describe it.
    bool HasOwnVersion(int32_t number) const {
        return changed_.count(number) != 0 || editedText_.count(number) != 0;
    }
    // The text of an object edited only to be written (a page that received its boxes), in the
    // numbers of this document; none for other objects.
    const std::string* EditedText(int32_t number) const;
    int32_t HighestNumber() const;
    int32_t GenerationOf(int32_t number) const;
    // A reference is replaced by the object it names (the changed version first).
    TPDFObject* Resolve(TPDFObject* object);

    int32_t PageCount();
    TPDFArray* RootKids();
    void SetRootParent(int32_t number, int32_t generation);
    void AppendRootKid(int32_t number, int32_t generation, int32_t addedPages);
    // Gives a catalog whose "Pages" is held directly, or names a single page, a page-tree root
    // of its own under a new number, so another tree can be hung beneath it.
    void EnsurePageTreeRoot();
    bool RootIsPage();

    void EnsureForm();
    TPDFArray* FieldsArray();
    TPDFArray* CalcOrderArray();
    bool NeedAppearances();
    void MergeForm(TPDFArray* fields, TPDFArray* calcOrder, bool needAppearances, int32_t offset);
    // Gives the top-level fields the form's default appearance and quadding where they have
    // none, so they keep them under another file's form.
    void PushDownFieldDefaults();
    // Adds the second form's default resources (the fonts its fields name) under the names
    // this form does not define yet.
    void MergeFormResources(TSmartPDFDocument& second, int32_t offset);
    // The terminal fields met by the form reader, in tree order.
    const std::vector<int32_t>& FieldNumbers() const;

    bool HasOutlines();
    // The dictionary the catalog's "Outlines" refers to, or none.
    TPDFDictionary* OutlineDictionary();
    // The top-level outline items, first to last; a chain that leads back stops there.
    std::vector<TPDFIndRef*> TopLevelOutlineItems();

    void PushDownPageBoxes();
    TPDFIndRef* FindPage(int32_t index, TPDFIndRef* previous);
    TPDFObject* InheritedValue(TPDFDictionary& dictionary, std::string_view key);

    std::unique_ptr<TPDFStructure> Store;
    TPDFDictionary* Catalog = nullptr;
    TPDFIndRef* CatalogRef = nullptr;
    TPDFDictionary* InfoDict = nullptr;
    TPDFIndRef* InfoRef = nullptr;
    TPDFIndRef* PageTreeRootRef = nullptr;
    TPDFDictionary* PageTreeRoot = nullptr;
    TPDFIndRef* FormRef = nullptr;
    TPDFDictionary* FormDict = nullptr;
    TSmartPDFReader& Reader;
    TPDFDictionary* LastNode = nullptr;
    TPDFIndRef* LastNodeRef = nullptr;

  private:
    // Sets the entry with a key name of this layer's store, so the dictionary's own store is
    // never searched for a shared key name.
    void SetEntry(TPDFDictionary& dictionary, std::string_view key, TPDFObject& value);
    void LocateForm();
    void RunFormReader();
    TPDFArray* FormArray(std::string_view key);
    // The dictionary under `key`, made when missing, registered as changed together with the
    // object that holds it (`owner`, or itself when it is an object of its own).
    TPDFDictionary* EditableDictionary(TPDFDictionary& parent, int32_t owner, std::string_view key);
    TPDFIndRef* DescendToPage(int32_t index);
    // A page-tree node the walk only looks at: read into the walk's store while a walk runs
    // (own versions as they are), otherwise as Resolve gives it.
    TPDFObject* ResolveNode(TPDFObject* object);
    TPDFIndRef* NextKid(TPDFIndRef& previous);
    int32_t KidSize(TPDFObject* kid);
    bool IsPageNode(TPDFDictionary& node);

    std::unordered_map<int32_t, TPDFObject*> changed_;
    // Pages that received their boxes are kept as their text, not as objects, so a document of
    // thousands of pages does not hold every page in memory until it is written.
    std::unordered_map<int32_t, std::string> editedText_;
    // Set while the page boxes are pushed down: the pages read on the way, emptied page by page.
    TPDFStructure* walkStore_ = nullptr;
    // The nodes read into the walk's store so far, each read once.
    std::unordered_map<int32_t, TPDFObject*> walkRead_;
    int32_t highestChanged_ = 0;
    std::unique_ptr<TPDFFormReader> formReader_;
    // Where the previous page was found among its parent's kids, to find the next in one step.
    int32_t kidHint_ = 0;
};

}  // namespace foldant
