#include "pdf/named_destinations.h"

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "pdf/name_tree.h"
#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

// Action chains and nested dictionaries deeper than this are damage.
constexpr int32_t kMaxActionDepth = 64;

struct NamedDestinations {
    std::vector<TNameTreeEntry> Tree;
    // The catalog's "Dests" dictionary, keyed by name objects.
    std::vector<TNameTreeEntry> Dictionary;
};

TNameTreeResolver ResolverOf(TSmartPDFDocument& document) {
    return [&document](TPDFObject* object) { return document.Resolve(object); };
}

NamedDestinations CollectDestinations(TSmartPDFDocument& document) {
    NamedDestinations found;
    if (document.Catalog == nullptr) {
        return found;
    }
    if (auto* names = As<TPDFDictionary>(document.Resolve(document.Catalog->GetValue(kNames)))) {
        found.Tree = ReadNameTree(names->GetValue(kDests), ResolverOf(document));
    }
    if (auto* dests = As<TPDFDictionary>(document.Resolve(document.Catalog->GetValue(kDests)))) {
        for (const auto& [key, value] : dests->Entries) {
            if (key != nullptr && value != nullptr) {
                found.Dictionary.push_back({key->Value, value});
            }
        }
    }
    return found;
}

std::set<std::string> KeysOf(const NamedDestinations& destinations) {
    std::set<std::string> keys;
    for (const auto* list : {&destinations.Tree, &destinations.Dictionary}) {
        for (const TNameTreeEntry& entry : *list) {
            keys.insert(entry.Key);
        }
    }
    return keys;
}

// The key with "-n" appended; a UTF-16 text string gets the suffix in UTF-16 too.
std::string Suffixed(const std::string& key, int32_t n) {
    const std::string suffix = "-" + std::to_string(n);
    if (key.size() >= 2 && key[0] == '\xFE' && key[1] == '\xFF') {
        std::string wide = key;
        for (char c : suffix) {
            wide += '\0';
            wide += c;
        }
        return wide;
    }
    return key + suffix;
}

// New keys for the second document's names that the first already defines, unused by both.
std::map<std::string, std::string> RenamesFor(const std::set<std::string>& firstKeys,
                                              const std::set<std::string>& secondKeys) {
    std::map<std::string, std::string> renames;
    std::set<std::string> taken = firstKeys;
    taken.insert(secondKeys.begin(), secondKeys.end());
    for (const std::string& key : secondKeys) {
        if (firstKeys.count(key) == 0) {
            continue;
        }
        int32_t n = 2;
        while (taken.count(Suffixed(key, n)) != 0) {
            ++n;
        }
        renames[key] = Suffixed(key, n);
        taken.insert(renames[key]);
    }
    return renames;
}

// The indirect object that holds a dictionary being edited, to be registered once it changes.
struct Holder {
    int32_t Number = 0;
    TPDFObject* Object = nullptr;
};

// Gives the destinations named in the second document's links, outline items and GoTo actions
// their new names. Every indirect object is entered once.
class TDestinationRenamer {
  public:
    TDestinationRenamer(TSmartPDFDocument& document,
                        const std::map<std::string, std::string>& renames)
        : document_(document), renames_(renames) {}

    void RenameInOutlines() {
        if (document_.Catalog == nullptr) {
            return;
        }
        auto* outlines =
            As<TPDFDictionary>(document_.Resolve(document_.Catalog->GetValue(kOutlines)));
        if (outlines == nullptr) {
            return;
        }
        std::vector<TPDFIndRef*> pending;
        if (auto* first = As<TPDFIndRef>(outlines->GetValue(kFirst))) {
            pending.push_back(first);
        }
        while (!pending.empty()) {
            TPDFIndRef* reference = pending.back();
            pending.pop_back();
            Holder holder;
            auto* item = Enter(reference, holder);
            if (item == nullptr) {
                continue;
            }
            RenameInDestinationUser(*item, holder);
            for (std::string_view link : {kNext, kFirst}) {
                if (auto* next = As<TPDFIndRef>(item->GetValue(link))) {
                    pending.push_back(next);
                }
            }
        }
    }

    void RenameInPages() {
        const int32_t count = document_.PageCount();
        TPDFIndRef* previous = nullptr;
        for (int32_t index = 1; index <= count; ++index) {
            TPDFIndRef* page = document_.FindPage(index, previous);
            if (page == nullptr) {
                continue;
            }
            previous = page;
            auto* dictionary = As<TPDFDictionary>(document_.GetObject(page->RefNumber, nullptr));
            if (dictionary != nullptr) {
                // The page's own open and close actions may go to a name as well.
                RenameInDestinationUser(*dictionary, {page->RefNumber, dictionary});
                RenameInAnnotations(*dictionary, {page->RefNumber, dictionary});
            }
        }
    }

