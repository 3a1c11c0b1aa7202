#include "ui/html_label.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

namespace foldant {

namespace {

const QString kEllipsis = QStringLiteral("...");
const QColor kLinkColour(0, 0, 255);

QFont RunFont(const QFont& base, const THtmlRun& run) {
    QFont font = base;
    if (run.Bold) {
        font.setBold(true);
    }
    if (!run.Link.isEmpty()) {
        font.setUnderline(true);
    }
    return font;
}

int TextWidth(const QFont& font, const QString& text) {
    return QFontMetrics(font).horizontalAdvance(text);
}

}  // namespace

std::vector<TPlacedRun> PlaceRuns(const std::vector<THtmlRun>& runs, const QFont& font, int width,
                                  bool elide) {
    std::vector<TPlacedRun> placed;
    int left = 0;
    for (const auto& run : runs) {
        int runWidth = TextWidth(RunFont(font, run), run.Text);
        placed.push_back(TPlacedRun{run, left, runWidth});
        left += runWidth;
    }
    if (!elide || left <= width) {
        return placed;
    }
    // Cut characters from the end until the text and the ellipsis (in the look of the run it
    // ends) fit.
    while (!placed.empty()) {
        TPlacedRun& last = placed.back();
        QFont lastFont = RunFont(font, last.Run);
        int ellipsisWidth = TextWidth(lastFont, kEllipsis);
        QString text = last.Run.Text;
        while (!text.isEmpty() && last.Left + TextWidth(lastFont, text) + ellipsisWidth > width) {
            text.chop(1);
        }
        if (!text.isEmpty() || last.Left + ellipsisWidth <= width) {
            last.Run.Text = text + kEllipsis;
            last.Width = TextWidth(lastFont, last.Run.Text);
            return placed;
        }
        placed.pop_back();
    }
    return placed;
}

THTMLabel::THTMLabel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void THTMLabel::SetHtml(const QString& html) {
    html_ = html;
    runs_ = ParseHtmlSubset(html);
    Relayout();
}

void THTMLabel::SetTextColour(const QColor& colour) {
    textColour_ = colour;
    update();
}

void THTMLabel::SetEllipsis(bool on) {
    ellipsis_ = on;
    Relayout();
}

void THTMLabel::SetAutoSize(bool on) {
    autoSize_ = on;
    Relayout();
}

QString THTMLabel::ShownText() const {
    QString text;
    for (const auto& run : placed_) {
        text += run.Run.Text;
    }
    return text;
}

QRect THTMLabel::LinkRect() const {
    for (const auto& run : placed_) {
        if (!run.Run.Link.isEmpty()) {
            return QRect(run.Left, 0, run.Width, height());
        }
    }
    return {};
}

QSize THTMLabel::sizeHint() const {
    int width = 0;
    for (const auto& run : PlaceRuns(runs_, font(), 0, false)) {
        width = run.Left + run.Width;
    }
    QFont bold = font();
    bold.setBold(true);
    return QSize(width, std::max(QFontMetrics(font()).height(), QFontMetrics(bold).height()));
}

void THTMLabel::Relayout() {
    if (autoSize_) {
        resize(sizeHint());
    }
    placed_ = PlaceRuns(runs_, font(), width(), ellipsis_);
    update();
}

void THTMLabel::resizeEvent(QResizeEvent*) {
    placed_ = PlaceRuns(runs_, font(), width(), ellipsis_);
}

void THTMLabel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        Relayout();
    }
    QWidget::changeEvent(event);
}

void THTMLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    int baseline = (height() + QFontMetrics(font()).ascent() - QFontMetrics(font()).descent()) / 2;
    for (const auto& run : placed_) {
        painter.setFont(RunFont(font(), run.Run));
        painter.setPen(run.Run.Link.isEmpty() ? textColour_ : kLinkColour);
        painter.drawText(run.Left, baseline, run.Run.Text);
    }
}

const TPlacedRun* THTMLabel::RunAt(const QPoint& point) const {
    for (const auto& run : placed_) {
        if (point.x() >= run.Left && point.x() < run.Left + run.Width && point.y() >= 0 &&
            point.y() < height()) {
            return &run;
        }
    }
    return nullptr;
}

void THTMLabel::mouseMoveEvent(QMouseEvent* event) {
    const TPlacedRun* run = RunAt(event->position().toPoint());
    if (run && !run->Run.Link.isEmpty()) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void THTMLabel::mouseReleaseEvent(QMouseEvent* event) {
    const TPlacedRun* run = RunAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && run && !run->Run.Link.isEmpty() && OnAnchorClick) {
        OnAnchorClick(run->Run.Link);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

}  // namespace foldant
