#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>
#include <functional>
#include <vector>

#include "ui/html_text.h"

namespace foldant {

// A run placed on the label's single line.
struct TPlacedRun {
    THtmlRun Run;
    int Left = 0;
    int Width = 0;
};

// Places the runs one after the other from the left. With elide, a line wider than `width` is
// cut where "..." still fits behind it; without, every run is placed in full.
std::vector<TPlacedRun> PlaceRuns(const std::vector<THtmlRun>& runs, const QFont& font, int width,
                                  bool elide);

// A one-line label for the HTML subset, with clickable links. Links are blue and underlined and
// show the hand cursor.
class THTMLabel : public QWidget {
  public:
    explicit THTMLabel(QWidget* parent = nullptr);

    void SetHtml(const QString& html);
    const QString& Html() const { return html_; }
    void SetTextColour(const QColor& colour);
    // Cuts the text with "..." when it is wider than the label.
    void SetEllipsis(bool on);
    // Makes the label as wide and high as its text.
    void SetAutoSize(bool on);
    // The text as shown, markup removed, cut as drawn.
    QString ShownText() const;
    // The rectangle of the first link, in the label's coordinates; empty without a link.
    QRect LinkRect() const;

    // Called with the target of a clicked link.
    std::function<void(const QString& target)> OnAnchorClick;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void Relayout();
    const TPlacedRun* RunAt(const QPoint& point) const;

    QString html_;
    std::vector<THtmlRun> runs_;
    std::vector<TPlacedRun> placed_;
    QColor textColour_ = Qt::black;
    bool ellipsis_ = false;
    bool autoSize_ = false;
};

}  // namespace foldant
