// virtual-sensor: plays the three-channel pulse sensor on a pseudo-terminal until interrupted.
#include <getopt.h>
#include <signal.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "tools/virtual-sensor/virtual_sensor.h"

namespace {

constexpr int kWaitSliceMs = 250;  // how often the main thread looks for a signal or hang-up

const char kUsage[] = R"(Usage: virtual-sensor [OPTION]...
Simulates the three-channel pulse sensor on a pseudo-terminal. Prints the path of the
terminal to open (first line of standard output), answers the host's commands and streams
data frames once started. Ctrl-C (SIGINT) or SIGTERM ends it; the statistics are printed then.

Commands answered: start 0x31 and stop 0x32 (acknowledged; data frames stream in between),
zero 0x35 (acknowledged after --zero-delay; the static pressures re-baseline and the zero
values change), read zero values 0x33 (three zero values, or one with --channels 1),
set frequency 0x33 with one parameter (acknowledged; the streaming rate follows; 0 pauses),
serial number 0x36 and production date 0x37 (four bytes each). Commands with a wrong
checksum and unknown commands are ignored and counted.

Device:
  --link PATH         also make PATH a symbolic link to the terminal (removed on exit;
                      an existing symbolic link is replaced, any other file is refused)
  --channels N        1 or 3 (default 3): one- or three-channel data frames
  --rate N            data frames per second until the host sets a rate (default 200)
  --seed N            seed of waveforms and faults: same seed, same run (default 1)
  --serial HEX8       serial number bytes, e.g. 20190901 (default 20190901)
  --date YYYY-MM-DD   production date (default 2019-09-23; sent as year, month, day,
                      century: 19 09 23 20)
  --zero-delay MS     how long zeroing takes before its acknowledgement (default 300)

Pacing:
  --baud B            pace bytes as a line at B baud would (10 bits per byte); data
                      frames the line cannot carry are dropped (counted as discarded);
                      default: only data frames are paced, at the rate, on a monotonic clock
  --unpaced           send data frames as fast as the reader takes them (stress tests)

Fault injection (all off by default; each is counted):
  --noise P           before each data frame, with probability P, a burst of 1 to 8
                      random bytes (never 0xF0 or 0x1F, so no header is forged)
  --bad-checksum P    with probability P a data frame carries a wrong checksum
  --lose-bytes P      with probability P a data frame loses 1 to 4 of its bytes after
                      F0 1F, at random places, as on a line that drops bytes; the data
                      frame after it goes out without faults, so the host can tell where
                      the short one ended (counted as "lost bytes", not as intact)
  --drop-acks N       ignore the first N of each command (no action, no reply)
  --split             write each frame in 2 or 3 pieces with gaps of 3 to 4 ms
                      (at high rates the gaps lower the rate actually sent)
  --hangup-after S    after S seconds close the terminal, as an unplugged adapter would
  --return-after S    with --hangup-after: S seconds after the hang-up a new terminal comes
                      back (once) at the same --link path, the device as after power-up
                      (not streaming); the link is gone meanwhile, as an unplugged
                      adapter's /dev/serial/by-id link is

Pulse (synthetic truth for tests and demos):
  --bpm R[,R@T]...    scripted heart rate in beats per minute, exactly, from T seconds on
                      (e.g. 60,90@30: 60 bpm, 90 bpm from 30 s); default: a resting heart
                      of random rate with natural beat-to-beat variation
  --irregular P       per beat, with probability P, a premature beat (early, smaller, then a
                      compensatory pause) or a skipped beat, half and half
  --amplitude F[,F@T]...
                      pulse amplitude times F, from T seconds on (default 1)
  --drift H           slow swing of the wave's baseline, H hPa (default 0)
  --motion N          N motion artefacts a minute on average: bumps of 1 to 3 pulse heights
  --signal KIND       pulse (default), flat, saturated (stuck at full scale) or noise
                      (no pulse at all)
  --truth FILE        write the true beats and artefacts to FILE as they are made ("-":
                      standard output, after the terminal path): CSV
                      "channel,onset_s,peak_s,kind", channels 1 to 3, seconds from the first
                      data frame (frame k at k / rate), kind beat, premature or artefact

