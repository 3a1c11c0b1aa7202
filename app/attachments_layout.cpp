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

TAttachmentsLayout LayOutAttachmentsForm(int width, int height) {
    TAttachmentsLayout layout;
    layout.Panel2 = {0, height - kBarHeight, width, kBarHeight};
    layout.HTMLabel1 = {layout.Panel2.Left + 12, layout.Panel2.Top + 12};
    layout.Panel5 = {width - kButtonPanelWidth, layout.Panel2.Top, kButtonPanelWidth, kBarHeight};
    layout.FOK = {layout.Panel5.Left + 13, layout.Panel5.Top + 4, 116, 30};
    layout.Panel3 = {0, 0, width, height - kBarHeight};
    layout.Panel4 = {0, 0, width, kHeaderHeight};
    layout.Image1 = {8, 8, 18, 18};
    layout.HL = {32, 10, width - 32 - kHeaderRightGap, 20};
    layout.Bevel5 = {0, kHeaderHeight, width, kLineHeight};
    int listTop = layout.Bevel5.Bottom() + 1 + kMargin;
    layout.LB = {kMargin, listTop, width - 2 * kMargin, layout.Panel3.Height - listTop - kMargin};
    return layout;
}

}  // namespace foldant
