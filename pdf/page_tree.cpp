#include "pdf/page_tree.h"

#include <unordered_set>
#include <vector>

namespace foldant {

namespace {

class PageTreeWalk {
  public:
    PageTreeWalk(TSmartPDFReader& reader, const std::function<void(TPDFDictionary&)>& visit)
        : reader_(reader), visit_(visit) {}

    void Run() {
        TPDFDictionary* catalog = reader_.GetTrailerDictionary("Root");
        if (catalog == nullptr) {
            return;
        }
        Enter(catalog->GetValue("Pages"));
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

    TPDFObject* Resolve(TPDFObject* object) {
        auto* reference = As<TPDFIndRef>(object);
        if (reference == nullptr) {
            return object;
        }
        if (!entered_.insert(reference->RefNumber).second) {
            return nullptr;
        }
        return reader_.GetObject(reference->RefNumber, nullptr);
    }

    void Enter(TPDFObject* node) {
        auto* dictionary = As<TPDFDictionary>(Resolve(node));
        if (dictionary == nullptr) {
            return;
        }
        const std::string type = dictionary->GetTypeName();
        auto* kids = type == "Page" ? nullptr : As<TPDFArray>(dictionary->GetValue("Kids", true));
        if (kids != nullptr) {
            pending_.push_back({kids, 0});
        } else if (type != "Pages") {
            visit_(*dictionary);
        }
    }

    TSmartPDFReader& reader_;
    const std::function<void(TPDFDictionary&)>& visit_;
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
