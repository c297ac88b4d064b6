// The keys and mouse of the player and the measurement cursors: space, left
// and right (with shift) drive the player anywhere in the window unless an
// edit wants the key; A and B place a cursor at the pointer in the view under
// it; the right button's menu places or clears them; a press on a cursor's
// handle drags it. Other clicks reach the plot as before.
#pragma once

#include <QObject>
#include <array>
#include <functional>

#include "form/main_controls.h"

class QMenu;
class QWidget;

namespace pulse::window {
class PlayerControl;
class ViewCursors;
}  // namespace pulse::window

namespace pulse::ui {

class ViewInput : public QObject {
  Q_OBJECT

 public:
  using Handle = std::function<void(const std::function<void()>&)>;

  // `window` gets the shortcuts; `plots` are the widgets of views 1..3.
  ViewInput(QWidget& window, std::array<QWidget*, form::kViewCount> plots,
            window::PlayerControl& player, window::ViewCursors& cursors, Handle handle);
  ~ViewInput() override;

  // The context menu of the last right click (for tests); nullptr before.
  QMenu* LastMenu() const { return menu_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // View 1..3 of a plot widget, 0 for none.
  int ViewOf(const QObject* widget) const;
  // The view under the pointer and the pointer's x in it, view 0 for none.
  std::pair<int, int> PointerView() const;
  void ShowMenu(int view, int x, const QPoint& global);

  std::array<QWidget*, form::kViewCount> plots_;
  window::PlayerControl& player_;
  window::ViewCursors& cursors_;
  Handle handle_;
  QMenu* menu_ = nullptr;
};

}  // namespace pulse::ui
