#include "pdf/name_tree.h"

#include <algorithm>
#include <unordered_set>

#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

// Trees deeper than this are damage; the descent stops there.
constexpr int32_t kMaxTreeDepth = 64;
// Keys per leaf of a written tree; readers bisect the kids by their limits.
constexpr size_t kLeafSize = 128;

class TNameTreeReader {
  public:
    explicit TNameTreeReader(const TNameTreeResolver& resolve) : resolve_(resolve) {}

    void Read(TPDFObject* node, int32_t depth) {
        if (depth > kMaxTreeDepth) {
            return;
        }
        if (auto* reference = As<TPDFIndRef>(node)) {
            if (!entered_.insert(reference->RefNumber).second) {
                return;
            }
        }
        auto* dictionary = As<TPDFDictionary>(resolve_(node));
        if (dictionary == nullptr) {
            return;
        }
        if (auto* names = As<TPDFArray>(resolve_(dictionary->GetValue(kNames)))) {
            AddPairs(*names);
        }
        if (auto* kids = As<TPDFArray>(resolve_(dictionary->GetValue(kKids)))) {
            for (TPDFObject* kid : kids->Items) {
                Read(kid, depth + 1);
            }
        }
    }

    std::vector<TNameTreeEntry> Entries;

  private:
    void AddPairs(const TPDFArray& names) {
        for (int32_t i = 0; i + 1 < names.Count(); i += 2) {
            auto* key = As<TPDFString>(resolve_(names.Item(i)));
            if (key != nullptr && names.Item(i + 1) != nullptr) {
                Entries.push_back({key->Value, names.Item(i + 1)});
            }
        }
    }

    const TNameTreeResolver& resolve_;
    std::unordered_set<int32_t> entered_;
};

bool IsPrintable(const std::string& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 32 && byte < 127;
    });
}

TPDFString& KeyString(TPDFStructure& store, const std::string& key) {
    return store.NewString(key, IsPrintable(key) ? TPDFString::kLiteral : TPDFString::kHexadecimal);
}

TPDFArray& NamesArray(TPDFStructure& store, std::vector<TNameTreeEntry>::const_iterator begin,
                      std::vector<TNameTreeEntry>::const_iterator end) {
    TPDFArray& names = store.NewArray();
    for (auto entry = begin; entry != end; ++entry) {
        names.Add(KeyString(store, entry->Key));
        names.Add(*entry->Value);
    }
    return names;
}

}  // namespace

std::vector<TNameTreeEntry> ReadNameTree(TPDFObject* root, const TNameTreeResolver& resolve) {
    TNameTreeReader reader(resolve);
    reader.Read(root, 0);
    return std::move(reader.Entries);
}

TPDFDictionary& BuildNameTree(std::vector<TNameTreeEntry> entries, TPDFStructure& store,
                              const TNameTreeNodeAdder& addLeaf) {
    // std::string compares as unsigned bytes, the order readers of the tree expect.
    std::stable_sort(
        entries.begin(), entries.end(),
        [](const TNameTreeEntry& x, const TNameTreeEntry& y) { return x.Key < y.Key; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const TNameTreeEntry& x, const TNameTreeEntry& y) {
                                  return x.Key == y.Key;
                              }),
                  entries.end());
    TPDFDictionary& root = store.NewDictionary();
    if (entries.size() <= kLeafSize) {
        root.Add(kNames, NamesArray(store, entries.begin(), entries.end()));
        return root;
    }
    TPDFArray& kids = store.NewArray();
    for (size_t first = 0; first < entries.size(); first += kLeafSize) {
        const size_t end = std::min(entries.size(), first + kLeafSize);
        TPDFDictionary& leaf = store.NewDictionary();
        leaf.Add(kLimits, store.NewArrayOf({&KeyString(store, entries[first].Key),
                                            &KeyString(store, entries[end - 1].Key)}));
        leaf.Add(kNames, NamesArray(store, entries.begin() + static_cast<ptrdiff_t>(first),
                                    entries.begin() + static_cast<ptrdiff_t>(end)));
        kids.Add(addLeaf(leaf));
    }
    root.Add(kKids, kids);
    return root;
}

}  // namespace foldant
