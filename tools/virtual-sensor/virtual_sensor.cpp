#include "tools/virtual-sensor/virtual_sensor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <sstream>
#include <system_error>

#include "tools/virtual-sensor/device_frames.h"
#include "tools/virtual-sensor/pulse_model.h"
#include "tools/virtual-sensor/rng.h"

namespace pulse::vsensor {

using Clock = std::chrono::steady_clock;
using Duration = Clock::duration;

namespace {

constexpr int kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
// Above this much unsent output nobody is reading: new data frames are discarded, as the
// bytes of a real line would be lost at the far end.
constexpr std::size_t kMaxQueuedBytes = 64 * 1024;
// On a paced line the device's own transmit buffer holds about this much line time; samples
// that do not fit are dropped, so replies are never stuck behind seconds of old samples.
constexpr double kLineBufferSeconds = 0.1;
constexpr std::size_t kMinLineBuffer = 256;
// With byte pacing, wake at most once per millisecond and send what the line took meanwhile.
constexpr auto kPacingGranularity = std::chrono::milliseconds(1);
// The host's reader ends a chunk after 2 ms of silence; 3 ms and more makes split frames
// arrive in separate chunks.
constexpr auto kSplitGapMin = std::chrono::milliseconds(3);
constexpr auto kSplitGapMax = std::chrono::milliseconds(4);
// Mostly two pieces, sometimes three: on average the gaps still fit in the 5 ms between frames
// at the default rate.
constexpr double kThreePiecesChance = 0.25;
constexpr int kNoiseBurstMax = 8;
// A damaged frame loses 1 to this many bytes, never its F0 1F.
constexpr int kMaxLostBytes = 4;
constexpr std::size_t kSyncBytes = 2;
// If the thread fell this far behind (stopped in a debugger, machine stalled), skip ahead
// instead of sending a burst of stale frames.
constexpr int kMaxCatchUpFrames = 1000;
// Unpaced mode tops the output up by this many frames whenever it runs dry.
constexpr int kUnpacedBatch = 32;
constexpr std::size_t kReadChunk = 256;

std::system_error SysError(const char* what) {
  return std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd, const char* what) {
  termios t{};
  if (tcgetattr(fd, &t) != 0) throw SysError(what);
  cfmakeraw(&t);
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &t) != 0) throw SysError(what);
}

// Both ends of a fresh pseudo-terminal, raw, the master non-blocking.
struct PtyEnds {
  int master = -1;
  int slave = -1;
  std::string name;
};

PtyEnds OpenPty() {
  PtyEnds ends;
  ends.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (ends.master < 0) throw SysError("posix_openpt");
  try {
    if (grantpt(ends.master) != 0) throw SysError("grantpt");
    if (unlockpt(ends.master) != 0) throw SysError("unlockpt");
    char name[128];
    if (ptsname_r(ends.master, name, sizeof name) != 0) throw SysError("ptsname_r");
    ends.name = name;
    ends.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (ends.slave < 0) throw SysError("open pseudo-terminal slave");
    // A fresh pty is a cooked terminal that would echo our frames back to us.
    MakeRaw(ends.slave, "raw mode (slave)");
    MakeRaw(ends.master, "raw mode (master)");
    if (fcntl(ends.master, F_SETFL, fcntl(ends.master, F_GETFL) | O_NONBLOCK) != 0)
      throw SysError("O_NONBLOCK");
  } catch (...) {
    close(ends.master);
    if (ends.slave >= 0) close(ends.slave);
    throw;
  }
  return ends;
}

// Makes `link` point at `target`, replacing a link left by an earlier run but never a real file.
void PlaceLink(const std::string& link, const std::string& target) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      errno = EEXIST;
      throw SysError("--link target exists and is not a symbolic link");
    }
    unlink(link.c_str());
  }
  if (symlink(target.c_str(), link.c_str()) != 0) throw SysError("symlink");
}

