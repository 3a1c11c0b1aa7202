#pragma once

#include <QPushButton>
#include <functional>

namespace foldant {

// A push button without a raised frame that turns grey-blue under the mouse. It never clicks
// itself on Enter: the window decides what Enter means.
class TFlatButton : public QPushButton {
  public:
    explicit TFlatButton(const QString& caption, QWidget* parent = nullptr);

    // Called with the key code of a key that moves the focus on (Tab, Backtab, arrows).
    std::function<void(int key)> OnSelectNext;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace foldant
