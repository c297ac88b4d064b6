// Whole-pipeline benchmark. The virtual sensor runs as a separate program on a pseudo-terminal;
// this process plays the main window: the real serial link, TForm1's parser and views, and the
// three plots at the main window's size, painted into their off-screen images at a 60 Hz
// "screen refresh" whenever they asked for a paint, with Timer1 ticking every 100 ms.
//
//   throughput: sensor --unpaced; frames drawn per second, and whether any frame was lost
//               (the sensor's own count of intact frames against those that arrived).
//   cpu:        sensor --rate 250 (the device's highest rate); this process's CPU time (all
//               threads, getrusage) as a share of one core.
//   session:    both of the above with a session recording every frame to a file (the
//               writer thread included in the CPU time): throughput and losslessness with the
//               session running (every frame on the link also in the file), and the CPU the
//               session adds at 250 frames/s: measured directly (the writer thread's own CPU
//               time from /proc, plus the parser's extra cost per frame with the session
//               attached, timed in a tight loop), and from whole runs without and with it taken
//               in turns (that difference is within the machine's noise).
//
// Usage: pipeline_bench [--mode throughput|cpu|both|session] [--seconds S] [--runs N]
//                       [--sensor PATH]
#include <signal.h>
#include <spawn.h>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFont>
#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "comm/manual_queue.h"
#include "tests/views/counting_view.h"
#include "window/form1.h"
#include "window/plot_beat_marks.h"
#include "window/view_plot_setup.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using pulse::window::IViewPlot;
using pulse::window::TForm1;
using pulse::window::ViewAxis;