// Removes `link` only if it still points at `target`.
void RemoveLink(const std::string& link, const std::string& target) {
  if (link.empty() || target.empty()) return;
  char buf[256];
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  if (n > 0 && target == std::string(buf, static_cast<std::size_t>(n))) unlink(link.c_str());
}

// Noise never contains the sync or device direction byte, so it can never complete a header
// with what surrounds it: every intact frame stays findable.
std::uint8_t NoiseByte(Rng& rng) {
  for (;;) {
    const auto b = static_cast<std::uint8_t>(rng.Next() & 0xFF);
    if (b != kSync && b != kDeviceToHost) return b;
  }
}

}  // namespace

const char* CommandName(Command command) {
  switch (command) {
    case kStart:
      return "start";
    case kStop:
      return "stop";
    case kReadZero:
      return "read-zero";
    case kSetFrequency:
      return "set-frequency";
    case kZero:
      return "zero";
    case kSerialNumber:
      return "serial-number";
    case kProductionDate:
      return "production-date";
    case kCommandCount:
      break;
  }
  return "?";
}

std::string Stats::Describe() const {
  std::ostringstream o;
  o << "data frames intact:        " << data_frames_intact << '\n'
    << "data frames bad checksum:  " << data_frames_bad_checksum << '\n'
    << "data frames lost bytes:    " << data_frames_lost_bytes << '\n'
    << "data frames discarded:     " << data_frames_discarded << '\n';
  for (int c = 0; c < kCommandCount; ++c) {
    o << "command " << CommandName(static_cast<Command>(c)) << ": received " << commands_received[c]
      << ", replies " << replies_sent[c] << ", ignored " << acks_dropped[c] << '\n';
  }
  o << "commands bad checksum:     " << commands_bad_checksum << '\n'
    << "commands unknown:          " << commands_unknown << '\n'
    << "garbage bytes from host:   " << garbage_bytes << '\n'
    << "noise bursts / bytes:      " << noise_bursts << " / " << noise_bytes << '\n'
    << "split frames:              " << split_frames << '\n'
    << "bytes written:             " << bytes_written << '\n'
    << "hang-ups:                  " << hangups << '\n'
    << "returns after a hang-up:   " << returns << '\n';
  return o.str();
}

// The device itself: owns the descriptors once started and runs on the sensor's thread.
class SensorLoop {
 public:
  SensorLoop(const Options& options, int master, int slave, std::string slave_name, int stop_fd,
             std::FILE* frame_log, std::FILE* truth)
      : options_(options),
        master_(master),
        slave_(slave),
        stop_fd_(stop_fd),
        frame_log_(frame_log),
        truth_(truth),
        model_(options.seed, options.script),
        faults_(options.seed ^ 0x5EED0FA17ull),
        rate_(options.rate),
        max_queued_(
            options.baud > 0 && !options.unpaced
                ? std::max(kMinLineBuffer, static_cast<std::size_t>(options.baud / kBitsPerByte *
                                                                    kLineBufferSeconds))
                : kMaxQueuedBytes),
        zero_values_(model_.ZeroValues()) {
    slave_name_ = std::move(slave_name);
    if (truth_ != nullptr) {
      std::fputs("channel,onset_s,peak_s,kind\n", truth_);
      model_.SetEventSink([this](const TrueEvent& e) { LogTruth(e); });
    }
  }

  ~SensorLoop() {
    CloseLine();
    if (stop_fd_ >= 0) close(stop_fd_);
    if (frame_log_ != nullptr) std::fclose(frame_log_);
    if (truth_ != nullptr && truth_ != stdout) std::fclose(truth_);
  }

  void Run();
  void RequestStop() {
    const std::uint64_t one = 1;
    // The counter cannot overflow here; a failed write would only mean it is already set.
    [[maybe_unused]] const auto n = write(stop_fd_, &one, sizeof one);
  }

