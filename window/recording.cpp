#include "window/recording.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "protocol/units.h"
#include "records/atomic_file.h"
#include "window/replay_line.h"
// Last: it brings the namespace pulse::protocol, which hides ::protocol below.
#include "records/record_file.h"

namespace pulse::window {
namespace {

constexpr std::string_view kTxt = ".txt";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kReadChunk = 64 * 1024;

std::string Describe(const std::string& what, const std::string& path, int err) {
  return what + " \"" + path + "\": " + std::strerror(err);
}

// The replay decodes values from two bytes, so they fit.
std::int16_t Raw16(std::int32_t v) {
  return static_cast<std::int16_t>(v);
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Control characters other than the usual white space do not occur in text.
bool IsBinaryByte(unsigned char c) {
  return c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f';
}

// Closes the descriptor on every way out.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

std::string ReadCapped(const std::string& name) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  Fd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.Get() < 0) throw RecordFileError(Describe("Cannot open file", name, errno));
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) throw RecordFileError(Describe("Cannot read file", name, errno));
  if (!S_ISREG(st.st_mode)) throw RecordFileError("\"" + name + "\" is not a regular file");
  if (static_cast<std::uint64_t>(st.st_size) > kMaxRecordFileBytes) {
    throw RecordFileError("\"" + name + "\" is too large for a record file (over " +
                          std::to_string(kMaxRecordFileBytes / (1024 * 1024)) + " MB)");
  }
  std::string data;
  data.reserve(static_cast<std::size_t>(st.st_size));
  char chunk[kReadChunk];
  for (;;) {
    const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw RecordFileError(Describe("Cannot read file", name, errno));
    }
    if (n == 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
    // The file may grow while it is read.
    if (data.size() > kMaxRecordFileBytes) {
      throw RecordFileError("\"" + name + "\" is too large for a record file");
    }
  }
  return data;
}

}  // namespace

std::string RecordFileName(std::string_view chosen) {
  bool has_txt = chosen.size() >= kTxt.size();
  for (std::size_t i = 0; has_txt && i < kTxt.size(); ++i) {
    has_txt = Lower(chosen[chosen.size() - kTxt.size() + i]) == kTxt[i];
  }
  std::string name(chosen);
  if (!has_txt) name += kTxt;
  return name;
}

void WriteTextLines(const std::string& path, const std::deque<std::string>& lines) {
  std::string data;
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + kLineEnd.size();
  data.reserve(size);
  for (const std::string& line : lines) {
    data += line;
    data += kLineEnd;
  }

  const records::FileWriteResult r = records::ReplaceFileContents(path, data);
  if (r.Ok()) return;
  const char* what =
      r.stage == records::FileWriteStage::kCreate ? "Cannot create file" : "Cannot write file";
  throw RecordFileError(std::string(what) + " \"" + path + "\": " + r.Reason());
}

std::vector<std::string> LoadTextLines(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) {
    if (errno != ENOENT) throw RecordFileError(Describe("Cannot open file", name, errno));
    // A name that does not exist yet becomes an empty record file.
    Fd fd(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.Get() < 0) throw RecordFileError(Describe("Cannot create file", name, errno));
    return {};
  }

  std::string data = ReadCapped(name);
  std::string_view rest(data);
  if (rest.substr(0, kUtf8Bom.size()) == kUtf8Bom) rest.remove_prefix(kUtf8Bom.size());

  std::vector<std::string> lines;
  std::size_t line_no = 1;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= rest.size(); ++i) {
    const bool at_end = i == rest.size();
    const char c = at_end ? '\n' : rest[i];
    if (!at_end && IsBinaryByte(static_cast<unsigned char>(c))) {
      throw RecordFileError("\"" + name + "\" is not a text file (binary data in line " +
                            std::to_string(line_no) + ")");
    }
    if (c != '\r' && c != '\n') continue;
    if (i - start > kMaxRecordLineChars) {
      throw RecordFileError("\"" + name + "\" is not a record file (line " +
                            std::to_string(line_no) + " is longer than " +
                            std::to_string(kMaxRecordLineChars) + " characters)");
    }
    // The text after the last line end is a line only when it is not empty.
    if (!at_end || i > start) lines.emplace_back(rest.substr(start, i - start));
    if (c == '\r' && i + 1 < rest.size() && rest[i + 1] == '\n') ++i;
    start = i + 1;
    ++line_no;
  }
  return lines;
}

RecordReplay::RecordReplay(form::TFormState& state, form::TMainControls& controls, WaveViews& views)
    : state_(state), controls_(controls), views_(views) {}

RecordReplay::~RecordReplay() = default;

std::optional<std::string> RecordReplay::Button20Click(const FileDialog& ask_save_name) {
  if (state_.RecordList.empty()) return std::nullopt;
  const std::optional<std::string> chosen = ask_save_name();
  if (!chosen || chosen->empty()) return std::nullopt;
  std::string path = RecordFileName(*chosen);
  WriteTextLines(path, state_.RecordList);
  return path;
}

