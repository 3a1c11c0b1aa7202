#pragma once

// Where the attachments window puts its controls for a given client size (all in window
// coordinates). The list's margins are 5 pixels; a 2-pixel line runs under the 41-pixel header.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace foldant {

inline constexpr int kFormWidth = 526;
inline constexpr int kFormHeight = 416;
inline constexpr int kFormMinWidth = 526;
inline constexpr int kFormMinHeight = 300;

struct TAttachmentsLayout {
    QRect Panel2;
    QPoint HTMLabel1;
    QRect Panel5;
    QRect FOK;
    QRect Panel3;
    QRect Panel4;
    QRect Image1;
    QRect HL;
    QRect Bevel5;
    QRect LB;
};

TAttachmentsLayout LayOutAttachmentsForm(QSize client);

}  // namespace foldant
