#pragma once

// The small HTML subset of the window's labels: <b> and </b> (any letter case) switch bold
// text, <a href=target> and </a> mark a link, &amp; &lt; &gt; &quot; and &nbsp; stand for
// their characters. Everything else, other tags included, is shown as it stands, so a path or
// caption with "<" in it stays readable.

#include <QString>
#include <vector>

namespace foldant {

struct THtmlRun {
    QString Text;
    bool Bold = false;
    // Empty outside a link.
    QString Link;
    friend bool operator==(const THtmlRun&, const THtmlRun&) = default;
};

// Runs of equal look in text order; an unclosed tag lasts to the end.
std::vector<THtmlRun> ParseHtmlSubset(const QString& html);

}  // namespace foldant
