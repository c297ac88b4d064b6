// The pulse sensor, simulated on a pseudo-terminal: the program, its tests, its benchmarks and
// the demo mode talk to it through the real serial layer as they would to the device.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "tools/virtual-sensor/pulse_model.h"

namespace pulse::vsensor {

// The commands the device understands. Code 0x33 means two commands, told apart by the length.
enum Command : int {
  kStart,           // 0x31
  kStop,            // 0x32
  kReadZero,        // 0x33, length 1
  kSetFrequency,    // 0x33, length 2
  kZero,            // 0x35
  kSerialNumber,    // 0x36
  kProductionDate,  // 0x37
  kCommandCount
};

// Short name of a command ("start", "read-zero", ...), for printing.
[[nodiscard]] const char* CommandName(Command command);

struct Options {
  std::uint64_t seed = 1;   // same seed, same waveforms and same faults
  int channels = 3;         // 3: three-channel data frames; 1: one-channel data frames
  int rate = 200;           // data frames per second until the host sets another rate
  int baud = 0;             // > 0: bytes leave at baud/10 bytes per second; 0: no byte pacing
  bool unpaced = false;     // data frames as fast as the reader takes them (ignores rate and baud)
  double noise = 0;         // probability of a burst of random bytes before each data frame
  double bad_checksum = 0;  // probability of a data frame with a wrong checksum
  // Probability of a data frame losing 1 to 4 of its bytes after F0 1F. The data frame after
  // such a frame goes out without faults, so the host can tell where the damaged one ended.
  double lose_bytes = 0;
  int drop_acks = 0;        // ignore (no action, no reply) the first N of each command
  bool split = false;       // write each frame in 2 or 3 pieces with gaps of 3 to 4 ms
  double hangup_after = 0;  // > 0: close the pseudo-terminal this many seconds after Start()
  // > 0: after the hang-up, a new pseudo-terminal comes back this many seconds later (once),
  // at the same `link`, with the device as after power-up: not streaming. The link is removed
  // meanwhile, as udev removes an unplugged adapter's links.
  double return_after = 0;
  std::chrono::milliseconds zero_delay{300};  // zeroing takes this long before its reply
  std::array<std::uint8_t, 4> serial_number{0x20, 0x19, 0x09, 0x01};
  // Year, month, day, century, as the device sends them: 2019-09-23.
  std::array<std::uint8_t, 4> production_date{0x19, 0x09, 0x23, 0x20};
  std::string link;  // non-empty: a symbolic link to the slave side, removed by Stop()
  // Non-empty: a file that gets one line per data frame sent, "intact", "bad" or "short", a
  // blank and its bytes as upper-case hex pairs joined by blanks (as the host records them).
  std::string frame_log;
  // The pulse the sensor plays: scripted rate, irregular beats, amplitude steps, drift, motion
  // artefacts, or a signal without a pulse.
  PulseScript script;
  // Non-empty: a CSV file ("-": standard output) that gets the true beats and artefacts as the
  // model makes them: "channel,onset_s,peak_s,kind", channels 1 to 3, seconds from the first
  // data frame (frame k at k / rate), kind "beat", "premature" or "artefact".
  std::string truth;
};

// What the sensor did. Frames are counted when their last byte has been written to the
// pseudo-terminal; noise when the burst has been written.
struct Stats {
  std::uint64_t data_frames_intact = 0;        // whole data frames with a correct checksum
  std::uint64_t data_frames_bad_checksum = 0;  // whole data frames with an injected wrong checksum
  std::uint64_t data_frames_lost_bytes = 0;    // data frames sent 1 to 4 bytes short
  std::uint64_t data_frames_discarded = 0;     // never written: output queue full (nobody reading)
  std::array<std::uint64_t, kCommandCount> replies_sent{};       // by the command they answer
  std::array<std::uint64_t, kCommandCount> commands_received{};  // with a correct checksum
  std::array<std::uint64_t, kCommandCount> acks_dropped{};       // commands ignored by drop_acks
  std::uint64_t commands_bad_checksum = 0;  // well-formed header, wrong checksum
  std::uint64_t commands_unknown = 0;       // correct checksum, unknown code or length
  std::uint64_t garbage_bytes = 0;          // bytes skipped while looking for a command
  std::uint64_t noise_bursts = 0;
  std::uint64_t noise_bytes = 0;
  std::uint64_t split_frames = 0;  // frames written in more than one piece
  std::uint64_t bytes_written = 0;
  std::uint64_t hangups = 0;
  std::uint64_t returns = 0;  // pseudo-terminals brought back after a hang-up

  [[nodiscard]] std::uint64_t DataFrames() const {
    return data_frames_intact + data_frames_bad_checksum + data_frames_lost_bytes;
  }
  // Several lines, one figure per line, for the program's exit report.
  [[nodiscard]] std::string Describe() const;
};

class SensorLoop;

// Opens a pseudo-terminal pair in raw mode and plays the device on the master side, on a
// thread of its own. Thread-safe: Stats and state can be read while it runs.
class VirtualSensor {
 public:
  explicit VirtualSensor(Options options = {});
  ~VirtualSensor();  // Stop()
  VirtualSensor(const VirtualSensor&) = delete;
  VirtualSensor& operator=(const VirtualSensor&) = delete;

  // Opens the pair, sets both sides raw, makes the link if asked and starts the thread.
  // Throws std::system_error on failure. Call once.
  void Start();
  // Stops the thread, closes the pseudo-terminal and removes the link. Idempotent.
  void Stop();

  // The path of the slave side, e.g. /dev/pts/7 (empty before Start()).
  [[nodiscard]] const std::string& SlavePath() const { return slave_path_; }
  // The slave side now: another path once the terminal has come back after a hang-up; empty
  // while it is away.
  [[nodiscard]] std::string CurrentSlavePath() const;
  [[nodiscard]] const Options& GetOptions() const { return options_; }

  // True from Start() until Stop() or a hang-up.
  [[nodiscard]] bool Running() const;
  // Waits until the sensor stops by itself (hang-up) or Stop() is called; false on time-out.
  [[nodiscard]] bool WaitFinished(std::chrono::milliseconds timeout) const;

  [[nodiscard]] Stats GetStats() const;
  [[nodiscard]] bool Streaming() const;  // data frames are being sent
  [[nodiscard]] int Rate() const;        // current data frames per second
  // The zero values the device would report now, in 0.1 hPa.
  [[nodiscard]] std::array<std::int16_t, 3> ZeroValues() const;

 private:
  Options options_;
  std::string slave_path_;
  std::unique_ptr<SensorLoop> loop_;
  std::thread thread_;
  bool started_ = false;
};

}  // namespace pulse::vsensor
