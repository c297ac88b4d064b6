#include "ui/player_bar.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>

#include "form/tr.h"
#include "window/player_control.h"
#include "window/view_cursors.h"

namespace pulse::ui {
namespace {

constexpr int kButtonHeight = PlayerBar::kHeight - 2;
constexpr int kSliderWidth = 110;
constexpr int kSpeedWidth = 58;
// The slider has int positions; a longer file moves it in coarser steps.
constexpr size_t kMaxSliderSteps = 1u << 30;

QToolButton* BarButton(const QString& text, const QString& hint, const char* name) {
  auto* b = new QToolButton;
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(hint);
  b->setFixedHeight(kButtonHeight);
  b->setAutoRaise(false);
  b->setFocusPolicy(Qt::NoFocus);  // the keys stay the player's
  return b;
}

size_t SliderDivisor(size_t frames) {
  return frames / kMaxSliderSteps + 1;
}

}  // namespace

PlayerBar::PlayerBar(window::PlayerControl& player, const window::ViewCursors& cursors,
                     Handle handle, QWidget* parent)
    : QWidget(parent), player_(player), cursors_(cursors), handle_(std::move(handle)) {
  setObjectName(QStringLiteral("P_player"));
  setFixedHeight(kHeight);
  auto* h = new QHBoxLayout(this);
  h->setContentsMargins(2, 1, 2, 1);
  h->setSpacing(2);
  play_ = BarButton(QCoreApplication::translate("PlayerBar", kPlayCaption),
                    QCoreApplication::translate("PlayerBar", "回放载入的文件: 播放或暂停 (空格)"),
                    "Bt_play");
  step_back_ = BarButton(QStringLiteral("|<"),
                         QCoreApplication::translate("PlayerBar", "后退一帧 (←)"), "Bt_stepBack");
  step_forward_ =
      BarButton(QStringLiteral(">|"), QCoreApplication::translate("PlayerBar", "前进一帧 (→)"),
                "Bt_stepForward");
  jump_back_ =
      BarButton(QCoreApplication::translate("PlayerBar", "-5秒"),
                QCoreApplication::translate("PlayerBar", "后退 5 秒 (Shift+←)"), "Bt_back5");
  jump_forward_ =
      BarButton(QCoreApplication::translate("PlayerBar", "+5秒"),
                QCoreApplication::translate("PlayerBar", "前进 5 秒 (Shift+→)"), "Bt_forward5");
  speed_ = new QComboBox;
  speed_->setObjectName(QStringLiteral("cb_speed"));
  speed_->setToolTip(QCoreApplication::translate("PlayerBar", "回放速度 (1× 为文件的采样频率)"));
  speed_->setFocusPolicy(Qt::NoFocus);
  speed_->setFixedSize(kSpeedWidth, kButtonHeight);
  for (const char* caption : window::kPlayerSpeedCaptions)
    speed_->addItem(QCoreApplication::translate("PlayerControl", caption));
  slider_ = new QSlider(Qt::Horizontal);
  slider_->setObjectName(QStringLiteral("sl_seek"));
  slider_->setToolTip(QCoreApplication::translate("PlayerBar", "拖动定位"));
  slider_->setFocusPolicy(Qt::NoFocus);
  slider_->setFixedWidth(kSliderWidth);
  position_ = new QLabel;
  position_->setObjectName(QStringLiteral("Label_position"));
  // Room for a typical text, so the read-out beside it does not jump at every frame.
  position_->setMinimumWidth(position_->fontMetrics().horizontalAdvance(QString::fromStdString(
      form::Format(form::Tr("PlayerControl", "%1 s  帧 %2/%3"), {"00.00/00.00", "0000", "0000"}))));
  readout_ = new QLabel;
  readout_->setObjectName(QStringLiteral("Label_cursors"));
  // A long read-out is cut at the window's edge; it never widens the window.
  readout_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  readout_->setMinimumWidth(0);
  readout_->setToolTip(QCoreApplication::translate(
      "PlayerBar", "测量光标: 在波形图上按 A 或 B 键或用右键菜单放置, 拖动顶部的手柄移动"));
  for (QWidget* w : {static_cast<QWidget*>(play_), static_cast<QWidget*>(speed_),
                     static_cast<QWidget*>(step_back_), static_cast<QWidget*>(step_forward_),
                     static_cast<QWidget*>(jump_back_), static_cast<QWidget*>(jump_forward_),
                     static_cast<QWidget*>(slider_), static_cast<QWidget*>(position_)})
    h->addWidget(w);
  h->addSpacing(6);
  h->addWidget(readout_, 1);

  window::PlayerControl* p = &player_;
  auto on = [this](QToolButton* b, std::function<void()> f) {
    connect(b, &QToolButton::clicked, this, [this, f] { handle_(f); });
  };
  on(play_, [p] { p->TogglePlay(); });
  on(step_back_, [p] { p->Apply(window::PlayerAction::kStepBack); });
  on(step_forward_, [p] { p->Apply(window::PlayerAction::kStepForward); });
  on(jump_back_, [p] { p->Apply(window::PlayerAction::kJumpBack); });
  on(jump_forward_, [p] { p->Apply(window::PlayerAction::kJumpForward); });
  connect(speed_, &QComboBox::currentIndexChanged, this, [this, p](int index) {
    if (index < 0) return;
    handle_([p, index] { p->SetSpeed(static_cast<window::PlayerSpeed>(index)); });
  });
  connect(slider_, &QSlider::valueChanged, this, [this, p](int value) {
    const window::PlayerBarModel& bar = p->Bar();
    const size_t frame = static_cast<size_t>(value) * SliderDivisor(bar.frame_count);
    if (frame == bar.position) return;
    handle_([p, frame] {
      p->Pause();
      p->SeekFrame(frame);
    });
  });
  Sync();
}

void PlayerBar::Sync() {
  if (player_.Revision() != player_revision_) {
    player_revision_ = player_.Revision();
    const window::PlayerBarModel& bar = player_.Bar();
    for (QWidget* w : {static_cast<QWidget*>(play_), static_cast<QWidget*>(speed_),
                       static_cast<QWidget*>(step_back_), static_cast<QWidget*>(step_forward_),
                       static_cast<QWidget*>(jump_back_), static_cast<QWidget*>(jump_forward_),
                       static_cast<QWidget*>(slider_)})
      w->setEnabled(bar.enabled);
    play_->setText(
        QCoreApplication::translate("PlayerBar", bar.playing ? kPauseCaption : kPlayCaption));
    {
      const QSignalBlocker block(speed_);
      speed_->setCurrentIndex(bar.speed_index);
    }
    {
      const QSignalBlocker block(slider_);
      const size_t divisor = SliderDivisor(bar.frame_count);
      slider_->setRange(
          0, bar.frame_count == 0 ? 0 : static_cast<int>((bar.frame_count - 1) / divisor));
      slider_->setValue(static_cast<int>(bar.position / divisor));
    }
    position_->setText(QString::fromStdString(bar.position_text));
  }
  if (cursors_.Revision() != cursors_revision_) {
    cursors_revision_ = cursors_.Revision();
    readout_->setText(QString::fromStdString(cursors_.Text()));
  }
}

}  // namespace pulse::ui
