// The player bar: a compact strip under the views with play/pause, the speed,
// a frame back and forward, 5 s back and forward, the seek slider with time
// and frame, and the measurement cursors' read-out. It mirrors the window's
// PlayerControl and ViewCursors and forwards the operator's actions to them.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QSlider;
class QToolButton;

namespace pulse::window {
class PlayerControl;
class ViewCursors;
}  // namespace pulse::window

namespace pulse::ui {

class PlayerBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kHeight = 24;
  static constexpr const char* kPlayCaption = QT_TRANSLATE_NOOP("PlayerBar", "播放");
  static constexpr const char* kPauseCaption = QT_TRANSLATE_NOOP("PlayerBar", "暂停");

  // Runs a handler of the window, then has the window synced.
  using Handle = std::function<void(const std::function<void()>&)>;

  PlayerBar(window::PlayerControl& player, const window::ViewCursors& cursors, Handle handle,
            QWidget* parent = nullptr);

  // Copies the player's and the cursors' models into the widgets when they changed.
  void Sync();

  QToolButton* Play() const { return play_; }
  QComboBox* Speed() const { return speed_; }
  QSlider* Slider() const { return slider_; }
  QLabel* Position() const { return position_; }
  QLabel* Readout() const { return readout_; }
  QToolButton* StepBack() const { return step_back_; }
  QToolButton* StepForward() const { return step_forward_; }
  QToolButton* JumpBack() const { return jump_back_; }
  QToolButton* JumpForward() const { return jump_forward_; }

 private:
  window::PlayerControl& player_;
  const window::ViewCursors& cursors_;
  Handle handle_;
  QToolButton* play_ = nullptr;
  QComboBox* speed_ = nullptr;
  QToolButton* step_back_ = nullptr;
  QToolButton* step_forward_ = nullptr;
  QToolButton* jump_back_ = nullptr;
  QToolButton* jump_forward_ = nullptr;
  QSlider* slider_ = nullptr;
  QLabel* position_ = nullptr;
  QLabel* readout_ = nullptr;
  uint64_t player_revision_ = ~0ull;
  uint64_t cursors_revision_ = ~0ull;
};

}  // namespace pulse::ui
