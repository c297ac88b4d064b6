#include "ui/view_input.h"

#include <QCoreApplication>
#include <QCursor>
#include <QKeySequence>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include "window/player_control.h"
#include "window/view_cursors.h"

namespace pulse::ui {

using Which = window::MeasureCursors::Which;

ViewInput::ViewInput(QWidget& window, std::array<QWidget*, form::kViewCount> plots,
                     window::PlayerControl& player, window::ViewCursors& cursors, Handle handle)
    : QObject(&window),
      plots_(plots),
      player_(player),
      cursors_(cursors),
      handle_(std::move(handle)) {
  auto shortcut = [&](const QKeySequence& keys, std::function<void()> f) {
    auto* s = new QShortcut(keys, &window);
    s->setContext(Qt::WindowShortcut);
    connect(s, &QShortcut::activated, this, [this, f] { handle_(f); });
  };
  window::PlayerControl* p = &player_;
  using window::PlayerKey;
  // A shortcut has nowhere to pass on a key the player did not take.
  shortcut(QKeySequence(Qt::Key_Space), [p] { (void)p->Key(PlayerKey::kSpace, false); });
  shortcut(QKeySequence(Qt::Key_Left), [p] { (void)p->Key(PlayerKey::kLeft, false); });
  shortcut(QKeySequence(Qt::Key_Right), [p] { (void)p->Key(PlayerKey::kRight, false); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_Left), [p] { (void)p->Key(PlayerKey::kLeft, true); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_Right), [p] { (void)p->Key(PlayerKey::kRight, true); });
  auto place = [this](Which which) {
    return [this, which] {
      const auto [view, x] = PointerView();
      if (view != 0) cursors_.Place(view, which, x);
    };
  };
  shortcut(QKeySequence(Qt::Key_A), place(Which::kA));
  shortcut(QKeySequence(Qt::Key_B), place(Which::kB));
  for (QWidget* w : plots_) {
    if (w == nullptr) continue;
    // The menu comes after the release, which the plot's read-out gets first.
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    w->installEventFilter(this);
  }
}

// Qt drops the filters of a destroyed filter object; the plots may be gone already.
ViewInput::~ViewInput() {
  delete menu_;
}

int ViewInput::ViewOf(const QObject* widget) const {
  for (size_t k = 0; k < plots_.size(); ++k)
    if (plots_[k] == widget) return static_cast<int>(k) + 1;
  return 0;
}

std::pair<int, int> ViewInput::PointerView() const {
  for (size_t k = 0; k < plots_.size(); ++k) {
    QWidget* w = plots_[k];
    if (w == nullptr || !w->isVisible()) continue;
    const QPoint p = w->mapFromGlobal(QCursor::pos());
    if (w->rect().contains(p)) return {static_cast<int>(k) + 1, p.x()};
  }
  return {0, 0};
}

void ViewInput::ShowMenu(int view, int x, const QPoint& global) {
  delete menu_;
  menu_ = new QMenu;
  menu_->setObjectName(QStringLiteral("PopupMenu_cursors"));
  auto item = [&](const char* caption, std::function<void()> f) {
    QAction* a = menu_->addAction(QCoreApplication::translate("ViewCursors", caption));
    connect(a, &QAction::triggered, this, [this, f] { handle_(f); });
  };
  window::ViewCursors* c = &cursors_;
  item(window::ViewCursors::kPlaceACaption, [c, view, x] { c->Place(view, Which::kA, x); });
  item(window::ViewCursors::kPlaceBCaption, [c, view, x] { c->Place(view, Which::kB, x); });
  item(window::ViewCursors::kClearCaption, [c, view] { c->Clear(view); });
  menu_->popup(global);
}

bool ViewInput::eventFilter(QObject* watched, QEvent* event) {
  const int view = ViewOf(watched);
  if (view == 0) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (e->button() != Qt::LeftButton) break;
      bool grabbed = false;
      const int x = e->position().toPoint().x();
      handle_([&] { grabbed = cursors_.BeginDrag(view, x); });
      if (grabbed) return true;  // a drag, not a click for the read-out
      break;
    }
    case QEvent::MouseMove: {
      if (!cursors_.Dragging()) break;
      const int x = static_cast<QMouseEvent*>(event)->position().toPoint().x();
      handle_([&] { cursors_.DragTo(x); });
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* e = static_cast<QMouseEvent*>(event);
      if (cursors_.Dragging() && e->button() == Qt::LeftButton) {
        handle_([&] { cursors_.EndDrag(); });
        return true;
      }
      if (e->button() == Qt::RightButton) {
        const int x = e->position().toPoint().x();
        const QPoint global = e->globalPosition().toPoint();
        QTimer::singleShot(0, this, [this, view, x, global] { ShowMenu(view, x, global); });
      }
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace pulse::ui