constexpr auto kScreenPeriod = std::chrono::microseconds(16667);  // 60 Hz
constexpr auto kTimerPeriod = 100ms;                              // Timer1
constexpr auto kWarmUp = 1s;  // the link and the plots settle before measuring
constexpr int kDeviceMaxRate = 250;
constexpr double kSweepSeconds = 20.0;  // the default time window; the sweep restarts there

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The threads of this process, by id.
std::vector<std::string> ThreadIds() {
  std::vector<std::string> ids;
  if (DIR* d = opendir("/proc/self/task")) {
    while (const dirent* e = readdir(d))
      if (e->d_name[0] != '.') ids.emplace_back(e->d_name);
    closedir(d);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// CPU time a thread of this process has had, in seconds (scheduler statistics, nanoseconds).
double ThreadCpuSeconds(const std::string& tid) {
  FILE* in = std::fopen(("/proc/self/task/" + tid + "/schedstat").c_str(), "r");
  if (in == nullptr) return 0;
  unsigned long long ns = 0;
  if (std::fscanf(in, "%llu", &ns) != 1) ns = 0;
  std::fclose(in);
  return static_cast<double>(ns) / 1e9;
}

double ThreadsCpuSeconds(const std::vector<std::string>& tids) {
  double sum = 0;
  for (const std::string& t : tids) sum += ThreadCpuSeconds(t);
  return sum;
}

double ThisThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

std::string MakeTempDir() {
  std::string dir = (std::filesystem::temp_directory_path() / "pipeline-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) throw std::runtime_error("mkdtemp failed");
  return dir + "/";
}

// The window's desktop effects, reduced to what an unattended run needs.
class BenchHost : public pulse::window::IFormHost {
 public:
  void ShowMessage(const std::string& text) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  void ShowError(const std::string& text) override {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  }
  std::optional<std::string> AskSaveFileName(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskOpenFileName(const std::string&) override { return std::nullopt; }
  void SetTimerInterval(int) override {}
  void RunAfter(int ms, std::function<void()> step) override {
    delayed.push_back({Clock::now() + std::chrono::milliseconds(ms), std::move(step)});
  }
  void CloseWindow() override {}
  void RunDue() {
    const auto now = Clock::now();
    for (auto it = delayed.begin(); it != delayed.end();) {
      if (it->first <= now) {
        auto step = std::move(it->second);
        it = delayed.erase(it);
        step();
      } else {
        ++it;
      }
    }
  }
  std::vector<std::pair<Clock::time_point, std::function<void()>>> delayed;
};

using pulse::test::CountingView;

// Counts the three-channel data frames on the link itself, independently of the parser, so
// that frames arriving while the stop awaits its reply (not drawn, by design) are counted too.
class FrameTap {
 public:
  void Feed(const uint8_t* p, size_t n) {
    buf_.insert(buf_.end(), p, p + n);
    size_t i = 0;
    while (i < buf_.size()) {
      if (buf_[i] != 0xF0) {
        ++i;
        continue;
      }
      if (buf_.size() - i < 4) break;
      if (buf_[i + 1] != 0x1F || buf_[i + 2] != 0x0D || buf_[i + 3] != 0x34) {
        ++i;  // a reply or a stray sync byte
        continue;
      }
      if (buf_.size() - i < kFrame) break;
      uint8_t sum = 0;
      for (size_t k = 0; k < kFrame - 1; ++k) sum = static_cast<uint8_t>(sum + buf_[i + k]);
      if (sum == buf_[i + kFrame - 1]) {
        ++intact;
        i += kFrame;
      } else {
        ++bad;
        ++i;
      }
    }
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  long long intact = 0, bad = 0;

 private:
  static constexpr size_t kFrame = 17;
  std::vector<uint8_t> buf_;
};

// The sensor program, started with a pipe on its standard output.
class SensorProcess {
 public:
  SensorProcess(const std::string& program, const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    }
    out_ = fdopen(fds[0], "r");
    char line[256];
    if (!std::fgets(line, sizeof line, out_)) throw std::runtime_error("sensor printed no path");
    slave_ = line;
    while (!slave_.empty() && (slave_.back() == '\n' || slave_.back() == '\r')) slave_.pop_back();
  }
  ~SensorProcess() {
    if (pid_ > 0) Stop();
    if (out_) std::fclose(out_);
  }
  const std::string& SlavePath() const { return slave_; }
  // Ends it with SIGTERM and returns its printed statistics.
  std::string Stop() {
    kill(pid_, SIGTERM);
    std::string text;
    char line[256];
    while (std::fgets(line, sizeof line, out_)) text += line;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return text;
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  std::string slave_;
};

long long StatFigure(const std::string& stats, const std::string& label) {
  const size_t at = stats.find(label);
  if (at == std::string::npos) return -1;
  return std::atoll(stats.c_str() + at + label.size());
}

struct RunResult {
  double frames_per_second = 0;  // frames drawn per second of the measured window
  double cpu_percent = 0;        // of one core, over the measured window
  double paints_per_second = 0;  // field renders of the three plots per second
  double cpu_us_per_frame = 0;   // this process's CPU time per frame drawn
  double writer_cpu_percent = -1;  // the session writer thread's own CPU, of one core
  long long drawn = 0, tapped = 0, sensor_intact = -1, sensor_discarded = -1, bad = 0;
  int error_count = 0;
  long long session_lines = -1;  // lines in the session file; -1: no session
  bool Lossless() const {
    return error_count == 0 && bad == 0 && sensor_intact == tapped && sensor_discarded == 0 &&
           (session_lines < 0 || session_lines == tapped);
  }
};

class Pipeline {
 public:
  explicit Pipeline(const std::string& slave) : sets_(pulse::window::MakeViewPlotSets()) {
    std::array<IViewPlot*, 3> views{};
    for (size_t k = 0; k < 3; ++k) {
      sets_[k]->Plot().SetSize(pulse::window::kViewPlotWidth, pulse::window::kViewPlotHeight);
      counting_[k] = std::make_unique<CountingView>(sets_[k]->View());
      views[k] = counting_[k].get();
      marks_[k] = std::make_unique<pulse::window::PlotBeatMarks>(sets_[k]->Plot());
    }
    pulse::window::FormOptions options;
    options.exe_dir = dir_;
    options.settings_dir = dir_;
    options.port_mappings = {"COM1=" + slave};
    form_ = std::make_unique<TForm1>(host_, queue_, views, options);
    form_->FormCreate();
    // The pulse analysis runs on every frame as in the window, beat marks drawn included.
    form_->Analysis().SetMarks({marks_[0].get(), marks_[1].get(), marks_[2].get()});
    auto parse = form_->Comm321().OnReceiveData;
    form_->Comm321().OnReceiveData = [this, parse](const uint8_t* b, uint16_t n) {
      tap_.Feed(b, n);
      parse(b, n);
    };
  }
  ~Pipeline() {
    form_.reset();
    std::filesystem::remove_all(dir_);
  }

  TForm1& Form() { return *form_; }
  FrameTap& Tap() { return tap_; }
  long long Drawn() const {
    const auto sweep = static_cast<long long>(form_->State().SampleRate * kSweepSeconds);
    return (counting_[0]->clears - clears_base_) * sweep + form_->State().SampleCount1;
  }
  long long FieldRenders() const {
    long long n = 0;
    for (const auto& s : sets_) n += s->Plot().FieldRenders();
    return n;
  }

  // Plays the main thread until `done` holds or the time is up.
  bool Pump(Clock::time_point until, const std::function<bool()>& done) {
    while (!done()) {
      const auto now = Clock::now();
      if (now >= until) return false;
      const auto next = std::min({next_paint_, next_tick_, until});
      const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now);
      queue_.WaitAndDispatch(std::max(wait, 1ms));
      const auto t = Clock::now();
      if (t >= next_paint_) {
        for (auto& s : sets_)
          if (s->Plot().NeedsPaint()) s->Plot().Paint();
        next_paint_ += kScreenPeriod;
        if (next_paint_ < t) next_paint_ = t + kScreenPeriod;
      }
      if (t >= next_tick_) {
        form_->Timer1Timer();
        next_tick_ += kTimerPeriod;
        if (next_tick_ < t) next_tick_ = t + kTimerPeriod;
      }
      host_.RunDue();
    }
    return true;
  }

  // Open, the stop that follows every open, its reply, a session when asked, then start;
  // false with a message.
  bool OpenAndStart(bool session) {
    TForm1& f = *form_;
    f.Bt_openClick();
    if (!f.State().PortOpen) {
      std::fprintf(
          stderr, "open failed: %s\n",
          f.Controls().StatusBar1.Panel(pulse::form::StatusPanel::kLinkState).text.c_str());
      return false;
    }
    if (!Pump(Clock::now() + 3s, [&] { return f.StopAfterOpenSent() && !f.State().StopPending; })) {
      std::fprintf(stderr, "no reply to the stop after open\n");
      return false;
    }
    if (session) {
      const std::vector<std::string> before = ThreadIds();
      const std::string err = f.StartSession(SessionPath());
      if (!err.empty()) {
        std::fprintf(stderr, "session: %s\n", err.c_str());
        return false;
      }
      // The thread the session started is its writer.
      writer_threads_.clear();
      const std::vector<std::string> after = ThreadIds();
      std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                          std::back_inserter(writer_threads_));
    }
    clears_base_ = counting_[0]->clears;
    f.bt_startClick();
    if (!Pump(Clock::now() + 3s,
              [&] { return f.State().Sampling && f.State().SampleCount1 > 0; })) {
      std::fprintf(stderr, "sampling did not start\n");
      return false;
    }
    return true;
  }
  bool StopAndClose() {
    TForm1& f = *form_;
    f.bt_startClick();
    const bool stopped = Pump(Clock::now() + 5s, [&] { return !f.State().StopPending; });
    f.Bt_openClick();  // ends the session with the link
    return stopped;
  }
  std::string SessionPath() const { return dir_ + "session.txt"; }
  const std::vector<std::string>& WriterThreads() const { return writer_threads_; }
  // Lines in the session file, counted on disk.
  long long SessionFileLines() const {
    FILE* in = std::fopen(SessionPath().c_str(), "rb");
    if (in == nullptr) return -1;
    long long lines = 0;
    char buf[1 << 16];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;)
      lines += std::count(buf, buf + n, '\n');
    std::fclose(in);
    return lines;
  }

 private:
  // A settings directory of its own, removed afterwards.
  std::string dir_ = MakeTempDir();
  BenchHost host_;
  pulse::comm::ManualQueue queue_;
  pulse::window::ViewPlotSets sets_;
  std::array<std::unique_ptr<CountingView>, 3> counting_;
  std::array<std::unique_ptr<pulse::window::PlotBeatMarks>, 3> marks_;
  std::unique_ptr<TForm1> form_;
  FrameTap tap_;
  long long clears_base_ = 0;
  std::vector<std::string> writer_threads_;
  Clock::time_point next_paint_ = Clock::now(), next_tick_ = Clock::now();
};

std::optional<RunResult> RunOnce(const std::string& sensor_program, bool unpaced, double seconds,
                                 bool session) {
  std::vector<std::string> args{"--seed", "7"};
  if (unpaced) {
    args.push_back("--unpaced");
  } else {
    args.insert(args.end(), {"--rate", std::to_string(kDeviceMaxRate)});
  }
  SensorProcess sensor(sensor_program, args);
  RunResult r;
  {
    Pipeline p(sensor.SlavePath());
    // The window's own rate follows the device (Edit_Freq + "设置"), so times stay right.
    if (!unpaced) {
      p.Form().Controls().Edit_Freq.text = std::to_string(kDeviceMaxRate);
      p.Form().Button6Click();
    }
    if (!p.OpenAndStart(session)) return std::nullopt;
    p.Pump(Clock::now() + kWarmUp, [] { return false; });

    const long long drawn0 = p.Drawn();
    const long long renders0 = p.FieldRenders();
    const double cpu0 = CpuSeconds();
    const double writer0 = ThreadsCpuSeconds(p.WriterThreads());
    const auto t0 = Clock::now();
    p.Pump(t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)),
           [] { return false; });
    const double wall = Seconds(Clock::now() - t0);
    const double cpu = CpuSeconds() - cpu0;
    if (session) r.writer_cpu_percent = 100.0 * (ThreadsCpuSeconds(p.WriterThreads()) - writer0) / wall;
    r.frames_per_second = static_cast<double>(p.Drawn() - drawn0) / wall;
    r.paints_per_second = static_cast<double>(p.FieldRenders() - renders0) / wall;
    r.cpu_percent = 100.0 * cpu / wall;
    if (p.Drawn() > drawn0)
      r.cpu_us_per_frame = 1e6 * cpu / static_cast<double>(p.Drawn() - drawn0);
    r.drawn = p.Drawn();
    if (!p.StopAndClose()) std::fprintf(stderr, "no reply to the final stop\n");
    r.tapped = p.Tap().intact;
    r.bad = p.Tap().bad;
    r.error_count = p.Form().State().ErrorCount;
    if (session) r.session_lines = p.SessionFileLines();
  }
  const std::string stats = sensor.Stop();
  r.sensor_intact = StatFigure(stats, "data frames intact:");
  r.sensor_discarded = StatFigure(stats, "data frames discarded:");
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct ModeFigures {
  double fps = 0, cpu = 0;
  bool lossless = false;
};

void PrintRun(const char* name, int i, const RunResult& r) {
  std::printf(
      "%s run %d: %.0f frames/s drawn, %.2f%% of one core (%.2f us CPU per frame), "
      "%.1f field renders/s; "
      "frames drawn %lld, on the link %lld (bad %lld), sensor sent intact %lld, "
      "discarded %lld, checksum errors %d",
      name, i + 1, r.frames_per_second, r.cpu_percent, r.cpu_us_per_frame, r.paints_per_second,
      r.drawn, r.tapped, r.bad, r.sensor_intact, r.sensor_discarded, r.error_count);
  if (r.session_lines >= 0)
    std::printf(", session file %lld lines, writer thread %.4f%% of one core", r.session_lines,
                r.writer_cpu_percent);
  std::printf(" -> %s\n", r.Lossless() ? "no frame lost" : "FRAMES LOST");
  std::fflush(stdout);
}

std::optional<ModeFigures> RunMode(const std::string& sensor, bool unpaced, double seconds,
                                   int runs, bool session = false) {
  std::vector<double> fps, cpu, paints;
  bool all_lossless = true;
  std::string name = unpaced ? "throughput (sensor --unpaced)" : "cpu (sensor --rate 250)";
  if (session) name += " with a session";
  for (int i = 0; i < runs; ++i) {
    const auto r = RunOnce(sensor, unpaced, seconds, session);
    if (!r) return std::nullopt;
    PrintRun(name.c_str(), i, *r);
    fps.push_back(r->frames_per_second);
    cpu.push_back(r->cpu_percent);
    paints.push_back(r->paints_per_second);
    all_lossless = all_lossless && r->Lossless();
  }
  std::printf("%s median of %d x %.0f s: %.0f frames/s, %.2f%% of one core, %.1f renders/s, %s\n",
              name.c_str(), runs, seconds, Median(fps), Median(cpu), Median(paints),
              all_lossless ? "no frame lost" : "FRAMES LOST");
  return ModeFigures{Median(fps), Median(cpu), all_lossless};
}

// The parser's CPU per data frame on this thread, without and with a session attached: the
// same three-channel frames fed straight into the window logic, no port, plots not painted.
// The session's writer thread runs too, but its time is not this thread's.
std::pair<double, double> ParserCostPerFrame() {
  constexpr int kFrames = 200000;
  constexpr int kRepeats = 5;
  Pipeline p("/nonexistent");  // never opened
  TForm1& f = p.Form();
  std::vector<uint8_t> frame = {0xF0, 0x1F, 0x0D, 0x34, 0x72, 0x02, 0xE3, 0xF8, 0x79,
                                0x04, 0xD5, 0xFA, 0x92, 0x04, 0x63, 0xFC, 0};
  uint8_t sum = 0;
  for (size_t i = 0; i + 1 < frame.size(); ++i) sum = static_cast<uint8_t>(sum + frame[i]);
  frame.back() = sum;
  auto feed = [&] {
    const double t0 = ThisThreadCpuSeconds();
    for (int i = 0; i < kFrames; ++i)
      f.Parser().Comm321ReceiveData(frame.data(), static_cast<uint16_t>(frame.size()));
    return 1e6 * (ThisThreadCpuSeconds() - t0) / kFrames;
  };
  std::vector<double> without, with;
  for (int r = 0; r < kRepeats; ++r) {
    without.push_back(feed());
    if (!f.StartSession(p.SessionPath()).empty()) return {0, 0};
    with.push_back(feed());
    (void)f.Session().Stop();
  }
  return {Median(without), Median(with)};
}

// Runs without and with a session in turns at 250 frames/s, so drifts of the machine's load
// hit both alike; the added CPU is the median of the pairwise differences.
int RunSessionMode(const std::string& sensor, double seconds, int runs) {
  std::vector<double> without, with, added, writer;
  bool lossless = true;
  for (int i = 0; i < runs; ++i) {
    const auto a = RunOnce(sensor, false, seconds, false);
    const auto b = RunOnce(sensor, false, seconds, true);
    if (!a || !b) return 1;
    PrintRun("cpu (sensor --rate 250)", i, *a);
    PrintRun("cpu (sensor --rate 250) with a session", i, *b);
    without.push_back(a->cpu_percent);
    with.push_back(b->cpu_percent);
    added.push_back(b->cpu_percent - a->cpu_percent);
    writer.push_back(b->writer_cpu_percent);
    lossless = lossless && a->Lossless() && b->Lossless();
  }
  std::printf(
      "session at 250 frames/s, whole runs, median of %d pairs x %.0f s: %.2f%% of one core "
      "without, %.2f%% with, difference %.2f%% (within the runs' noise)\n",
      runs, seconds, Median(without), Median(with), Median(added));
  const auto [parser_without, parser_with] = ParserCostPerFrame();
  const double parser_added = std::max(0.0, parser_with - parser_without) * kDeviceMaxRate / 1e4;
  std::printf(
      "session at 250 frames/s, measured directly: writer thread %.4f%% of one core (median of "
      "%d runs); parser %.3f us per frame without, %.3f us with a session -> %.4f%% of one core "
      "at 250 frames/s; added %.4f%% of one core (goal <= 0.5%%)\n",
      Median(writer), runs, parser_without, parser_with, parser_added,
      Median(writer) + parser_added);
  const auto t = RunMode(sensor, true, seconds, runs, true);
  if (!t) return 1;
  std::printf("session: lossless throughput with a session running: %.0f frames/s (goal >= 15000), %s\n",
              t->fps, t->lossless ? "no frame lost, every frame in the file" : "FRAMES LOST");
  return lossless && t->lossless ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = "both";
  double seconds = 10;
  int runs = 3;
  std::string sensor = PULSE_VIRTUAL_SENSOR;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--mode" && has_value) {
      mode = argv[++i];
    } else if (a == "--seconds" && has_value) {
      seconds = std::atof(argv[++i]);
    } else if (a == "--runs" && has_value) {
      runs = std::atoi(argv[++i]);
    } else if (a == "--sensor" && has_value) {
      sensor = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: %s [--mode throughput|cpu|both|session] [--seconds S] [--runs N] "
                   "[--sensor PATH]\n",
                   argv[0]);
      return 2;
    }
  }
  if (seconds <= 0 || runs <= 0 ||
      (mode != "throughput" && mode != "cpu" && mode != "both" && mode != "session")) {
    std::fprintf(stderr, "bad arguments\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QGuiApplication::setFont(QFont("WenQuanYi Micro Hei", 9));
  // A pseudo-terminal that vanishes mid-run must not end the benchmark by a signal.
  signal(SIGPIPE, SIG_IGN);

  if (mode == "session") return RunSessionMode(sensor, seconds, runs);
  int rc = 0;
  auto run = [&](bool unpaced) {
    const auto f = RunMode(sensor, unpaced, seconds, runs);
    if (!f || !f->lossless) rc = 1;
  };
  if (mode != "cpu") run(true);
  if (mode != "throughput") run(false);
  return rc;
}
