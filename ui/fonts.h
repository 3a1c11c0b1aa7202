#pragma once

// The window's fonts. The design names Tahoma; where it is missing, the closest sans-serif face
// of the system takes its place at the same pixel size.

#include <QFont>

namespace foldant {

QFont DesignFont(int pixelSize, bool bold = false);

}  // namespace foldant
