#include "ui/html_subset.h"

#include <string_view>

namespace foldant {

namespace {

char16_t LowerAscii(char16_t character) {
    return character >= u'A' && character <= u'Z' ? character - u'A' + u'a' : character;
}

bool IsBlank(char16_t character) {
    return character == u' ' || character == u'\t' || character == u'\r' || character == u'\n' ||
           character == u'\f' || character == u'\v';
}

bool EqualIgnoringCase(std::u16string_view text, std::string_view ascii) {
    if (text.size() != ascii.size()) {
        return false;
    }
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (LowerAscii(text[index]) != static_cast<char16_t>(ascii[index])) {
            return false;
        }
    }
    return true;
}

void SkipBlanks(std::u16string_view text, std::size_t& at) {
    while (at < text.size() && IsBlank(text[at])) {
        ++at;
    }
}

// The target of the attributes ` href=target` (target bare or in either quotes, blanks around
// the parts); empty when the attributes say anything else.
std::u16string LinkTarget(std::u16string_view attributes) {
    std::size_t at = 0;
    if (attributes.empty() || !IsBlank(attributes[0])) {
        return {};
    }
    SkipBlanks(attributes, at);
    if (!EqualIgnoringCase(attributes.substr(at, 4), "href")) {
        return {};
    }
    at += 4;
    SkipBlanks(attributes, at);
    if (at >= attributes.size() || attributes[at] != u'=') {
        return {};
    }
    ++at;
    SkipBlanks(attributes, at);
    if (at >= attributes.size()) {
        return {};
    }
    std::u16string target;
    char16_t quote = attributes[at];
    if (quote == u'"' || quote == u'\'') {
        std::size_t end = attributes.find(quote, at + 1);
        if (end == std::u16string_view::npos) {
            return {};
        }
        target = attributes.substr(at + 1, end - at - 1);
        at = end + 1;
    } else {
        std::size_t start = at;
        while (at < attributes.size() && !IsBlank(attributes[at]) && attributes[at] != u'"' &&
               attributes[at] != u'\'' && attributes[at] != u'>') {
            ++at;
        }
        target = attributes.substr(start, at - start);
    }
    SkipBlanks(attributes, at);
    return at == attributes.size() ? target : std::u16string();
}

struct TTag {
    enum Kind { None, BoldOn, BoldOff, LinkOn, LinkOff } kind = None;
    std::u16string link;
    std::size_t length = 0;
};

// The tag at position `at` (which holds "<"), or a tag of kind None when it is no tag of the
// subset.
TTag ReadTag(std::u16string_view html, std::size_t at) {
    std::size_t end = html.find(u'>', at);
    if (end == std::u16string_view::npos) {
        return {};
    }
    std::u16string_view inner = html.substr(at + 1, end - at - 1);
    TTag tag;
    tag.length = end - at + 1;
    if (EqualIgnoringCase(inner, "b")) {
        tag.kind = TTag::BoldOn;
    } else if (EqualIgnoringCase(inner, "/b")) {
        tag.kind = TTag::BoldOff;
    } else if (EqualIgnoringCase(inner, "/a")) {
        tag.kind = TTag::LinkOff;
    } else if (inner.size() > 1 && LowerAscii(inner[0]) == u'a' && IsBlank(inner[1])) {
        tag.link = LinkTarget(inner.substr(1));
        tag.kind = tag.link.empty() ? TTag::None : TTag::LinkOn;
    }
    return tag;
}

struct TEntity {
    std::string_view name;
    char16_t character;
};

constexpr TEntity kEntities[] = {
    {"&amp;", u'&'}, {"&lt;", u'<'}, {"&gt;", u'>'}, {"&quot;", u'"'}, {"&nbsp;", u'\u00A0'}};

class TSpanBuilder {
  public:
    void Append(char16_t character) { current_.Text += character; }
    void Switch(bool bold, const std::u16string& link) {
        if (bold == current_.Bold && link == current_.Link) {
            return;
        }
        Flush();
        current_.Bold = bold;
        current_.Link = link;
    }
    const THtmlSpan& Current() const { return current_; }
    std::vector<THtmlSpan> Finish() {
        Flush();
        return std::move(spans_);
    }

  private:
    void Flush() {
        if (!current_.Text.empty()) {
            spans_.push_back(current_);
            current_.Text.clear();
        }
    }
    THtmlSpan current_;
    std::vector<THtmlSpan> spans_;
};

}  // namespace

std::vector<THtmlSpan> ParseHtmlSpans(const std::u16string& html) {
    TSpanBuilder builder;
    std::size_t at = 0;
    while (at < html.size()) {
        char16_t character = html[at];
        if (character == u'<') {
            TTag tag = ReadTag(html, at);
            if (tag.kind != TTag::None) {
                const THtmlSpan& current = builder.Current();
                bool bold = tag.kind == TTag::BoldOn    ? true
                            : tag.kind == TTag::BoldOff ? false
                                                        : current.Bold;
                std::u16string link = tag.kind == TTag::LinkOn    ? tag.link
                                      : tag.kind == TTag::LinkOff ? std::u16string()
                                                                  : current.Link;
                builder.Switch(bold, link);
                at += tag.length;
                continue;
            }
        } else if (character == u'&') {
            bool replaced = false;
            for (const auto& entity : kEntities) {
                if (EqualIgnoringCase(std::u16string_view(html).substr(at, entity.name.size()),
                                      entity.name)) {
                    builder.Append(entity.character);
                    at += entity.name.size();
                    replaced = true;
                    break;
                }
            }
            if (replaced) {
                continue;
            }
        }
        builder.Append(character);
        ++at;
    }
    return builder.Finish();
}

}  // namespace foldant