  --frame-log FILE    write one line per data frame sent to FILE: intact, bad or short,
                      then its bytes in hex as the host records them (for accounting)
  --quiet             print only the terminal path, no statistics
  --help              show this text
)";

enum LongOnly {
  kOptLink = 1000,
  kOptChannels,
  kOptRate,
  kOptSeed,
  kOptSerial,
  kOptDate,
  kOptZeroDelay,
  kOptBaud,
  kOptUnpaced,
  kOptNoise,
  kOptBadChecksum,
  kOptLoseBytes,
  kOptDropAcks,
  kOptSplit,
  kOptHangup,
  kOptReturnAfter,
  kOptFrameLog,
  kOptBpm,
  kOptIrregular,
  kOptAmplitude,
  kOptDrift,
  kOptMotion,
  kOptSignal,
  kOptTruth,
  kOptQuiet,
  kOptHelp,
};

struct BadArgument {
  std::string message;
};

long long ParseInt(std::string_view text, const char* option, long long lo, long long hi) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi) {
    throw BadArgument{std::string(option) + ": expected an integer from " + std::to_string(lo) +
                      " to " + std::to_string(hi) + ", got '" + std::string(text) + "'"};
  }
  return v;
}

double ParseDouble(const char* text, const char* option, double lo, double hi) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !(v >= lo && v <= hi)) {
    throw BadArgument{std::string(option) + ": expected a number from " + std::to_string(lo) +
                      " to " + std::to_string(hi) + ", got '" + text + "'"};
  }
  return v;
}

std::uint8_t HexByte(std::string_view two, const char* option) {
  unsigned v = 0;
  const auto [end, ec] = std::from_chars(two.data(), two.data() + two.size(), v, 16);
  if (ec != std::errc() || end != two.data() + two.size()) {
    throw BadArgument{std::string(option) + ": bad hexadecimal digits '" + std::string(two) + "'"};
  }
  return static_cast<std::uint8_t>(v);
}

std::array<std::uint8_t, 4> ParseSerial(std::string_view text) {
  if (text.size() != 8) throw BadArgument{"--serial: expected 8 hexadecimal digits"};
  std::array<std::uint8_t, 4> b{};
  for (int i = 0; i < 4; ++i) b[i] = HexByte(text.substr(2 * i, 2), "--serial");
  return b;
}

// The device sends dates as hex digits read as decimal: 2019-09-23 goes as 19 09 23 20.
std::array<std::uint8_t, 4> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
    throw BadArgument{"--date: expected YYYY-MM-DD"};
  }
  for (std::size_t i : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
    if (text[i] < '0' || text[i] > '9') throw BadArgument{"--date: expected YYYY-MM-DD"};
  }
  return {HexByte(text.substr(2, 2), "--date"), HexByte(text.substr(5, 2), "--date"),
          HexByte(text.substr(8, 2), "--date"), HexByte(text.substr(0, 2), "--date")};
}

// "V[,V@T]...": V from the start, then each V from T seconds on, T rising.
std::vector<pulse::vsensor::ScriptPoint> ParseScript(const char* text, const char* option, double lo,
                                              double hi) {
  std::vector<pulse::vsensor::ScriptPoint> script;
  std::string_view rest(text);
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string item(rest.substr(0, comma));
    const std::size_t at = item.find('@');
    pulse::vsensor::ScriptPoint p;
    p.value = ParseDouble(item.substr(0, at).c_str(), option, lo, hi);
    if (at != std::string::npos) {
      if (script.empty()) throw BadArgument{std::string(option) + ": the first value has no @T"};
      p.from_s = ParseDouble(item.substr(at + 1).c_str(), option, 0, 1e7);
      if (p.from_s <= script.back().from_s) {
        throw BadArgument{std::string(option) + ": the times after @ must rise"};
      }
    } else if (!script.empty()) {
      throw BadArgument{std::string(option) + ": every value after the first needs @T"};
    }
    script.push_back(p);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return script;
}

