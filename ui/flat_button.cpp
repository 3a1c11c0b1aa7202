#include "ui/flat_button.h"

#include <QKeyEvent>
#include <QPainter>

namespace foldant {

namespace {

const QColor kFrameColour(128, 128, 192);
const QColor kHoverColour(230, 230, 245);
const QColor kPressedColour(200, 200, 230);

}  // namespace

TFlatButton::TFlatButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setFlat(true);
    setAutoDefault(false);
    setDefault(false);
    setAttribute(Qt::WA_Hover);
}

void TFlatButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect frame = rect().adjusted(0, 0, -1, -1);
    QColor fill = isDown() ? kPressedColour : underMouse() ? kHoverColour : QColor(Qt::white);
    painter.fillRect(rect(), fill);
    painter.setPen(isEnabled() ? kFrameColour : QColor(Qt::lightGray));
    painter.drawRect(frame);
    if (hasFocus()) {
        painter.drawRect(frame.adjusted(1, 1, -1, -1));
    }
    painter.setFont(font());
    painter.setPen(isEnabled() ? QColor(Qt::black) : QColor(Qt::gray));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

void TFlatButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
            if (OnSelectNext) {
                OnSelectNext(event->key());
            }
            break;
        default:
            break;
    }
    QPushButton::keyPressEvent(event);
}

}  // namespace foldant
