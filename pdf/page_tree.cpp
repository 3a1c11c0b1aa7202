#include "pdf/page_tree.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "pdf/object_copy.h"
#include "pdf/pdf_keys.h"
#include "pdf/pdf_lexical.h"

namespace foldant {

namespace {

// What a page-tree node's bytes say about it, read without building the node: its type and the
// object numbers of its kids. Counting walks every node of every input and of every joined
// file, and building each page with its resources and annotations was most of that walk. The
// bytes are taken only when they say plainly what the node is: a well-formed dictionary, each of
// Type and Kids at most once, Type a name without escapes, Kids absent, no array, or an array of
// references alone. Anything else is read whole, as the walk over pages does.
class NodeBytes final : public TReferenceRewriter {
  public:
    static std::optional<NodeBytes> Read(std::string_view body) {
        NodeBytes node;
        if (!CopyRewritten(body, node, ScanScope::kContainers) || !node.plain_ ||
            node.kind_ != Kind::kDictionary) {
            return std::nullopt;
        }
        return node;
    }

    const std::string& Type() const { return type_; }
    bool HasKids() const { return hasKids_; }
    const std::vector<int32_t>& Kids() const { return kids_; }

    bool Rewrite(int64_t, int64_t, std::string_view, std::string&) override { return true; }

    void TopLevelValue(std::string_view key, std::string_view value) override {
        kind_ = Kind::kDictionary;
        if (key == kType) {
            plain_ = plain_ && !typeSeen_ && value.find('#') == std::string_view::npos;
            typeSeen_ = true;
            type_ = value.size() > 1 && value[0] == '/' ? std::string(value.substr(1)) : "";
        } else if (key == kKids) {
            plain_ = plain_ && !kidsSeen_ && ReadKids(value);
            kidsSeen_ = true;
        }
    }

  private:
    enum class Kind { kUnknown, kDictionary };

    NodeBytes() = default;

    // "[ N G R ... ]" gives the kids; a value that is no array gives none, as it does to the
    // walk over pages. A reference to an array is left to that walk.
    bool ReadKids(std::string_view value) {
        if (value.empty() || value[0] != '[') {
            return value.find('R') == std::string_view::npos;
        }
        hasKids_ = true;
        size_t i = 1;
        for (;;) {
            SkipWhite(value, i);
            if (i < value.size() && value[i] == ']') {
                return true;
            }
            int64_t number = 0;
            int64_t generation = 0;
            if (!ReadWhole(value, i, number) || !ReadWhole(value, i, generation) ||
                i >= value.size() || value[i] != 'R' || number < 1 || number > kMaxObjectNumber ||
                generation > kMaxGeneration) {
                return false;
            }
            ++i;
            kids_.push_back(static_cast<int32_t>(number));
        }
    }

    static void SkipWhite(std::string_view text, size_t& i) {
        while (i < text.size() && IsPdfWhitespace(text[i])) {
            ++i;
        }
    }

    // Digits followed by white space.
    static bool ReadWhole(std::string_view text, size_t& i, int64_t& value) {
        const size_t start = i;
        value = 0;
        while (i < text.size() && IsDigit(text[i]) && i - start < 9) {
            value = value * 10 + (text[i++] - '0');
        }
        const size_t end = i;
        SkipWhite(text, i);
        return end > start && i > end;
    }

    Kind kind_ = Kind::kUnknown;
    bool plain_ = true;
    bool typeSeen_ = false;
    bool kidsSeen_ = false;
    std::string type_;
    bool hasKids_ = false;
    std::vector<int32_t> kids_;
};

// Walks the page tree in document order and counts its page leaves. Every node is entered at most
// once, so trees whose kids lead back to an ancestor or repeat a subtree end instead of looping.
// Leaves are read into a store that is emptied before the next node, so a walk over thousands of
// pages holds one page at a time; nodes with kids are read again into the walk's store, where
// they stay while their kids are walked. A walk that only counts reads each node from its bytes
// where they say plainly what it is, and builds none of them.
class PageTreeWalk {
  public:
    using Visit = std::function<void(TPDFDictionary& page)>;