  Stats GetStats() const {
    std::lock_guard lock(mu_);
    return stats_;
  }
  bool Finished() const {
    std::lock_guard lock(mu_);
    return finished_;
  }
  bool WaitFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mu_);
    return cv_.wait_for(lock, timeout, [this] { return finished_; });
  }
  bool Streaming() const {
    std::lock_guard lock(mu_);
    return streaming_shared_;
  }
  int Rate() const {
    std::lock_guard lock(mu_);
    return rate_shared_;
  }
  std::array<std::int16_t, 3> ZeroValues() const {
    std::lock_guard lock(mu_);
    return zero_values_;
  }
  std::string SlaveName() const {
    std::lock_guard lock(mu_);
    return slave_name_;
  }

 private:
  enum class Kind { kNone, kNoise, kData, kBadData, kShortData, kReply };
  struct Piece {
    std::vector<std::uint8_t> bytes;
    std::size_t offset = 0;
    Clock::time_point ready_at;  // not before this time
    Duration gap_before{};       // once the piece before it is out, wait this long
    Kind kind = Kind::kNone;     // counted when the last byte of the piece is out
    Command reply_to = kStart;
    bool split = false;
    std::vector<std::uint8_t> frame;  // for the frame log: the whole data frame, on its last piece
  };

  // Reads what the host wrote; false if the line is gone.
  bool HandleCommands(Clock::time_point now);
  void OnCommand(const ReceivedCommand& c, Clock::time_point now);
  void EnqueueReply(Command command, std::vector<std::uint8_t> data, Clock::time_point now);
  void EnqueueDataFrame(Clock::time_point now);
  void Enqueue(std::vector<std::uint8_t> bytes, Kind kind, Command reply_to, Clock::time_point now);
  void GenerateDueFrames(Clock::time_point now);
  // Writes what may go out now; returns false if the line is gone.
  bool Flush(Clock::time_point now);
  void Counted(const Piece& p);
  void LogFrame(const Piece& p);
  void LogTruth(const TrueEvent& e);
  void PublishState();
  // Before a hang-up that comes back: the link and the terminal's name are gone.
  void DropLink();
  // After a hang-up: waits return_after seconds and opens a new terminal at the link, the
  // device freshly powered. False when stopped meanwhile or the terminal cannot be had.
  bool ComeBack();
  void CloseLine() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
  }
  void Finish() {
    std::lock_guard lock(mu_);
    finished_ = true;
    streaming_shared_ = false;
    cv_.notify_all();
  }
  template <typename F>
  void Count(F f) {
    std::lock_guard lock(mu_);
    f(stats_);
  }

  const Options options_;
  int master_;
  int slave_;  // kept open so that the master never sees a hang-up before a host opens the slave
  int stop_fd_;
  std::FILE* frame_log_;  // owned; nullptr: no log
  std::FILE* truth_;      // owned unless stdout; nullptr: no truth wanted
  PulseModel model_;
  Rng faults_;
  CommandReader reader_;

  // Thread-owned device state.
  bool streaming_ = false;
  int rate_;
  Clock::time_point stream_t0_;
  std::uint64_t frames_scheduled_ = 0;  // since stream_t0_: frame k is due at t0 + k / rate
  bool after_damage_ = false;           // the last data frame queued lost bytes
  std::deque<Piece> out_;
  std::size_t queued_bytes_ = 0;
  const std::size_t max_queued_;  // beyond this, new data frames are discarded
  Clock::time_point line_free_;   // byte pacing: when the next byte may start
  std::deque<Clock::time_point> zero_due_;
  std::array<std::uint64_t, kCommandCount> received_{};
  std::optional<Clock::time_point> write_wake_;  // pacing or a split gap holds the output
  bool want_pollout_ = false;

  // Shared with the other threads.
  std::string slave_name_;  // empty while the terminal is away
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
  Stats stats_;
  bool finished_ = false;
  bool streaming_shared_ = false;
  int rate_shared_ = options_.rate;
  std::array<std::int16_t, 3> zero_values_;
};