  private:
    // The dictionary a reference names, once per object number; `holder` becomes that object.
    TPDFDictionary* Enter(TPDFIndRef* reference, Holder& holder) {
        if (!entered_.insert(reference->RefNumber).second) {
            return nullptr;
        }
        TPDFObject* object = document_.GetObject(reference->RefNumber, nullptr);
        holder = {reference->RefNumber, object};
        return As<TPDFDictionary>(object);
    }

    // A direct dictionary keeps the holder it was met in; a reference is entered.
    TPDFDictionary* DictionaryOf(TPDFObject* value, Holder& holder) {
        if (auto* reference = As<TPDFIndRef>(value)) {
            return Enter(reference, holder);
        }
        return As<TPDFDictionary>(value);
    }

    void RenameInAnnotations(TPDFDictionary& page, Holder holder) {
        TPDFObject* annots = page.GetValue(kAnnots);
        if (auto* reference = As<TPDFIndRef>(annots)) {
            if (!entered_.insert(reference->RefNumber).second) {
                return;
            }
            annots = document_.GetObject(reference->RefNumber, nullptr);
            holder = {reference->RefNumber, annots};
        }
        auto* array = As<TPDFArray>(annots);
        if (array == nullptr) {
            return;
        }
        for (TPDFObject* item : array->Items) {
            Holder annotationHolder = holder;
            if (auto* annotation = DictionaryOf(item, annotationHolder)) {
                RenameInDestinationUser(*annotation, annotationHolder);
            }
        }
    }

    // A link annotation, widget or outline item: its "Dest", its action and its additional
    // actions.
    void RenameInDestinationUser(TPDFDictionary& user, const Holder& holder) {
        RenameEntry(user, kDest, holder);
        RenameInAction(user.GetValue(kA), holder, 0);
        Holder actionsHolder = holder;
        if (auto* additional = DictionaryOf(user.GetValue(kAA), actionsHolder)) {
            for (const auto& entry : additional->Entries) {
                RenameInAction(entry.second, actionsHolder, 0);
            }
        }
    }

    void RenameInAction(TPDFObject* value, Holder holder, int32_t depth) {
        if (depth > kMaxActionDepth) {
            return;
        }
        auto* action = DictionaryOf(value, holder);
        if (action == nullptr) {
            return;
        }
        // Only a GoTo names a destination of this document; GoToR and the others name another.
        if (auto* type = As<TPDFName>(action->GetValue(kS));
            type != nullptr && type->Value == "GoTo") {
            RenameEntry(*action, kD, holder);
        }
        TPDFObject* next = action->GetValue(kNext);
        if (auto* chain = As<TPDFArray>(next)) {
            for (TPDFObject* item : chain->Items) {
                RenameInAction(item, holder, depth + 1);
            }
        } else {
            RenameInAction(next, holder, depth + 1);
        }
    }

    // Replaces a name or string value that is renamed by a new object of the same kind.
    void RenameEntry(TPDFDictionary& dictionary, std::string_view key, const Holder& holder) {
        TPDFObject* value = dictionary.GetValue(key);
        TPDFStructure& store = *document_.Store;
        TPDFObject* renamed = nullptr;
        if (auto* name = As<TPDFName>(value)) {
            if (auto found = renames_.find(name->Value); found != renames_.end()) {
                renamed = &store.NewName(found->second);
            }
        } else if (auto* text = As<TPDFString>(value)) {
            if (auto found = renames_.find(text->Value); found != renames_.end()) {
                renamed = &store.NewString(found->second, text->Mode);
            }
        }
        if (renamed == nullptr || holder.Object == nullptr) {
            return;
        }
        dictionary.SetEntry(store.NewName(std::string(key)), *renamed);
        document_.Register(holder.Number, *holder.Object);
    }

    TSmartPDFDocument& document_;
    const std::map<std::string, std::string>& renames_;
    std::unordered_set<int32_t> entered_;
};

// A copy of `value` in `store` whose references are moved by `delta`.
TPDFObject& CopyShifted(TPDFObject& value, TPDFStructure& store, int32_t delta) {
    TPDFObject& copy = store.Parse(value.WriteToText());
    if (delta != 0) {
        copy.ShiftObjectNumbers(delta);
    }
    return copy;
}

std::string RenamedKey(const std::map<std::string, std::string>& renames, const std::string& key) {
    auto found = renames.find(key);
    return found != renames.end() ? found->second : key;
}

