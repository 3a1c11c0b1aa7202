#pragma once

// The labels' small HTML subset (ui/html_subset.h) in the toolkit's strings.

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
