#include "ui/fonts.h"

#include <QStringList>

namespace foldant {

QFont DesignFont(int pixelSize, bool bold) {
    QFont font;
    font.setFamilies(
        {"Tahoma", "DejaVu Sans", "Liberation Sans", "Noto Sans", "Arial", "sans-serif"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

}  // namespace foldant