    // `visit`, when given, is called with every page leaf, valid during the call.
    PageTreeWalk(TSmartPDFReader& reader, const Visit* visit) : reader_(reader), visit_(visit) {
        const auto resolve = [&reader](TPDFIndRef&, int32_t number, int32_t) {
            return reader.GetObject(number, nullptr);
        };
        nodes_.OnResolveReference = resolve;
        pages_.OnResolveReference = resolve;
    }

    int32_t Run() {
        TPDFDictionary* catalog = reader_.GetTrailerDictionary(kRoot);
        if (catalog == nullptr) {
            return 0;
        }
        Enter(Kid::Of(catalog->GetValue(kPages)));
        while (!pending_.empty()) {
            Level& level = pending_.back();
            if (level.next >= level.kids.size()) {
                pending_.pop_back();
                continue;
            }
            Enter(level.kids[level.next++]);
        }
        return count_;
    }

  private:
    // A kid by its object number, or a node held directly in its parent.
    struct Kid {
        int32_t number = 0;
        TPDFObject* direct = nullptr;

        static Kid Of(TPDFObject* object) {
            if (auto* reference = As<TPDFIndRef>(object)) {
                return {reference->RefNumber, nullptr};
            }
            return {0, object};
        }
    };
    struct Level {
        std::vector<Kid> kids;
        size_t next = 0;
    };

    void Enter(const Kid& kid) {
        if (kid.direct == nullptr) {
            if (!entered_.insert(kid.number).second) {
                return;
            }
            if (std::optional<NodeBytes> node =
                    visit_ != nullptr ? std::nullopt
                                      : NodeBytes::Read(reader_.ObjectText(kid.number, region_))) {
                if (node->Type() == "Page" || !node->HasKids()) {
                    Leaf(node->Type(), nullptr);
                } else {
                    Level level;
                    for (int32_t number : node->Kids()) {
                        level.kids.push_back({number, nullptr});
                    }
                    pending_.push_back(std::move(level));
                }
                return;
            }
        }
        pages_.Clear();
        auto* dictionary = As<TPDFDictionary>(
            kid.direct != nullptr ? kid.direct : reader_.GetObject(kid.number, &pages_));
        if (dictionary == nullptr) {
            return;
        }
        const std::string type = dictionary->GetTypeName();
        auto* kids = type == "Page" ? nullptr : As<TPDFArray>(dictionary->GetValue(kKids, true));
        if (kids == nullptr) {
            Leaf(type, dictionary);
            return;
        }
        if (kid.direct == nullptr) {
            dictionary = As<TPDFDictionary>(reader_.GetObject(kid.number, &nodes_));
            kids =
                dictionary != nullptr ? As<TPDFArray>(dictionary->GetValue(kKids, true)) : nullptr;
            if (kids == nullptr) {
                return;
            }
        }
        Level level;
        for (TPDFObject* item : kids->Items) {
            level.kids.push_back(Kid::Of(item));
        }
        pending_.push_back(std::move(level));
    }

    void Leaf(const std::string& type, TPDFDictionary* page) {
        if (type == "Pages") {
            return;
        }
        ++count_;
        if (visit_ != nullptr && page != nullptr) {
            (*visit_)(*page);
        }
    }

    TSmartPDFReader& reader_;
    const Visit* visit_;
    TPDFStructure nodes_;
    TPDFStructure pages_;
    std::string region_;
    std::unordered_set<int32_t> entered_;
    std::vector<Level> pending_;
    int32_t count_ = 0;
};

}  // namespace

void ForEachPage(TSmartPDFReader& reader, const std::function<void(TPDFDictionary& page)>& visit) {
    PageTreeWalk(reader, &visit).Run();
}

int32_t CountPages(TSmartPDFReader& reader) {
    return PageTreeWalk(reader, nullptr).Run();
}

}  // namespace foldant
