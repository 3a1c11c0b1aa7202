#pragma once

// Where the attachments window puts its controls for a given client size (all in window
// coordinates). The list's margins are 5 pixels; a 2-pixel line runs under the 41-pixel header.
// Both windows, whatever their toolkit, take their places from here.

namespace foldant {

inline constexpr int kFormWidth = 526;
inline constexpr int kFormHeight = 416;
inline constexpr int kFormMinWidth = 526;
inline constexpr int kFormMinHeight = 300;

struct TLayoutPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TLayoutPoint&, const TLayoutPoint&) = default;
};

struct TLayoutRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    // The last column and row inside the rectangle.
    int Right() const { return Left + Width - 1; }
    int Bottom() const { return Top + Height - 1; }
    int CenterX() const { return Left + (Width - 1) / 2; }
    int CenterY() const { return Top + (Height - 1) / 2; }
    TLayoutPoint TopLeft() const { return {Left, Top}; }
    // The same rectangle in the coordinates of a parent whose corner lies at origin.
    TLayoutRect Within(TLayoutPoint origin) const {
        return {Left - origin.X, Top - origin.Y, Width, Height};
    }
    friend bool operator==(const TLayoutRect&, const TLayoutRect&) = default;
};

struct TAttachmentsLayout {
    TLayoutRect Panel2;
    TLayoutPoint HTMLabel1;
    TLayoutRect Panel5;
    TLayoutRect FOK;
    TLayoutRect Panel3;
    TLayoutRect Panel4;
    TLayoutRect Image1;
    TLayoutRect HL;
    TLayoutRect Bevel5;
    TLayoutRect LB;
};

TAttachmentsLayout LayOutAttachmentsForm(int width, int height);

}  // namespace foldant
