#include "pdf/page_tree.h"

#include <unordered_set>
#include <vector>

#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

class PageTreeWalk {
  public:
    PageTreeWalk(TSmartPDFReader& reader, const std::function<void(TPDFDictionary&)>& visit)
        : reader_(reader), visit_(visit) {
        const auto resolve = [&reader](TPDFIndRef&, int32_t number, int32_t) {
            return reader.GetObject(number, nullptr);
        };
        nodes_.OnResolveReference = resolve;
        pages_.OnResolveReference = resolve;
    }

    void Run() {
        TPDFDictionary* catalog = reader_.GetTrailerDictionary(kRoot);
        if (catalog == nullptr) {
            return;
        }
        Enter(catalog->GetValue(kPages));
        while (!pending_.empty()) {
            Level& level = pending_.back();
            if (level.next >= level.kids->Count()) {
                pending_.pop_back();
                continue;
            }
            Enter(level.kids->Item(level.next++));
        }
    }

  private:
    struct Level {
        TPDFArray* kids;
        int32_t next;
    };

    // Pages are read into a store of their own that is emptied before the next node, so a walk
    // over thousands of pages holds one page at a time; inner nodes are read again into the
    // walk's store, where they stay while their kids are walked.
    void Enter(TPDFObject* node) {
        pages_.Clear();
        auto* reference = As<TPDFIndRef>(node);
        if (reference != nullptr && !entered_.insert(reference->RefNumber).second) {
            return;
        }
        auto* dictionary = As<TPDFDictionary>(
            reference != nullptr ? reader_.GetObject(reference->RefNumber, &pages_) : node);
        if (dictionary == nullptr) {
            return;
        }
        const std::string type = dictionary->GetTypeName();
        auto* kids = type == "Page" ? nullptr : As<TPDFArray>(dictionary->GetValue(kKids, true));
        if (kids == nullptr) {
            if (type != "Pages") {
                visit_(*dictionary);
            }
            return;
        }
        if (reference != nullptr) {
            dictionary = As<TPDFDictionary>(reader_.GetObject(reference->RefNumber, &nodes_));
            kids =
                dictionary != nullptr ? As<TPDFArray>(dictionary->GetValue(kKids, true)) : nullptr;
        }
        if (kids != nullptr) {
            pending_.push_back({kids, 0});
        }
    }

    TSmartPDFReader& reader_;
    const std::function<void(TPDFDictionary&)>& visit_;
    TPDFStructure nodes_;
    TPDFStructure pages_;
    std::unordered_set<int32_t> entered_;
    std::vector<Level> pending_;
};

}  // namespace

void ForEachPage(TSmartPDFReader& reader, const std::function<void(TPDFDictionary& page)>& visit) {
    PageTreeWalk(reader, visit).Run();
}

int32_t CountPages(TSmartPDFReader& reader) {
    int32_t count = 0;
    ForEachPage(reader, [&count](TPDFDictionary&) { ++count; });
    return count;
}

}  // namespace foldant
