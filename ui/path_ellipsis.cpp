#include "ui/path_ellipsis.h"

namespace foldant {

namespace {

const QString kEllipsis = QStringLiteral("...");

qsizetype NameStart(const QString& path) {
    qsizetype slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return slash < 0 ? 0 : slash;
}

}  // namespace

QString PathEllipsis(const QString& path, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(path) <= width) {
        return path;
    }
    qsizetype nameStart = NameStart(path);
    QString name = path.mid(nameStart);
    QString folder = path.left(nameStart);
    // The folder part shrinks from its end, keeping its beginning (the drive or root).
    while (!folder.isEmpty()) {
        folder.chop(1);
        QString shown = folder + kEllipsis + name;
        if (metrics.horizontalAdvance(shown) <= width) {
            return shown;
        }
    }
    QString shown = kEllipsis + name;
    if (metrics.horizontalAdvance(shown) <= width) {
        return shown;
    }
    while (!name.isEmpty() && metrics.horizontalAdvance(kEllipsis + name + kEllipsis) > width) {
        name.chop(1);
    }
    return kEllipsis + name + kEllipsis;
}

}  // namespace foldant
