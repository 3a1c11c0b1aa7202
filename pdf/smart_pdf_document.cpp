#include "pdf/smart_pdf_document.h"

#include <algorithm>
#include <unordered_set>

#include "pdf/form_reader.h"
#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

// Page trees deeper than this are damage; the descent stops there.
constexpr int32_t kMaxTreeDepth = 256;

}  // namespace

void TSmartPDFDocument::SetEntry(TPDFDictionary& dictionary, std::string_view key,
                                 TPDFObject& value) {
    dictionary.SetEntry(Store->NewName(std::string(key)), value);
}

TSmartPDFDocument::TSmartPDFDocument(TSmartPDFReader& reader)
    : Store(std::make_unique<TPDFStructure>()), Reader(reader) {
    Store->OnResolveReference = [this](TPDFIndRef&, int32_t number, int32_t) {
        return GetObject(number, nullptr);
    };
    CatalogRef = Reader.GetTrailerReference(kRoot);
    Catalog = Reader.GetTrailerDictionary(kRoot);
    InfoRef = Reader.GetTrailerReference(kInfo);
    InfoDict = Reader.GetTrailerDictionary(kInfo);
    if (Catalog != nullptr) {
        PageTreeRootRef = As<TPDFIndRef>(Catalog->GetValue(kPages));
        if (PageTreeRootRef != nullptr) {
            PageTreeRoot = As<TPDFDictionary>(GetObject(PageTreeRootRef->RefNumber, nullptr));
        }
        LocateForm();
    }
}

TSmartPDFDocument::~TSmartPDFDocument() = default;

TPDFObject* TSmartPDFDocument::GetObject(int32_t number, TPDFStructure* store) {
    if (auto edited = editedText_.find(number); edited != editedText_.end()) {
        if (store != nullptr) {
            return &store->Parse(edited->second);
        }
        // Whoever asks for the object itself may change it: it becomes an object of its own.
        TPDFObject& object = Store->Parse(edited->second);
        editedText_.erase(edited);
        object.SetIndirect(number, GenerationOf(number));
        Register(number, object);
        return &object;
    }
    if (auto found = changed_.find(number); found != changed_.end()) {
        TPDFObject* object = found->second;
        if (store == nullptr || object->TypeTag == TPDFStream::kTag) {
            return object;
        }
        return &store->Parse(object->WriteToText());
    }
    return Reader.GetObject(number, store);
}

const std::string* TSmartPDFDocument::EditedText(int32_t number) const {
    const auto found = editedText_.find(number);
    return found != editedText_.end() ? &found->second : nullptr;
}

TPDFObject* TSmartPDFDocument::ResolveNode(TPDFObject* object) {
    auto* reference = As<TPDFIndRef>(object);
    if (walkStore_ == nullptr || reference == nullptr ||
        changed_.count(reference->RefNumber) != 0) {
        return Resolve(object);
    }
    TPDFObject*& read = walkRead_[reference->RefNumber];
    if (read == nullptr) {
        read = GetObject(reference->RefNumber, walkStore_);
    }
    return read;
}

void TSmartPDFDocument::Register(int32_t number, TPDFObject& object) {
    changed_[number] = &object;
    highestChanged_ = std::max(highestChanged_, number);
}

TPDFIndRef& TSmartPDFDocument::AddNewObject(TPDFObject& object) {
    const int32_t number = HighestNumber() + 1;
    object.SetIndirect(number, 0);
    Register(number, object);
    return Store->NewReference(number, 0);
}

int32_t TSmartPDFDocument::HighestNumber() const {
    return std::max(Reader.ObjectCount(), highestChanged_);
}

int32_t TSmartPDFDocument::GenerationOf(int32_t number) const {
    return Reader.GetGeneration(number);
}

TPDFObject* TSmartPDFDocument::Resolve(TPDFObject* object) {
    if (auto* reference = As<TPDFIndRef>(object)) {
        return GetObject(reference->RefNumber, nullptr);
    }
    return object;
}

int32_t TSmartPDFDocument::PageCount() {
    if (PageTreeRoot == nullptr) {
        return 1;
    }
    auto* count = As<TPDFNumeric>(Resolve(PageTreeRoot->GetValue(kCount)));
    return count != nullptr ? count->AsInteger() : 1;
}

