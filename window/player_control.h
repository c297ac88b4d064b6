// The player in the window: it indexes the file "载入" loaded, moves with the
// player bar, the keys and its own timed step, and draws the wave around its
// position into the three views, feeding the pulse analysis as it goes. It
// draws only; no played frame reaches the parser, so nothing of it is ever
// recorded into the rolling record or a session.
#pragma once

#include "form/tr.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "window/live_analysis.h"
#include "window/player.h"
#include "window/player_keys.h"
#include "window/view_plot.h"

namespace pulse::window {

// What the player bar shows.
struct PlayerBarModel {
  bool enabled = false;
  bool playing = false;
  int speed_index = static_cast<int>(PlayerSpeed::kOne);
  size_t frame_count = 0;
  size_t position = 0;
  std::string position_text;  // "12.35/60.00 s  帧 2469/12000"
};

// Captions of the speed choice, in PlayerSpeed order.
inline constexpr std::array<const char*, 7> kPlayerSpeedCaptions = {
    "0.25×", "0.5×", "1×", "2×", "4×", "8×", form::TrNoop("PlayerControl", "最快")};

class PlayerControl {
 public:
  using Clock = std::chrono::steady_clock;
  // Runs a step once after `ms` milliseconds on the main thread (the host's).
  using Schedule = std::function<void(int ms, std::function<void()>)>;
  static constexpr int kViewCount = 3;
  // The playing player redraws about 30 times a second.
  static constexpr int kTickMs = 33;
  // The span shown when the views' time axis has none.
  static constexpr double kFallbackSpanSeconds = 20.0;

  PlayerControl(const form::TFormState& state, form::TMainControls& controls,
                std::array<IViewPlot*, kViewCount> plots, LiveAnalysis& analysis, Schedule schedule,
                std::function<Clock::time_point()> now = Clock::now);
  ~PlayerControl();
  PlayerControl(const PlayerControl&) = delete;
  PlayerControl& operator=(const PlayerControl&) = delete;

  // Indexes `path`; the rate comes from its session metadata, else 200 per
  // second. Nothing is drawn until the player is used. Returns an error
  // text, empty on success; the player is then unloaded.
  [[nodiscard]] std::string Load(const std::string& path);
  void Unload();
  [[nodiscard]] bool Loaded() const { return player_ != nullptr; }
  // Only while loaded.
  [[nodiscard]] const Player* Get() const { return player_.get(); }

  void TogglePlay();
  void Pause();
  void SetSpeed(PlayerSpeed speed);
  void Apply(PlayerAction action);
  void SeekFrame(size_t frame);
  void SeekSeconds(double seconds);
  // A key of the player; false when it is not one (or nothing is loaded).
  [[nodiscard]] bool Key(PlayerKey key, bool shift);

  // Draws the wave around the position into the views and feeds the
  // analysis the frames it has not seen.
  void Show();
  // Runs before any player action draws: the window ends a running 模拟.
  std::function<void()> before_draw;

  [[nodiscard]] const PlayerBarModel& Bar() const { return bar_; }
  // Bumped whenever the bar changes, so the widgets copy only news.
  [[nodiscard]] uint64_t Revision() const { return revision_; }
  // The last frame drawn and its time in seconds of the file.
  [[nodiscard]] std::optional<size_t> ShownFrame() const { return shown_frame_; }

 private:
  void Changed();
  void ScheduleTick();
  void Tick();
  void Feed(const std::vector<PlayerSample>& samples);
  [[nodiscard]] double Span() const;

  const form::TFormState& state_;
  form::TMainControls& controls_;
  std::array<IViewPlot*, kViewCount> plots_;
  LiveAnalysis& analysis_;
  Schedule schedule_;
  std::function<Clock::time_point()> now_;

  std::unique_ptr<records::RecordFile> file_;
  std::unique_ptr<Player> player_;
  PlayerBarModel bar_;
  uint64_t revision_ = 0;
  std::optional<size_t> shown_frame_;
  // The next frame the analysis expects; nothing after a jump.
  std::optional<size_t> fed_next_;
  std::array<int16_t, kViewCount> last_wave_{};  // held over a damaged line
  int last_channels_ = 0;
  bool tick_pending_ = false;
  Clock::time_point last_tick_{};
  // Guards the scheduled step against a destroyed player.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pulse::window
