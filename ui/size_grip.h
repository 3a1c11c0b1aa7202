#pragma once

#include <QSizeGrip>

namespace foldant {

// The grip in the lower right corner of its parent, by which the window is sized. It keeps to
// that corner when the parent changes size.
class TSizeGrip : public QSizeGrip {
  public:
    explicit TSizeGrip(QWidget* parent);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void KeepInCorner();
};

}  // namespace foldant
