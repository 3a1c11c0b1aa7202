#pragma once

#include <QListWidget>
#include <functional>

namespace foldant {

// A list box whose items the owner measures and draws. Several items can be selected.
class TOwnerDrawList : public QListWidget {
  public:
    explicit TOwnerDrawList(QWidget* parent = nullptr);

    // The height of the item with this index.
    std::function<int(int index)> OnMeasureItem;
    // Draws the item into its rectangle; selected tells its state.
    std::function<void(QPainter& painter, int index, const QRect& rect, bool selected)> OnDrawItem;
    std::function<void(QKeyEvent& event)> OnKeyDown;

    void SelectAll();
    std::vector<int> SelectedIndices() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace foldant
