#include "ui/owner_draw_list.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace foldant {

namespace {

class TOwnerDelegate : public QStyledItemDelegate {
  public:
    explicit TOwnerDelegate(TOwnerDrawList& list) : QStyledItemDelegate(&list), list_(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (!list_.OnMeasureItem) {
            return QStyledItemDelegate::sizeHint(option, index);
        }
        return QSize(option.rect.width(), list_.OnMeasureItem(index.row()));
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!list_.OnDrawItem) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        list_.OnDrawItem(*painter, index.row(), option.rect,
                         option.state.testFlag(QStyle::State_Selected));
        painter->restore();
    }

  private:
    TOwnerDrawList& list_;
};

}  // namespace

TOwnerDrawList::TOwnerDrawList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new TOwnerDelegate(*this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
}

void TOwnerDrawList::SelectAll() {
    for (int row = 0; row < count(); ++row) {
        item(row)->setSelected(true);
    }
}

std::vector<int> TOwnerDrawList::SelectedIndices() const {
    std::vector<int> indices;
    for (int row = 0; row < count(); ++row) {
        if (item(row)->isSelected()) {
            indices.push_back(row);
        }
    }
    return indices;
}

void TOwnerDrawList::keyPressEvent(QKeyEvent* event) {
    if (OnKeyDown) {
        OnKeyDown(*event);
    }
    QListWidget::keyPressEvent(event);
}

}  // namespace foldant