void SensorLoop::LogTruth(const TrueEvent& e) {
  const char* kind = e.kind == TrueEvent::Kind::kBeat        ? "beat"
                     : e.kind == TrueEvent::Kind::kPremature ? "premature"
                                                             : "artefact";
  std::fprintf(truth_, "%d,%.4f,%.4f,%s\n", e.channel + 1, e.onset_s, e.peak_s, kind);
}

void SensorLoop::PublishState() {
  std::lock_guard lock(mu_);
  streaming_shared_ = streaming_;
  rate_shared_ = rate_;
  zero_values_ = model_.ZeroValues();
}

void SensorLoop::Counted(const Piece& p) {
  std::lock_guard lock(mu_);
  switch (p.kind) {
    case Kind::kNone:
      break;
    case Kind::kNoise:
      ++stats_.noise_bursts;
      stats_.noise_bytes += p.bytes.size();
      break;
    case Kind::kData:
      ++stats_.data_frames_intact;
      break;
    case Kind::kBadData:
      ++stats_.data_frames_bad_checksum;
      break;
    case Kind::kShortData:
      ++stats_.data_frames_lost_bytes;
      break;
    case Kind::kReply:
      ++stats_.replies_sent[p.reply_to];
      break;
  }
  // Only the last piece of a split frame carries its kind.
  if (p.split && p.kind != Kind::kNone) ++stats_.split_frames;
  if (frame_log_ != nullptr && !p.frame.empty()) LogFrame(p);
}

void SensorLoop::LogFrame(const Piece& p) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string line = p.kind == Kind::kData ? "intact" : p.kind == Kind::kBadData ? "bad" : "short";
  for (std::uint8_t b : p.frame) {
    line += ' ';
    line += kHex[b >> 4];
    line += kHex[b & 0x0F];
  }
  line += '\n';
  std::fputs(line.c_str(), frame_log_);
}

void SensorLoop::Enqueue(std::vector<std::uint8_t> bytes, Kind kind, Command reply_to,
                         Clock::time_point now) {
  queued_bytes_ += bytes.size();
  const bool data = kind == Kind::kData || kind == Kind::kBadData || kind == Kind::kShortData;
  std::vector<std::uint8_t> logged;
  if (frame_log_ != nullptr && data) logged = bytes;
  if (!options_.split || kind == Kind::kNoise || bytes.size() < 2) {
    out_.push_back(Piece{std::move(bytes), 0, now, {}, kind, reply_to, false, std::move(logged)});
    return;
  }
  // Two or three pieces at random cut points, each after a gap the host's reader notices.
  const int pieces =
      std::min<int>(faults_.Chance(kThreePiecesChance) ? 3 : 2, static_cast<int>(bytes.size()));
  std::vector<std::size_t> cuts;
  while (static_cast<int>(cuts.size()) < pieces - 1) {
    const auto cut =
        static_cast<std::size_t>(faults_.Between(1, static_cast<int>(bytes.size()) - 1));
    if (std::find(cuts.begin(), cuts.end(), cut) == cuts.end()) cuts.push_back(cut);
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.push_back(bytes.size());
  std::size_t from = 0;
  for (std::size_t i = 0; i < cuts.size(); ++i) {
    Piece p;
    p.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                   bytes.begin() + static_cast<std::ptrdiff_t>(cuts[i]));
    p.ready_at = now;
    if (i > 0) {
      const auto span = std::chrono::duration_cast<Duration>(kSplitGapMax - kSplitGapMin);
      p.gap_before = std::chrono::duration_cast<Duration>(kSplitGapMin) +
                     Duration(static_cast<Duration::rep>(faults_.Uniform() * span.count()));
    }
    const bool last = i + 1 == cuts.size();
    p.kind = last ? kind : Kind::kNone;
    if (last) p.frame = std::move(logged);
    p.reply_to = reply_to;
    p.split = true;
    out_.push_back(std::move(p));
    from = cuts[i];
  }
}