TPDFArray* TSmartPDFDocument::RootKids() {
    if (PageTreeRoot == nullptr) {
        return nullptr;
    }
    TPDFObject* kids = PageTreeRoot->GetValue(kKids);
    if (auto* reference = As<TPDFIndRef>(kids)) {
        auto* array = As<TPDFArray>(GetObject(reference->RefNumber, nullptr));
        if (array != nullptr) {
            Register(reference->RefNumber, *array);
        }
        return array;
    }
    if (PageTreeRootRef != nullptr) {
        Register(PageTreeRootRef->RefNumber, *PageTreeRoot);
    }
    return As<TPDFArray>(kids);
}

bool TSmartPDFDocument::IsPageNode(TPDFDictionary& node) {
    const std::string type = node.GetTypeName();
    if (type == "Page") {
        return true;
    }
    return type != "Pages" && node.GetValue(kKids) == nullptr &&
           node.GetValue(kContents) != nullptr;
}

bool TSmartPDFDocument::RootIsPage() {
    return PageTreeRoot != nullptr && IsPageNode(*PageTreeRoot);
}

void TSmartPDFDocument::SetRootParent(int32_t number, int32_t generation) {
    if (PageTreeRoot == nullptr || PageTreeRootRef == nullptr) {
        return;
    }
    Register(PageTreeRootRef->RefNumber, *PageTreeRoot);
    SetEntry(*PageTreeRoot, kParent, Store->NewReference(number, generation));
    // A single page standing in for the tree is hung in as the page it is.
    if (PageTreeRoot->GetTypeName() != "Pages" && !RootIsPage()) {
        SetEntry(*PageTreeRoot, kType, Store->NewName("Pages"));
    }
}

void TSmartPDFDocument::AppendRootKid(int32_t number, int32_t generation, int32_t addedPages) {
    const int32_t count = PageCount();
    TPDFArray* kids = RootKids();
    if (kids == nullptr || PageTreeRoot == nullptr) {
        return;
    }
    kids->Add(Store->NewReference(number, generation));
    SetEntry(*PageTreeRoot, kCount, Store->NewNumber(static_cast<double>(addedPages) + count));
    if (PageTreeRootRef != nullptr) {
        Register(PageTreeRootRef->RefNumber, *PageTreeRoot);
    }
}

void TSmartPDFDocument::EnsurePageTreeRoot() {
    if (Catalog == nullptr || CatalogRef == nullptr) {
        return;
    }
    if (PageTreeRootRef == nullptr) {
        auto* direct = As<TPDFDictionary>(Catalog->GetValue(kPages));
        if (direct == nullptr) {
            return;
        }
        PageTreeRootRef = &AddNewObject(*direct);
        PageTreeRoot = direct;
        SetEntry(*Catalog, kPages, *PageTreeRootRef);
        Register(CatalogRef->RefNumber, *Catalog);
    }
    if (!RootIsPage()) {
        return;
    }
    TPDFDictionary& node = Store->NewDictionary();
    node.Add(kType, Store->NewName("Pages"));
    node.Add(kKids, Store->NewArrayOf({PageTreeRootRef}));
    node.Add(kCount, Store->NewNumber(1));
    TPDFIndRef& nodeRef = AddNewObject(node);
    SetEntry(*PageTreeRoot, kParent, nodeRef);
    Register(PageTreeRootRef->RefNumber, *PageTreeRoot);
    SetEntry(*Catalog, kPages, nodeRef);
    Register(CatalogRef->RefNumber, *Catalog);
    PageTreeRootRef = &nodeRef;
    PageTreeRoot = &node;
}

int32_t TSmartPDFDocument::KidSize(TPDFObject* kid) {
    if (As<TPDFIndRef>(kid) == nullptr) {
        return 0;
    }
    auto* node = As<TPDFDictionary>(ResolveNode(kid));
    if (node == nullptr) {
        return 0;
    }
    const std::string type = node->GetTypeName();
    if (type == "Page") {
        return 1;
    }
    auto* count = As<TPDFNumeric>(Resolve(node->GetValue(kCount)));
    if (type == "Pages" || count != nullptr) {
        return count != nullptr ? count->AsInteger() : 0;
    }
    return node->GetValue(kContents) != nullptr ? 1 : 0;
}

