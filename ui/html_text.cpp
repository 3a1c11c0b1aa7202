#include "ui/html_text.h"

#include "ui/html_subset.h"

namespace foldant {

std::vector<THtmlRun> ParseHtmlSubset(const QString& html) {
    std::vector<THtmlRun> runs;
    for (const THtmlSpan& span : ParseHtmlSpans(html.toStdU16String())) {
        runs.push_back({QString::fromStdU16String(span.Text), span.Bold,
                        QString::fromStdU16String(span.Link)});
    }
    return runs;
}

}  // namespace foldant