void SensorLoop::EnqueueReply(Command command, std::vector<std::uint8_t> data,
                              Clock::time_point now) {
  Enqueue(DeviceFrame(CommandCode(command), data), Kind::kReply, command, now);
}

void SensorLoop::EnqueueDataFrame(Clock::time_point now) {
  const double dt = 1.0 / std::max(rate_, 1);
  const Sample s = model_.Next(dt);
  const std::size_t n = options_.channels == 1 ? 1 : 3;
  std::vector<std::uint8_t> frame =
      DataFrame(std::span(s.static_raw).first(n), std::span(s.wave_raw).first(n));
  // Fault dice are thrown for every frame, so a fault option changes only what it injects.
  const bool bad = faults_.Chance(options_.bad_checksum);
  const auto wrong = static_cast<std::uint8_t>(faults_.Between(1, 255));
  const bool noisy = faults_.Chance(options_.noise);
  const int noise_len = faults_.Between(1, kNoiseBurstMax);
  const bool shorten = faults_.Chance(options_.lose_bytes);
  const int lost = faults_.Between(1, kMaxLostBytes);
  std::array<double, kMaxLostBytes> where{};
  for (double& u : where) u = faults_.Uniform();

  if (queued_bytes_ > max_queued_) {
    Count([](Stats& st) { ++st.data_frames_discarded; });
    return;
  }
  // Behind a damaged frame only a correct header can show where it ended: random bytes there
  // would pass the host's 8-bit checksum 1 time in 256 and make the damage look intact.
  const bool clean = after_damage_;
  after_damage_ = !clean && shorten;
  if (noisy && !clean) {
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(noise_len));
    for (auto& b : noise) b = NoiseByte(faults_);
    Enqueue(std::move(noise), Kind::kNoise, kStart, now);
  }
  if (clean) {
    Enqueue(std::move(frame), Kind::kData, kStart, now);
    return;
  }
  if (!shorten) {
    if (bad) frame.back() = static_cast<std::uint8_t>(frame.back() + wrong);
    Enqueue(std::move(frame), bad ? Kind::kBadData : Kind::kData, kStart, now);
    return;
  }
  // Distinct places among the bytes after F0 1F, each drawn from those still left.
  for (int i = 0; i < lost; ++i) {
    const std::size_t left = frame.size() - kSyncBytes;
    const auto at = kSyncBytes + std::min(left - 1, static_cast<std::size_t>(where[i] * left));
    frame.erase(frame.begin() + static_cast<std::ptrdiff_t>(at));
  }
  Enqueue(std::move(frame), Kind::kShortData, kStart, now);
}

void SensorLoop::GenerateDueFrames(Clock::time_point now) {
  if (!streaming_ || rate_ <= 0) return;
  if (options_.unpaced) {
    if (out_.empty())
      for (int i = 0; i < kUnpacedBatch; ++i) EnqueueDataFrame(now);
    return;
  }
  const auto due = [&](std::uint64_t k) {
    return stream_t0_ + std::chrono::duration_cast<Duration>(
                            std::chrono::duration<double>(static_cast<double>(k) / rate_));
  };
  int made = 0;
  while (due(frames_scheduled_) <= now) {
    if (++made > kMaxCatchUpFrames) {
      stream_t0_ = now;
      frames_scheduled_ = 0;
      break;
    }
    EnqueueDataFrame(now);
    ++frames_scheduled_;
  }
}

