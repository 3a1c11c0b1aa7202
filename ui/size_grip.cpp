#include "ui/size_grip.h"

#include <QEvent>

namespace foldant {

TSizeGrip::TSizeGrip(QWidget* parent) : QSizeGrip(parent) {
    parent->installEventFilter(this);
    KeepInCorner();
}

bool TSizeGrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        KeepInCorner();
    }
    return QSizeGrip::eventFilter(watched, event);
}

void TSizeGrip::KeepInCorner() {
    QSize size = sizeHint();
    QWidget* parent = parentWidget();
    setGeometry(parent->width() - size.width(), parent->height() - size.height(), size.width(),
                size.height());
}

}  // namespace foldant
