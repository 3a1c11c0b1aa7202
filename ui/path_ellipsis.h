#pragma once

#include <QFontMetrics>
#include <QString>

namespace foldant {

// A path too wide for `width` loses characters from the middle of its folder part, replaced by
// "...", so that the file name (after the last "/" or "\") stays whole as long as it fits on
// its own; a name that does not fit even alone is cut at its end.
QString PathEllipsis(const QString& path, const QFontMetrics& metrics, int width);

}  // namespace foldant