bool SensorLoop::Flush(Clock::time_point now) {
  want_pollout_ = false;
  write_wake_.reset();
  const Duration byte_time =
      options_.baud > 0 && !options_.unpaced
          ? std::chrono::duration_cast<Duration>(
                std::chrono::duration<double>(double{kBitsPerByte} / options_.baud))
          : Duration::zero();
  while (!out_.empty()) {
    Piece& p = out_.front();
    if (p.ready_at > now) {
      write_wake_ = p.ready_at;
      return true;
    }
    std::size_t n = p.bytes.size() - p.offset;
    if (byte_time > Duration::zero()) {
      // A byte cannot start before it was queued, nor before the previous one ended.
      if (p.offset == 0) line_free_ = std::max(line_free_, p.ready_at);
      if (line_free_ > now) {
        write_wake_ = std::max(line_free_, now + kPacingGranularity);
        return true;
      }
      const auto may = static_cast<std::size_t>((now - line_free_) / byte_time) + 1;
      n = std::min(n, may);
    }
    const ssize_t w = write(master_, p.bytes.data() + p.offset, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        want_pollout_ = true;
        return true;
      }
      return false;
    }
    const auto written = static_cast<std::size_t>(w);
    p.offset += written;
    queued_bytes_ -= written;
    line_free_ += byte_time * static_cast<Duration::rep>(written);
    Count([written](Stats& st) { st.bytes_written += written; });
    if (p.offset < p.bytes.size()) {
      if (written < n) {
        want_pollout_ = true;
        return true;
      }
      continue;  // paced: the rest when the line has taken this
    }
    Counted(p);
    out_.pop_front();
    if (!out_.empty() && out_.front().gap_before > Duration::zero()) {
      out_.front().ready_at = std::max(now, line_free_) + out_.front().gap_before;
    }
  }
  return true;
}

void SensorLoop::OnCommand(const ReceivedCommand& c, Clock::time_point now) {
  Count([&](Stats& st) { ++st.commands_received[c.command]; });
  if (++received_[c.command] <= static_cast<std::uint64_t>(std::max(options_.drop_acks, 0))) {
    Count([&](Stats& st) { ++st.acks_dropped[c.command]; });
    return;
  }
  switch (c.command) {
    case kStart:
      EnqueueReply(kStart, {}, now);
      if (!streaming_) {
        streaming_ = true;
        stream_t0_ = now;
        frames_scheduled_ = 0;
      }
      break;
    case kStop:
      EnqueueReply(kStop, {}, now);
      streaming_ = false;
      break;
    case kReadZero: {
      // A one-channel device reports its one zero value.
      const auto z = model_.ZeroValues();
      std::vector<std::uint8_t> data;
      const int n = options_.channels == 1 ? 1 : 3;
      for (int i = 0; i < n; ++i) {
        const auto u = static_cast<std::uint16_t>(z[i]);
        data.push_back(static_cast<std::uint8_t>(u & 0xFF));
        data.push_back(static_cast<std::uint8_t>(u >> 8));
      }
      EnqueueReply(kReadZero, std::move(data), now);
      break;
    }
    case kSetFrequency:
      EnqueueReply(kSetFrequency, {c.parameter}, now);
      // A rate of 0 is acknowledged and pauses the stream until another rate is set.
      rate_ = c.parameter;
      stream_t0_ = now;
      frames_scheduled_ = 0;
      break;
    case kZero:
      zero_due_.push_back(now + options_.zero_delay);
      break;
    case kSerialNumber:
      EnqueueReply(kSerialNumber, {options_.serial_number.begin(), options_.serial_number.end()},
                   now);
      break;
    case kProductionDate:
      EnqueueReply(kProductionDate,
                   {options_.production_date.begin(), options_.production_date.end()}, now);
      break;
    case kCommandCount:
      break;
  }
}