pulse::vsensor::SignalKind ParseSignal(std::string_view text) {
  if (text == "pulse") return pulse::vsensor::SignalKind::kPulse;
  if (text == "flat") return pulse::vsensor::SignalKind::kFlat;
  if (text == "saturated") return pulse::vsensor::SignalKind::kSaturated;
  if (text == "noise") return pulse::vsensor::SignalKind::kNoise;
  throw BadArgument{"--signal: pulse, flat, saturated or noise, got '" + std::string(text) + "'"};
}

pulse::vsensor::Options ParseArgs(int argc, char** argv, bool& quiet, bool& help) {
  static const option kLong[] = {
      {"link", required_argument, nullptr, kOptLink},
      {"channels", required_argument, nullptr, kOptChannels},
      {"rate", required_argument, nullptr, kOptRate},
      {"seed", required_argument, nullptr, kOptSeed},
      {"serial", required_argument, nullptr, kOptSerial},
      {"date", required_argument, nullptr, kOptDate},
      {"zero-delay", required_argument, nullptr, kOptZeroDelay},
      {"baud", required_argument, nullptr, kOptBaud},
      {"unpaced", no_argument, nullptr, kOptUnpaced},
      {"noise", required_argument, nullptr, kOptNoise},
      {"bad-checksum", required_argument, nullptr, kOptBadChecksum},
      {"lose-bytes", required_argument, nullptr, kOptLoseBytes},
      {"drop-acks", required_argument, nullptr, kOptDropAcks},
      {"split", no_argument, nullptr, kOptSplit},
      {"hangup-after", required_argument, nullptr, kOptHangup},
      {"return-after", required_argument, nullptr, kOptReturnAfter},
      {"frame-log", required_argument, nullptr, kOptFrameLog},
      {"bpm", required_argument, nullptr, kOptBpm},
      {"irregular", required_argument, nullptr, kOptIrregular},
      {"amplitude", required_argument, nullptr, kOptAmplitude},
      {"drift", required_argument, nullptr, kOptDrift},
      {"motion", required_argument, nullptr, kOptMotion},
      {"signal", required_argument, nullptr, kOptSignal},
      {"truth", required_argument, nullptr, kOptTruth},
      {"quiet", no_argument, nullptr, kOptQuiet},
      {"help", no_argument, nullptr, kOptHelp},
      {nullptr, 0, nullptr, 0},
  };
  pulse::vsensor::Options o;
  opterr = 0;
  int c = 0;
  while ((c = getopt_long(argc, argv, "", kLong, nullptr)) != -1) {
    const char* arg = optarg;
    switch (c) {
      case kOptLink:
        o.link = arg;
        break;
      case kOptChannels: {
        const auto n = ParseInt(arg, "--channels", 1, 3);
        if (n == 2) throw BadArgument{"--channels: 1 or 3"};
        o.channels = static_cast<int>(n);
        break;
      }
      case kOptRate:
        o.rate = static_cast<int>(ParseInt(arg, "--rate", 1, 100000));
        break;
      case kOptSeed:
        o.seed = static_cast<std::uint64_t>(ParseInt(arg, "--seed", 0, INT64_MAX));
        break;
      case kOptSerial:
        o.serial_number = ParseSerial(arg);
        break;
      case kOptDate:
        o.production_date = ParseDate(arg);
        break;
      case kOptZeroDelay:
        o.zero_delay = std::chrono::milliseconds(ParseInt(arg, "--zero-delay", 0, 600000));
        break;
      case kOptBaud:
        o.baud = static_cast<int>(ParseInt(arg, "--baud", 1, 100000000));
        break;
      case kOptUnpaced:
        o.unpaced = true;
        break;
      case kOptNoise:
        o.noise = ParseDouble(arg, "--noise", 0, 1);
        break;
      case kOptBadChecksum:
        o.bad_checksum = ParseDouble(arg, "--bad-checksum", 0, 1);
        break;
      case kOptLoseBytes:
        o.lose_bytes = ParseDouble(arg, "--lose-bytes", 0, 1);
        break;
      case kOptDropAcks:
        o.drop_acks = static_cast<int>(ParseInt(arg, "--drop-acks", 0, 1000000));
        break;
      case kOptSplit:
        o.split = true;
        break;
      case kOptHangup:
        o.hangup_after = ParseDouble(arg, "--hangup-after", 0, 1e7);
        break;
      case kOptReturnAfter:
        o.return_after = ParseDouble(arg, "--return-after", 0, 1e7);
        break;
      case kOptFrameLog:
        o.frame_log = arg;
        break;
      case kOptBpm:
        o.script.bpm = ParseScript(arg, "--bpm", 20, 300);
        break;
      case kOptIrregular:
        o.script.irregular = ParseDouble(arg, "--irregular", 0, 1);
        break;
      case kOptAmplitude:
        o.script.amplitude = ParseScript(arg, "--amplitude", 0, 20);
        break;
      case kOptDrift:
        o.script.drift = ParseDouble(arg, "--drift", 0, 100);
        break;
      case kOptMotion:
        o.script.motion = ParseDouble(arg, "--motion", 0, 600);
        break;
      case kOptSignal:
        o.script.signal = ParseSignal(arg);
        break;
      case kOptTruth:
        o.truth = arg;
        break;
      case kOptQuiet:
        quiet = true;
        break;
      case kOptHelp:
        help = true;
        break;
      default: {
        const char* bad = argv[optind - 1];
        throw BadArgument{std::string("unknown option or missing value: ") + (bad ? bad : "?")};
      }
    }
  }
  if (optind < argc) throw BadArgument{std::string("unexpected argument: ") + argv[optind]};
  // The host finds the terminal again by its link; a new /dev/pts name would be of no use.
  if (o.return_after > 0 && (o.hangup_after <= 0 || o.link.empty()))
    throw BadArgument{"--return-after needs --hangup-after and --link"};
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  bool quiet = false;
  bool help = false;
  pulse::vsensor::Options options;
  try {
    options = ParseArgs(argc, argv, quiet, help);
  } catch (const BadArgument& e) {
    std::fprintf(stderr, "virtual-sensor: %s\nTry 'virtual-sensor --help'.\n", e.message.c_str());
    return 2;
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }

  // Block the signals before the sensor thread starts, so only this thread takes them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  pulse::vsensor::VirtualSensor sensor(options);
  try {
    sensor.Start();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "virtual-sensor: cannot start: %s\n", e.what());
    return 1;
  }
  std::printf("%s\n", sensor.SlavePath().c_str());
  std::fflush(stdout);

  const timespec slice{0, kWaitSliceMs * 1000000L};
  int signal = 0;
  while (sensor.Running()) {
    const int s = sigtimedwait(&signals, nullptr, &slice);
    if (s > 0) {
      signal = s;
      break;
    }
  }
  const bool hung_up = !sensor.Running() && signal == 0;
  sensor.Stop();
  if (!quiet) {
    if (hung_up) std::printf("hung up after %g s\n", options.hangup_after);
    if (sensor.GetStats().returns > 0)
      std::printf("came back %g s after the hang-up\n", options.return_after);
    if (signal != 0) std::printf("stopped by %s\n", strsignal(signal));
    std::fputs(sensor.GetStats().Describe().c_str(), stdout);
  }
  return 0;
}
