#include "app/attachments_layout.h"

namespace foldant {

namespace {

constexpr int kBarHeight = 41;
constexpr int kButtonPanelWidth = 146;
constexpr int kHeaderHeight = 41;
constexpr int kLineHeight = 2;
constexpr int kMargin = 5;
// HL keeps its distance to the right edge of the designed window.
constexpr int kHeaderRightGap = kFormWidth - 32 - 473;

}  // namespace

TAttachmentsLayout LayOutAttachmentsForm(QSize client) {
    int width = client.width();
    int height = client.height();
    TAttachmentsLayout layout;
    layout.Panel2 = QRect(0, height - kBarHeight, width, kBarHeight);
    layout.HTMLabel1 = layout.Panel2.topLeft() + QPoint(12, 12);
    layout.Panel5 =
        QRect(width - kButtonPanelWidth, layout.Panel2.top(), kButtonPanelWidth, kBarHeight);
    layout.FOK = QRect(layout.Panel5.left() + 13, layout.Panel5.top() + 4, 116, 30);
    layout.Panel3 = QRect(0, 0, width, height - kBarHeight);
    layout.Panel4 = QRect(0, 0, width, kHeaderHeight);
    layout.Image1 = QRect(8, 8, 18, 18);
    layout.HL = QRect(32, 10, width - 32 - kHeaderRightGap, 20);
    layout.Bevel5 = QRect(0, kHeaderHeight, width, kLineHeight);
    int listTop = layout.Bevel5.bottom() + 1 + kMargin;
    layout.LB =
        QRect(kMargin, listTop, width - 2 * kMargin, layout.Panel3.height() - listTop - kMargin);
    return layout;
}

}  // namespace foldant
