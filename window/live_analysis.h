// The pulse analysis of the window: the same analyzer as the offline
// analysis, fed with every data frame the views draw (live or replayed). It
// keeps per channel the readout under the static pressure ("脉率: 72 bpm"
// and the signal quality) and places onset and peak marks on the waves.
#pragma once

#include "form/tr.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/pulse_analyzer.h"
#include "form/controls.h"
#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/data_frame_sink.h"
#include "window/beat_marks.h"

namespace pulse::window {

// What a channel's pulse readout shows.
struct PulseReadout {
  std::string text;  // "脉率: 72 bpm" or "脉率: --"
  analysis::SignalQuality quality = analysis::SignalQuality::kNoPulse;
  std::string hint;  // "信号质量: 良好" etc.
  bool operator==(const PulseReadout&) const = default;
};

// Readout texts for a rate (none: no pulse) and a quality.
[[nodiscard]] std::string PulseRateText(const std::optional<double>& bpm);
[[nodiscard]] std::string QualityHint(analysis::SignalQuality quality);

class LiveAnalysis {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kChannels = analysis::kChannels;
  // A stream that pauses this long has ended: the readouts say "no pulse"
  // and the next frame starts the analysis afresh (its time base has a gap).
  static constexpr std::chrono::milliseconds kStaleAfter{1500};
  // Recent samples kept per channel to place marks: over 8 s at the
  // device's highest rate, more than a beat's report delay at 30 bpm.
  static constexpr std::size_t kHistory = 2048;
  static constexpr const char* kShowBeatsCaption = form::TrNoop("LiveAnalysis", "显示心搏");

  LiveAnalysis(const form::TFormState& state, const form::TMainControls& controls);
  LiveAnalysis(const LiveAnalysis&) = delete;
  LiveAnalysis& operator=(const LiveAnalysis&) = delete;

  // Marks of views 1..3 (nullptr: none); they must outlive this object.
  void SetMarks(const std::array<IBeatMarks*, kChannels>& marks);

  // Frames the parser draws, and frames the replay draws.
  [[nodiscard]] pulse::protocol::IDataFrameSink& LiveSink() { return live_sink_; }
  [[nodiscard]] pulse::protocol::IDataFrameSink& ReplaySink() { return replay_sink_; }

  // A frame the player draws: `frame` is its index in the file and `rate`
  // the file's frames per second, so marks land at the file's own times.
  void FeedPlayed(const std::array<int16_t, kChannels>& wave_raw, int channels, int64_t frame,
                  int32_t rate);
  // The player jumped: the marks go and the next played frame starts the
  // analysis afresh.
  void RestartPlayed();

  // Timer duty: notices a stream that stopped and a silent pulse, and
  // clears the marks of a view whose wave was cleared without new frames.
  void Tick(Clock::time_point now);

  // The check box "显示心搏"; its model is set before the click handler runs.
  form::TCheckBox show_beats;
  void ShowBeatsClick();

  [[nodiscard]] const PulseReadout& Readout(int channel) const {
    return readouts_.at(static_cast<std::size_t>(channel));
  }
  // Bumped whenever a readout changes, so the widgets copy only news.
  [[nodiscard]] uint64_t Revision() const { return revision_; }
  [[nodiscard]] const analysis::PulseAnalyzer& Analyzer() const { return analyzer_; }

 private:
  enum class Source { kNone, kLive, kReplay, kPlayer };

  class Sink : public pulse::protocol::IDataFrameSink {
   public:
    Sink(LiveAnalysis& owner, Source source) : owner_(owner), source_(source) {}
    void OnDataFrame(const pulse::protocol::DataFrame1& frame) override;
    void OnDataFrame(const pulse::protocol::DataFrame3& frame) override;

   private:
    LiveAnalysis& owner_;
    Source source_;
  };

  void Feed(Source source, const std::array<int16_t, kChannels>& wave_raw, int channels,
            int32_t rate);
  void Restart(Source source, int channels, int32_t rate);
  void UpdateReadouts();
  void SetReadout(std::size_t channel, const PulseReadout& readout);
  // The views' sample counter that channel c is drawn with.
  [[nodiscard]] int32_t Counter(int channel) const;
  // Clears the marks of every view whose counter went back (its wave was cleared).
  void FollowCounters();
  void PlaceMarks(int channel, const analysis::Beat& beat, int64_t now);

  const form::TFormState& state_;
  const form::TMainControls& controls_;
  Sink live_sink_{*this, Source::kLive};
  Sink replay_sink_{*this, Source::kReplay};
  std::array<IBeatMarks*, kChannels> marks_{};

  analysis::PulseAnalyzer analyzer_;
  Source source_ = Source::kNone;
  int32_t rate_ = 0;        // samples per second the analyzer runs at
  double unit_factor_ = 0;  // unit the analyzer's values are in
  int channels_ = 0;        // channels of the frames fed
  bool restart_ = true;     // the next frame starts afresh
  std::array<std::array<double, kHistory>, kChannels> history_{};  // drawn wave values
  std::array<int32_t, kChannels> last_counter_{};
  int64_t played_frame_ = 0;  // file index of the frame the player fed last

  std::array<PulseReadout, kChannels> readouts_;
  uint64_t revision_ = 0;
  uint64_t frames_since_tick_ = 0;
  bool streaming_ = false;
  Clock::time_point last_activity_{};
};

}  // namespace pulse::window
