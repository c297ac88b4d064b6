// Loads arbitrary bytes as a record file and replays every loaded line into
// three views, checking the loader's and the replay's promises.
//
// Input: one byte of options (unit, sample rate), then the file's bytes. The
// file is an anonymous memory file reached by its /proc/self/fd path, so the
// loader runs its real stat/open/read path without touching any disk.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "form/form_state.h"
#include "form/main_controls.h"
#include "protocol/units.h"
#include "tests/support/fake_view_plot.h"
#include "window/recording.h"
#include "window/replay_line.h"
#include "window/views.h"

using namespace pulse::form;

namespace {

using pulse::test::FakeViewPlot;

void Check(bool ok) {
  if (!ok) std::abort();
}

// Rates a device may report, including the 0 a frequency acknowledgement can carry.
constexpr int kRates[] = {200, 0, 1, 1000};

int MemoryFile() {
  static const int kFd = [] {
    const int f = ::memfd_create("fuzz_replay", MFD_CLOEXEC);
    Check(f >= 0);
    return f;
  }();
  return kFd;
}

void WriteFile(int fd, const uint8_t* data, size_t size) {
  Check(::ftruncate(fd, 0) == 0);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    Check(n > 0);
    done += static_cast<size_t>(n);
  }
}

// The text as the loader should see it: without a leading byte order mark,
// CR LF and CR turned into LF, each line ended by LF.
std::string Normalised(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t options = data[0];
  const int fd = MemoryFile();
  WriteFile(fd, data + 1, size - 1);
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  TFormState state;
  TMainControls controls;
  state.UnitFactor = pulse::protocol::UnitFactorFor(options & 3, state.UnitFactor);
  state.SampleRate = kRates[(options >> 2) & 3];
  FakeViewPlot p1, p2, p3;
  pulse::window::WaveViews views(state, controls, {&p1, &p2, &p3});
  pulse::window::RecordReplay replay(state, controls, views);

  std::vector<std::string> lines;
  try {
    lines = pulse::window::LoadTextLines(path);
  } catch (const pulse::window::RecordFileError&) {
    // Refused as a whole: the loading button must leave the lists alone too.
    bool threw = false;
    try {
      replay.Button18Click([&] { return std::optional<std::string>(path); });
    } catch (const pulse::window::RecordFileError&) {
      threw = true;
    }
    Check(threw && !state.ReplayList && controls.Memo1.lines.Count() == 0);
    return 0;
  }

  // Nothing dropped, nothing invented: the lines are the text, line for line.
  std::string joined;
  for (const std::string& line : lines) {
    Check(line.size() <= pulse::window::kMaxRecordLineChars);
    Check(line.find_first_of("\r\n") == std::string::npos);
    joined += line;
    joined += '\n';
  }
  Check(joined == Normalised(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1)));

  Check(replay.Button18Click([&] { return std::optional<std::string>(path); }));
  Check(state.ReplayList && *state.ReplayList == lines && !state.Replaying);
  Check(replay.Button19Click());

  // One line per tick, each decodable line one sample, then one ending tick.
  size_t ticks = 0;
  for (;;) {
    const int32_t before = state.SampleCount1;
    const auto result = replay.ReplayTick();
    if (result.end_tick) break;
    Check(ticks < lines.size() && result.interval_ms == pulse::window::kReplayIntervalMs);
    const bool decodes = pulse::window::DecodeReplayLine(lines[ticks]).has_value();
    Check(state.SampleCount1 == before + (decodes ? 1 : 0));
    ++ticks;
  }
  Check(ticks == lines.size() && !state.Replaying);
  Check(!replay.ReplayTick().end_tick);

  for (const FakeViewPlot* p : {&p1, &p2, &p3}) {
    for (const auto& [x, y] : p->points) Check(std::isfinite(x) && std::isfinite(y));
    for (const auto& axis : p->axes) Check(axis.min <= axis.max && axis.ticks <= 21);
  }
  return 0;
}