// The first catalog's dictionary under `key`, made or taken for editing; `holder` is the object
// to register after the edit.
TPDFDictionary& CatalogDictionary(TSmartPDFDocument& document, std::string_view key,
                                  Holder& holder) {
    TPDFDictionary& catalog = *document.Catalog;
    holder = {document.CatalogRef->RefNumber, &catalog};
    TPDFObject* value = catalog.GetValue(key);
    if (auto* reference = As<TPDFIndRef>(value)) {
        if (auto* dictionary =
                As<TPDFDictionary>(document.GetObject(reference->RefNumber, nullptr))) {
            holder = {reference->RefNumber, dictionary};
            return *dictionary;
        }
    } else if (auto* dictionary = As<TPDFDictionary>(value)) {
        return *dictionary;
    }
    TPDFDictionary& created = document.Store->NewDictionary();
    catalog.SetEntry(document.Store->NewName(std::string(key)), created);
    return created;
}

void LinkTree(TSmartPDFDocument& first, const TPDFIndRef& root, int32_t offset) {
    Holder holder;
    TPDFDictionary& names = CatalogDictionary(first, kNames, holder);
    names.SetEntry(first.Store->NewName(std::string(kDests)),
                   first.Store->NewReference(root.RefNumber + offset, root.RefGeneration));
    first.Register(holder.Number, *holder.Object);
}

// The second document's old-style names, under their joined keys, join the first's "Dests"
// dictionary; its own entries stay.
void AddToDestsDictionary(TSmartPDFDocument& first, const NamedDestinations& second,
                          const std::map<std::string, std::string>& renames, int32_t offset) {
    if (second.Dictionary.empty()) {
        return;
    }
    Holder holder;
    TPDFDictionary& dests = CatalogDictionary(first, kDests, holder);
    TPDFStructure& store = *first.Store;
    for (const TNameTreeEntry& entry : second.Dictionary) {
        const std::string key = RenamedKey(renames, entry.Key);
        if (dests.IndexOfKey(key) < 0) {
            dests.SetEntry(store.NewName(key), CopyShifted(*entry.Value, store, offset));
        }
    }
    first.Register(holder.Number, *holder.Object);
}

}  // namespace

TNamedDestinationJoin::TNamedDestinationJoin(TSmartPDFDocument& first)
    : first_(first), store_(std::make_unique<TPDFStructure>()) {}

TNamedDestinationJoin::~TNamedDestinationJoin() = default;

// The first document's names are read only once some appended document brings names of its own,
// since nothing changes otherwise.
void TNamedDestinationJoin::CollectFirst() {
    if (firstCollected_) {
        return;
    }
    firstCollected_ = true;
    const NamedDestinations names = CollectDestinations(first_);
    keys_ = KeysOf(names);
    for (const TNameTreeEntry& entry : names.Tree) {
        entries_.push_back({entry.Key, &CopyShifted(*entry.Value, *store_, 0)});
    }
}

void TNamedDestinationJoin::Append(TSmartPDFDocument& next, int32_t offset) {
    if (first_.Catalog == nullptr || first_.CatalogRef == nullptr) {
        return;
    }
    const NamedDestinations names = CollectDestinations(next);
    if (names.Tree.empty() && names.Dictionary.empty()) {
        return;
    }
    CollectFirst();
    const std::map<std::string, std::string> renames = RenamesFor(keys_, KeysOf(names));
    if (!renames.empty()) {
        TDestinationRenamer renamer(next, renames);
        renamer.RenameInOutlines();
        renamer.RenameInPages();
    }
    for (const auto* list : {&names.Tree, &names.Dictionary}) {
        for (const TNameTreeEntry& entry : *list) {
            const std::string key = RenamedKey(renames, entry.Key);
            entries_.push_back({key, &CopyShifted(*entry.Value, *store_, offset)});
            keys_.insert(key);
        }
    }
    AddToDestsDictionary(first_, names, renames, offset);
    treeNeeded_ = true;
}

// The new tree's nodes are numbered after the last document's objects, so they take its
// renumbering when they are written; its entries are moved back into those numbers first.
void TNamedDestinationJoin::Finish(TSmartPDFDocument& last, int32_t lastOffset) {
    if (!treeNeeded_) {
        return;
    }
    TPDFStructure& store = *last.Store;
    std::vector<TNameTreeEntry> entries;
    entries.reserve(entries_.size());
    for (const TNameTreeEntry& entry : entries_) {
        entries.push_back({entry.Key, &CopyShifted(*entry.Value, store, -lastOffset)});
    }
    TPDFDictionary& root = BuildNameTree(
        std::move(entries), store,
        [&last](TPDFDictionary& leaf) -> TPDFIndRef& { return last.AddNewObject(leaf); });
    LinkTree(first_, last.AddNewObject(root), lastOffset);
    treeNeeded_ = false;
}

}  // namespace foldant