bool SensorLoop::HandleCommands(Clock::time_point now) {
  std::uint8_t buf[kReadChunk];
  for (;;) {
    const ssize_t n = read(master_, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (n <= 0) return false;
    const auto found = reader_.Feed({buf, static_cast<std::size_t>(n)});
    for (const auto& c : found) OnCommand(c, now);
  }
}

void SensorLoop::DropLink() {
  std::string gone;
  {
    std::lock_guard lock(mu_);
    gone.swap(slave_name_);
  }
  RemoveLink(options_.link, gone);
}

bool SensorLoop::ComeBack() {
  pollfd stop{stop_fd_, POLLIN, 0};
  const auto wait = std::chrono::duration<double>(options_.return_after);
  const Clock::time_point back_at = Clock::now() + std::chrono::duration_cast<Duration>(wait);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(back_at - Clock::now());
    if (left.count() <= 0) break;
    const int r = poll(&stop, 1, static_cast<int>(left.count()));
    if (r > 0) return false;
    if (r < 0 && errno != EINTR) return false;
  }
  PtyEnds ends;
  try {
    ends = OpenPty();
    if (!options_.link.empty()) PlaceLink(options_.link, ends.name);
  } catch (const std::system_error& e) {
    if (ends.master >= 0) close(ends.master);
    if (ends.slave >= 0) close(ends.slave);
    std::fprintf(stderr, "virtual-sensor: cannot come back: %s\n", e.what());
    return false;
  }
  master_ = ends.master;
  slave_ = ends.slave;
  // Plugged in again: powered up, silent until told to start; nothing from before is pending.
  streaming_ = false;
  out_.clear();
  queued_bytes_ = 0;
  zero_due_.clear();
  write_wake_.reset();
  want_pollout_ = false;
  after_damage_ = false;
  {
    std::lock_guard lock(mu_);
    slave_name_ = ends.name;
    ++stats_.returns;
  }
  PublishState();
  return true;
}

void SensorLoop::Run() {
  const Clock::time_point start = Clock::now();
  line_free_ = start;
  // No hang-up due: the end of time (an optional here trips the compiler's uninitialised check).
  Clock::time_point hangup_at = Clock::time_point::max();
  if (options_.hangup_after > 0) {
    hangup_at = start + std::chrono::duration_cast<Duration>(
                            std::chrono::duration<double>(options_.hangup_after));
  }
  bool line_ok = true;
  while (line_ok) {
    Clock::time_point now = Clock::now();
    if (now >= hangup_at) {
      // The adapter is pulled: whatever was in flight is lost with it. When it is to come
      // back, its link goes first, so whoever sees the hang-up finds the link gone.
      const bool comes_back = options_.return_after > 0;
      if (comes_back) DropLink();
      CloseLine();
      Count([](Stats& st) { ++st.hangups; });
      hangup_at = Clock::time_point::max();
      if (!comes_back || !ComeBack()) break;
      continue;
    }
    while (!zero_due_.empty() && zero_due_.front() <= now) {
      zero_due_.pop_front();
      model_.Zero();
      EnqueueReply(kZero, {}, now);
    }
    GenerateDueFrames(now);
    line_ok = Flush(now);
    PublishState();
    if (!line_ok) break;

    // Sleep until the next thing to do: a frame, a zero reply, paced output or the hang-up.
    std::optional<Clock::time_point> wake = write_wake_;
    auto earliest = [&](Clock::time_point t) { wake = wake ? std::min(*wake, t) : t; };
    if (streaming_ && rate_ > 0 && !options_.unpaced) {
      earliest(stream_t0_ + std::chrono::duration_cast<Duration>(std::chrono::duration<double>(
                                static_cast<double>(frames_scheduled_) / rate_)));
    }
    if (streaming_ && rate_ > 0 && options_.unpaced && out_.empty()) earliest(now);
    if (!zero_due_.empty()) earliest(zero_due_.front());
    if (hangup_at != Clock::time_point::max()) earliest(hangup_at);

    pollfd fds[2] = {{stop_fd_, POLLIN, 0},
                     {master_, static_cast<short>(POLLIN | (want_pollout_ ? POLLOUT : 0)), 0}};
    timespec ts{};
    timespec* timeout = nullptr;
    if (wake) {
      const auto left = std::max(Duration::zero(), *wake - Clock::now());
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      ts.tv_sec = static_cast<time_t>(ns / 1000000000);
      ts.tv_nsec = static_cast<long>(ns % 1000000000);
      timeout = &ts;
    }
    const int r = ppoll(fds, 2, timeout, nullptr);
    if (r < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents & POLLIN) break;
    if (fds[1].revents & (POLLERR | POLLNVAL)) break;
    if (fds[1].revents & (POLLIN | POLLHUP)) {
      line_ok = HandleCommands(Clock::now());
      const auto& rc = reader_.GetCounters();
      Count([&rc](Stats& st) {
        st.garbage_bytes = rc.garbage_bytes;
        st.commands_bad_checksum = rc.bad_checksum;
        st.commands_unknown = rc.unknown;
      });
    }
  }
  CloseLine();
  if (frame_log_ != nullptr) std::fflush(frame_log_);  // complete once Stop() returns
  if (truth_ != nullptr) std::fflush(truth_);
  PublishState();
  Finish();
}