// The kid after `previous` among the kids of its parent, when that is a page.
TPDFIndRef* TSmartPDFDocument::NextKid(TPDFIndRef& previous) {
    auto* page = As<TPDFDictionary>(ResolveNode(&previous));
    if (page == nullptr) {
        return nullptr;
    }
    auto* parent = As<TPDFDictionary>(Resolve(As<TPDFIndRef>(page->GetValue(kParent))));
    auto* kids = parent != nullptr ? As<TPDFArray>(Resolve(parent->GetValue(kKids))) : nullptr;
    if (kids == nullptr) {
        return nullptr;
    }
    const int32_t count = kids->Count();
    for (int32_t step = 0; step < count; ++step) {
        const int32_t i = (kidHint_ + step) % count;
        auto* item = As<TPDFIndRef>(kids->Item(i));
        if (item == nullptr || item->RefNumber != previous.RefNumber ||
            item->RefGeneration != previous.RefGeneration) {
            continue;
        }
        auto* next = As<TPDFIndRef>(kids->Item(i + 1));
        auto* nextPage = next != nullptr ? As<TPDFDictionary>(ResolveNode(next)) : nullptr;
        if (nextPage == nullptr || !IsPageNode(*nextPage)) {
            return nullptr;
        }
        kidHint_ = i + 1;
        return next;
    }
    return nullptr;
}

TPDFIndRef* TSmartPDFDocument::DescendToPage(int32_t index) {
    if (PageTreeRoot == nullptr) {
        return nullptr;
    }
    if (RootIsPage()) {
        return index == 1 ? PageTreeRootRef : nullptr;
    }
    LastNode = PageTreeRoot;
    LastNodeRef = PageTreeRootRef;
    std::unordered_set<int32_t> entered;
    if (PageTreeRootRef != nullptr) {
        entered.insert(PageTreeRootRef->RefNumber);
    }
    int64_t total = 0;
    TPDFIndRef* lastKid = nullptr;
    for (int32_t depth = 0; depth < kMaxTreeDepth; ++depth) {
        auto* kids = As<TPDFArray>(Resolve(LastNode->GetValue(kKids)));
        TPDFDictionary* inner = nullptr;
        TPDFIndRef* innerRef = nullptr;
        for (int32_t i = 0; kids != nullptr && i < kids->Count(); ++i) {
            TPDFObject* kid = kids->Item(i);
            const int32_t size = KidSize(kid);
            total += size;
            lastKid = As<TPDFIndRef>(kid);
            if (total < index) {
                continue;
            }
            auto* node = As<TPDFDictionary>(ResolveNode(kid));
            if (node != nullptr && IsPageNode(*node)) {
                kidHint_ = i;
                return lastKid;
            }
            total -= size;
            if (node == nullptr || !entered.insert(lastKid->RefNumber).second) {
                break;
            }
            inner = node;
            innerRef = lastKid;
            break;
        }
        if (inner == nullptr) {
            break;
        }
        LastNode = inner;
        LastNodeRef = innerRef;
    }
    if (total != index || lastKid == nullptr) {
        return nullptr;
    }
    auto* node = As<TPDFDictionary>(ResolveNode(lastKid));
    if (node != nullptr && node->GetTypeName() == "Pages") {
        auto* kids = As<TPDFArray>(Resolve(node->GetValue(kKids)));
        return kids != nullptr ? As<TPDFIndRef>(kids->Item(0)) : nullptr;
    }
    return lastKid;
}

TPDFIndRef* TSmartPDFDocument::FindPage(int32_t index, TPDFIndRef* previous) {
    TPDFIndRef* found = previous != nullptr ? NextKid(*previous) : nullptr;
    if (found == nullptr) {
        found = DescendToPage(index);
    }
    return found != nullptr ? &Store->NewReference(found->RefNumber, found->RefGeneration)
                            : nullptr;
}

TPDFObject* TSmartPDFDocument::InheritedValue(TPDFDictionary& dictionary, std::string_view key) {
    TPDFDictionary* node = &dictionary;
    std::unordered_set<int32_t> visited;
    for (int32_t depth = 0; depth < kMaxTreeDepth; ++depth) {
        if (TPDFObject* value = node->GetValue(key)) {
            return value;
        }
        auto* parent = As<TPDFIndRef>(node->GetValue(kParent));
        if (parent == nullptr || !visited.insert(parent->RefNumber).second) {
            return nullptr;
        }
        node = As<TPDFDictionary>(GetObject(parent->RefNumber, nullptr));
        if (node == nullptr) {
            return nullptr;
        }
        Register(parent->RefNumber, *node);
    }
    return nullptr;
}

}  // namespace foldant