bool RecordReplay::Button18Click(const FileDialog& ask_open_name) {
  const std::optional<std::string> chosen = ask_open_name();
  if (!chosen || chosen->empty()) return false;
  struct stat st {};
  const bool large = ::stat(chosen->c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                     static_cast<std::uint64_t>(st.st_size) > kMaxWholeLoadBytes;
  if (!large) {
    std::vector<std::string> lines = LoadTextLines(*chosen);
    controls_.Memo1.lines.Assign(lines);
    state_.ReplayList = std::move(lines);
    indexed_.reset();
  } else {
    records::RecordFileOpen opened = records::RecordFile::Open(*chosen);
    if (!opened.file) throw RecordFileError(opened.error);
    const records::RecordFile& file = *opened.file;
    // The log is for reading, not for holding an hour of frames.
    std::vector<std::string> preview;
    const std::size_t shown = std::min<std::size_t>(file.LineCount(), kLogPreviewLines);
    preview.reserve(shown + 1);
    const std::string err = file.ForEachLine([&](std::size_t, std::string_view text) {
      preview.emplace_back(text);
      return preview.size() < shown;
    });
    if (!err.empty()) throw RecordFileError(err);
    preview.push_back(form::Format(
        form::Tr("RecordReplay", "…… 文件共 %1 行，日志只显示前 %2 行；模拟回放全部行"),
        {std::to_string(file.LineCount()), std::to_string(shown)}));
    controls_.Memo1.lines.Assign(std::move(preview));
    state_.ReplayList.emplace();
    indexed_ = std::move(opened.file);
  }
  loaded_path_ = *chosen;
  state_.ReplayIndex = 0;
  state_.Replaying = false;
  controls_.StatusBar1.Panel(form::StatusPanel::kLinkState).text =
      form::Tr("RecordReplay", kLoadedStatusText);
  return true;
}

std::size_t RecordReplay::LoadedLineCount() const {
  if (indexed_) return indexed_->LineCount();
  return state_.ReplayList ? state_.ReplayList->size() : 0;
}

bool RecordReplay::Button19Click() {
  if (!state_.ReplayList) return false;
  state_.Replaying = true;
  state_.ReplayIndex = 0;
  views_.ClearViews();
  views_.ResetAxes();
  return true;
}

RecordReplay::TickResult RecordReplay::ReplayTick() {
  if (!state_.Replaying) return {false, kIdleIntervalMs};
  if (!state_.ReplayList) {
    state_.Replaying = false;
    return {false, kIdleIntervalMs};
  }
  const std::size_t count = LoadedLineCount();
  if (state_.ReplayIndex < 0 || static_cast<std::size_t>(state_.ReplayIndex) >= count) {
    state_.Replaying = false;
    state_.ReplayIndex = 0;
    return {true, kIdleIntervalMs};
  }
  const auto index = static_cast<std::size_t>(state_.ReplayIndex);
  if (indexed_) {
    // A line that can no longer be read (the file was cut) is skipped like a damaged one.
    if (const std::optional<std::string> line = indexed_->Line(index)) ReplayLine(*line);
  } else {
    ReplayLine((*state_.ReplayList)[index]);
  }
  ++state_.ReplayIndex;
  return {false, kReplayIntervalMs};
}

void RecordReplay::ReplayLine(std::string_view text) {
  const std::optional<ReplayFrame> frame = DecodeReplayLine(text);
  if (!frame) return;
  const double f = state_.UnitFactor;
  auto static_value = [f](std::int32_t raw) {
    return static_cast<double>(raw) * f / protocol::kStaticDivisor;
  };
  auto wave_value = [f](std::int32_t raw) {
    return static_cast<double>(raw) * f / protocol::kWaveDivisor;
  };
  if (frame->kind == ReplayFrame::Kind::kOneChannel) {
    ++state_.SampleCount1;
    views_.ShowChannel1(true, state_.SampleCount1, wave_value(frame->wave_raw[0]),
                        static_value(frame->static_raw[0]));
    if (sink_ != nullptr)
      sink_->OnDataFrame(
          pulse::protocol::DataFrame1{Raw16(frame->static_raw[0]), Raw16(frame->wave_raw[0])});
    return;
  }
  // A three-channel line shows "停止采样" on the start button, as live data
  // does; the sampling state itself is the device's and stays as it is.
  views_.ShowSamplingState(true);
  ++state_.SampleCount1;
  views_.ShowChannel1(true, state_.SampleCount1, wave_value(frame->wave_raw[0]),
                      static_value(frame->static_raw[0]));
  ++state_.SampleCount2;
  views_.ShowChannel2(state_.SampleCount2, wave_value(frame->wave_raw[1]),
                      static_value(frame->static_raw[1]));
  ++state_.SampleCount3;
  views_.ShowChannel3(state_.SampleCount3, wave_value(frame->wave_raw[2]),
                      static_value(frame->static_raw[2]));
  if (sink_ != nullptr) {
    pulse::protocol::DataFrame3 typed;
    for (std::size_t c = 0; c < typed.wave_raw.size(); ++c) {
      typed.static_raw[c] = Raw16(frame->static_raw[c]);
      typed.wave_raw[c] = Raw16(frame->wave_raw[c]);
    }
    sink_->OnDataFrame(typed);
  }
}

}  // namespace pulse::window