VirtualSensor::VirtualSensor(Options options) : options_(std::move(options)) {
  if (options_.channels != 1) options_.channels = 3;
}

VirtualSensor::~VirtualSensor() {
  Stop();
}

void VirtualSensor::Start() {
  if (started_) throw std::logic_error("VirtualSensor::Start called twice");
  PtyEnds ends = OpenPty();
  int stop_fd = -1;
  std::FILE* frame_log = nullptr;
  std::FILE* truth = nullptr;
  try {
    stop_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stop_fd < 0) throw SysError("eventfd");
    if (!options_.frame_log.empty()) {
      frame_log = std::fopen(options_.frame_log.c_str(), "we");
      if (frame_log == nullptr) throw SysError("frame log");
    }
    if (options_.truth == "-") {
      truth = stdout;
    } else if (!options_.truth.empty()) {
      truth = std::fopen(options_.truth.c_str(), "we");
      if (truth == nullptr) throw SysError("truth file");
    }
    if (!options_.link.empty()) PlaceLink(options_.link, ends.name);
    slave_path_ = ends.name;
  } catch (...) {
    close(ends.master);
    close(ends.slave);
    if (stop_fd >= 0) close(stop_fd);
    if (frame_log != nullptr) std::fclose(frame_log);
    if (truth != nullptr && truth != stdout) std::fclose(truth);
    throw;
  }
  loop_ = std::make_unique<SensorLoop>(options_, ends.master, ends.slave, ends.name, stop_fd,
                                       frame_log, truth);
  started_ = true;
  thread_ = std::thread([this] { loop_->Run(); });
}

void VirtualSensor::Stop() {
  if (!started_) return;
  if (thread_.joinable()) {
    loop_->RequestStop();
    thread_.join();
  }
  // Our link only, and only while it points at our terminal: a hang-up removed it already.
  if (loop_) RemoveLink(options_.link, loop_->SlaveName());
}

std::string VirtualSensor::CurrentSlavePath() const {
  return loop_ ? loop_->SlaveName() : std::string();
}

bool VirtualSensor::Running() const {
  return started_ && loop_ && !loop_->Finished();
}

bool VirtualSensor::WaitFinished(std::chrono::milliseconds timeout) const {
  if (!loop_) return true;
  return loop_->WaitFinished(timeout);
}

Stats VirtualSensor::GetStats() const {
  return loop_ ? loop_->GetStats() : Stats{};
}

bool VirtualSensor::Streaming() const {
  return loop_ && loop_->Streaming();
}

int VirtualSensor::Rate() const {
  return loop_ ? loop_->Rate() : options_.rate;
}

std::array<std::int16_t, 3> VirtualSensor::ZeroValues() const {
  return loop_ ? loop_->ZeroValues() : std::array<std::int16_t, 3>{};
}

}  // namespace pulse::vsensor
