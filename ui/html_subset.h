#pragma once

// The small HTML subset of the window's labels, for every toolkit: <b> and </b> (any letter
// case) switch bold text, <a href=target> and </a> mark a link, &amp; &lt; &gt; &quot; and
// &nbsp; stand for their characters. Everything else, other tags included, is shown as it
// stands, so a path or caption with "<" in it stays readable.

#include <string>
#include <vector>

namespace foldant {

struct THtmlSpan {
    std::u16string Text;
    bool Bold = false;
    // Empty outside a link.
    std::u16string Link;
    friend bool operator==(const THtmlSpan&, const THtmlSpan&) = default;
};

// Spans of equal look in text order; an unclosed tag lasts to the end.
std::vector<THtmlSpan> ParseHtmlSpans(const std::u16string& html);

}  // namespace foldant
