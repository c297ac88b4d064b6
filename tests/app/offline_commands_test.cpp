// --export and --analyze on generated records (and the reference recording as device frames),
// through the functions and through the program itself without a display.
#include "app/offline_commands.h"

#include <edflib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>

#include "records/session_metadata.h"
#include "tests/analysis/synthetic_pulse.h"
#include "tests/records/record_test_support.h"
#include "tests/support/program_run.h"
#include "tools/analysis-eval/reference_recording.h"
#include "tools/analysis-eval/signal_variants.h"

namespace pulse::app {
namespace {

using namespace pulse::test;

struct Messages {
  std::string results, warnings, errors;
  OutputFn Fn() {
    return [this](MessageKind kind, std::string_view text) {
      std::string& to = kind == MessageKind::kResult    ? results
                        : kind == MessageKind::kWarning ? warnings
                                                        : errors;
      to.append(text).append("\n");
    };
  }
};

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

void WriteMetadata(const std::string& record, double rate, const std::string& unit) {
  records::SessionMetadata md;
  md.start_time = "2024-05-01T10:20:30.250+02:00";
  md.sample_rate = rate;
  md.unit = unit;
  ASSERT_EQ(records::WriteMetadataFile(records::MetadataPathFor(record), md), "");
}

// Ten three-channel frames; line 3 fails its checksum.
void SmallRecord(const std::string& path) {
  std::string text;
  for (uint64_t i = 0; i < 10; ++i) text += Line3(Pattern(i), i == 3 ? 1 : 0) + "\r\n";
  WriteAll(path, text);
}

// The real program, with no display and no platform chosen for it.
ProgramRun RunProgram(const std::string& args) {
  return RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                    std::string(PULSE3CH_BINARY) + "' " + args);
}

TEST(OfflineExport, RateFromTheSessionUnitFromTheCommandLineElseTheSessionElseStartup) {
  TempDir dir;
  const std::string rec = dir / "r.txt", csv = dir / "r.csv";
  SmallRecord(rec);
  WriteMetadata(rec, 250, "kPa");

  Messages m;
  ASSERT_EQ(RunExport({csv, rec, 100.0, ""}, m.Fn()), kExitOk) << m.errors;
  EXPECT_TRUE(Has(m.results, "wrote 9 frames")) << m.results;
  EXPECT_TRUE(Has(m.results, "1 bad frame left out")) << m.results;
  EXPECT_TRUE(Has(m.warnings, "--rate 100 ignored")) << m.warnings;
  std::vector<std::string> rows = Lines(ReadAll(csv));
  ASSERT_EQ(rows.size(), 11u);
  EXPECT_EQ(rows[0].substr(0, 30), "time_s,ch1_wave_kPa,ch1_static");
  // Line 3 is left out; line 4 keeps its own time, at the session's rate.
  EXPECT_EQ(rows[4].substr(0, 6), "0.016,");
  EXPECT_NEAR(std::stod(rows[4].substr(6)), Pattern(4).w[0] * 0.1 / 1000, 1e-12);

  ASSERT_EQ(RunExport({csv, rec, std::nullopt, "mmHg"}, m.Fn()), kExitOk) << m.errors;
  EXPECT_EQ(Lines(ReadAll(csv))[0].substr(0, 31), "time_s,ch1_wave_mmHg,ch1_static");

  std::filesystem::remove(records::MetadataPathFor(rec));
  ASSERT_EQ(RunExport({csv, rec, 100.0, ""}, m.Fn()), kExitOk) << m.errors;
  rows = Lines(ReadAll(csv));
  EXPECT_EQ(rows[0].substr(0, 32), "time_s,ch1_wave_" + StartupUnitSymbol() + ",ch1_static");
  EXPECT_EQ(rows[4].substr(0, 5), "0.04,");
}

TEST(OfflineExport, EdfFromTheProgramWithoutADisplay) {
  TempDir dir;
  SmallRecord(dir / "r.txt");
  WriteMetadata(dir / "r.txt", 250, "kPa");
  const ProgramRun run =
      RunProgram("--export " + (dir / "r.edf") + " --from " + (dir / "r.txt") + " --unit mbar");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "wrote 9 frames")) << run.out;
  EXPECT_TRUE(Has(run.out, "1 bad frame held at the previous value")) << run.out;

  edf_hdr_struct hdr{};
  ASSERT_EQ(edfopen_file_readonly((dir / "r.edf").c_str(), &hdr, EDFLIB_READ_ALL_ANNOTATIONS), 0);
  EXPECT_EQ(hdr.edfsignals, 6);
  EXPECT_STREQ(hdr.signalparam[0].physdimension, "mbar    ");
  EXPECT_EQ(static_cast<double>(hdr.signalparam[0].smp_in_datarecord) * EDFLIB_TIME_DIMENSION /
                static_cast<double>(hdr.datarecord_duration),
            250.0);
  int first[5] = {};
  EXPECT_EQ(edfread_digital_samples(hdr.handle, 2, 5, first), 5);  // ch2 wave
  EXPECT_EQ(first[4], Pattern(4).w[1]);
  EXPECT_EQ(first[3], Pattern(2).w[1]);  // the bad frame holds the value before it
  edfclose_file(hdr.handle);
}

TEST(OfflineExport, RefusalsNameTheProblemAndLeaveNothingBehind) {
  TempDir dir;
  SmallRecord(dir / "r.txt");
  WriteAll(dir / "bin.txt", std::string("F0 1F\0\x01", 7) + "\r\n");
  WriteAll(dir / "old.csv", "old");
  const auto refuse = [&](const ExportOptions& o, int code, const std::string& text) {
    Messages m;
    EXPECT_EQ(RunExport(o, m.Fn()), code) << o.output;
    EXPECT_TRUE(Has(m.errors, text)) << m.errors;
    EXPECT_EQ(m.results, "");
  };
  refuse({dir / "r.xls", dir / "r.txt", {}, ""}, kExitUsage, "unknown format (valid: csv, edf)");
  refuse({dir / "r.csv", dir / "r.txt", {}, "psi"}, kExitUsage,
         "unknown unit \"psi\" (valid: kPa, mbar, mmHg, mmH2O)");
  refuse({dir / "r.csv", dir / "r.txt", 0.0, ""}, kExitUsage, "--rate wants");
  refuse({dir / "r.csv", dir / "none.txt", {}, ""}, kExitFailed, "Cannot open file");
  refuse({dir / "no/r.edf", dir / "r.txt", {}, ""}, kExitFailed, "Cannot create file");
  refuse({dir / "old.csv", dir / "bin.txt", {}, ""}, kExitFailed, "binary data in line 1");
  EXPECT_EQ(ReadAll(dir / "old.csv"), "old");
  // A record that happens to end in .csv is never exported over itself.
  std::filesystem::copy_file(dir / "r.txt", dir / "rec.csv");
  refuse({dir / "rec.csv", dir / "rec.csv", {}, ""}, kExitUsage, "is the record itself");
  EXPECT_EQ(ReadAll(dir / "rec.csv"), ReadAll(dir / "r.txt"));
  EXPECT_EQ(Names(dir.Path()),
            (std::vector<std::string>{"bin.txt", "old.csv", "r.txt", "rec.csv"}));
}

TEST(OfflineCommandLine, OptionsReachTheCommandsAndMisuseIsExitTwo) {
  TempDir dir;
  SmallRecord(dir / "r.txt");
  const auto run = [](std::vector<std::string> args) {
    args.insert(args.begin(), "pulse3ch");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    Messages m;
    return RunOfflineCommandLine(static_cast<int>(argv.size()), argv.data(), m.Fn());
  };
  EXPECT_FALSE(run({"--demo", "--seconds", "3"}));
  EXPECT_EQ(run({"--export=" + (dir / "a.csv"), "--from=" + (dir / "r.txt"), "--rate=50"}), 0);
  EXPECT_EQ(Lines(ReadAll(dir / "a.csv"))[2].substr(0, 5), "0.02,");
  EXPECT_EQ(run({"--analyze", dir / "r.txt", "--beats", dir / "b.csv"}), 0);
  EXPECT_EQ(Lines(ReadAll(dir / "b.csv"))[0],
            "channel,onset_s,peak_s,notch_s,amplitude,interval_s");
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--export", dir / "c.csv"},
           {"--export", dir / "c.csv", "--from", dir / "r.txt", "--beats", dir / "b2.csv"},
           {"--export", dir / "c.csv", "--from", dir / "r.txt", "--demo"},
           {"--analyze", dir / "r.txt", "--unit", "kPa"},
           {"--analyze", dir / "r.txt", "--rate", "fast"},
           {"--analyze", dir / "r.txt", "--rate", "1", "--rate", "2"},
           {"--analyze", dir / "r.txt", "--export", dir / "c.csv", "--from", dir / "r.txt"},
           {"--analyze", "--rate", "100"},
           {"--demo", "--rate", "100"},
           {"--analyze", dir / "r.txt", "extra"},
       }) {
    EXPECT_EQ(run(bad), kExitUsage) << bad[0] << " " << bad[1];
  }
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"a.csv", "b.csv", "r.txt"}));
}

// Wave values quantised as the device sends them, 0.001 hPa a count.
int16_t WaveRaw(double value, double unit_factor) {
  return static_cast<int16_t>(std::clamp(std::lround(value * 1000 / unit_factor), -32768L, 32767L));
}

struct ChannelLine {
  int beats = -1;
  double rate = 0, amplitude = 0, rise = 0;
};

std::optional<ChannelLine> ParseChannel(const std::string& results, int channel, const char* unit) {
  const std::regex re("channel " + std::to_string(channel) +
                      R"(: (\d+) beats, rate ([0-9.]+) bpm, amplitude ([0-9.]+) )" + unit +
                      R"(, rise time ([0-9.]+) s)");
  std::smatch m;
  if (!std::regex_search(results, m, re)) return std::nullopt;
  return ChannelLine{std::stoi(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
}

TEST(OfflineAnalyze, KnownBeatsKeepTheirTimesAcrossBadAndDamagedLines) {
  using pulse::test::SteadyBeats;
  using pulse::test::SynthesiseWave;
  constexpr double kRate = 200, kSeconds = 60, kKpa = 0.1;
  const auto ch1 = SynthesiseWave(SteadyBeats(72, kSeconds, 0.3, 0.8), kRate, kSeconds);
  const auto ch3 = SynthesiseWave(SteadyBeats(90, kSeconds, 0.5, 0.3), kRate, kSeconds,
                                  {.level = -0.5, .noise_sigma = 0.002});
  // 1.025 s without good frames at 30 s: 200 damaged lines, then 5 bad checksums.
  constexpr size_t kGapFrom = 6000, kDamaged = 200, kBad = 5;
  TempDir dir;
  std::string text;
  for (size_t i = 0; i < ch1.size(); ++i) {
    const Raw3 raw{{100, 200, 300}, {WaveRaw(ch1[i], kKpa), 7, WaveRaw(ch3[i], kKpa)}};
    if (i >= kGapFrom && i < kGapFrom + kDamaged)
      text += "F0 1F 0D\r\n";
    else
      text += Line3(raw, i >= kGapFrom + kDamaged && i < kGapFrom + kDamaged + kBad) + "\r\n";
  }
  WriteAll(dir / "r.txt", text);
  WriteMetadata(dir / "r.txt", kRate, "kPa");

  Messages m;
  ASSERT_EQ(RunAnalyze({dir / "r.txt", std::nullopt, dir / "beats.csv"}, m.Fn()), kExitOk)
      << m.errors;
  EXPECT_TRUE(Has(m.results,
                  "60.0 s at 200 Hz, 11795 good frames, 5 bad frames, 200 damaged "
                  "lines; values in kPa"))
      << m.results;
  const auto c1 = ParseChannel(m.results, 1, "kPa");
  ASSERT_TRUE(c1) << m.results;
  EXPECT_NEAR(c1->beats, 72 - 2, 3);
  EXPECT_NEAR(c1->rate, 72, 1);
  EXPECT_NEAR(c1->amplitude, 0.8, 0.12);
  EXPECT_NEAR(c1->rise, 0.12, 0.03);
  EXPECT_TRUE(Has(m.results, "channel 2: no pulse")) << m.results;
  const auto c3 = ParseChannel(m.results, 3, "kPa");
  ASSERT_TRUE(c3) << m.results;
  EXPECT_NEAR(c3->rate, 90, 1);

  // Every onset lies on a true one, also after the gap, where the detector started afresh.
  const std::vector<std::string> rows = Lines(ReadAll(dir / "beats.csv"));
  ASSERT_EQ(rows.size(), 1u + static_cast<size_t>(c1->beats + c3->beats));
  int after_gap = 0, without_interval = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    std::istringstream row(rows[r]);
    std::string channel, onset, peak, notch, amplitude, interval;
    std::getline(row, channel, ',');
    std::getline(row, onset, ',');
    std::getline(row, peak, ',');
    std::getline(row, notch, ',');
    std::getline(row, amplitude, ',');
    std::getline(row, interval);
    if (channel != "1") continue;
    const double t = std::stod(onset), period = 60.0 / 72;
    const double phase = std::remainder(t - 0.3, period);
    EXPECT_NEAR(phase, 0.0, 0.04) << rows[r];
    after_gap += t > kGapFrom / kRate + 1.1;
    without_interval += interval.empty();
  }
  EXPECT_GT(after_gap, 30 * 72 / 60 - 4);
  EXPECT_EQ(without_interval, 2);  // the first beat, and the first after the gap
}

TEST(OfflineAnalyze, OneChannelRecordFromTheProgram) {
  using pulse::test::SteadyBeats;
  using pulse::test::SynthesiseWave;
  constexpr double kMmH2O = 10.1972;
  const auto wave = SynthesiseWave(SteadyBeats(60, 40, 0.3, 20.0), 100, 40);
  TempDir dir;
  std::string text;
  for (double v : wave) text += Line1(500, WaveRaw(v, kMmH2O)) + "\r\n";
  WriteAll(dir / "one.txt", text);
  WriteAll(dir / "one.txt.json", "{\"sample_rate\": 2");  // cut short: --rate stands
  const ProgramRun run =
      RunProgram("--analyze " + (dir / "one.txt") + " --rate 100 --beats " + (dir / "no/b.csv"));
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Has(run.err, "pulse3ch: warning: ")) << run.err;
  EXPECT_TRUE(Has(run.err, "pulse3ch: Cannot create file")) << run.err;
  EXPECT_TRUE(Has(run.out, "at 100 Hz")) << run.out;
  const auto c1 = ParseChannel(run.out, 1, "mmH2O");
  ASSERT_TRUE(c1) << run.out;
  EXPECT_NEAR(c1->rate, 60, 1);
  EXPECT_NEAR(c1->amplitude, 20, 3);
  EXPECT_FALSE(Has(run.out, "channel 2")) << run.out;
}

TEST(OfflineAnalyze, RecordsWithNothingToAnalyze) {
  TempDir dir;
  WriteAll(dir / "bad.txt", Line3(Pattern(1), 1) + "\r\n" + Line3(Pattern(2), 1) + "\r\n");
  Messages m;
  EXPECT_EQ(RunAnalyze({dir / "bad.txt", {}, dir / "b.csv"}, m.Fn()), kExitFailed);
  EXPECT_TRUE(Has(m.errors, "no data frame with a good checksum")) << m.errors;
  EXPECT_EQ(RunAnalyze({dir / "none.txt", {}, ""}, m.Fn()), kExitFailed);
  EXPECT_TRUE(Has(m.errors, "Cannot open file")) << m.errors;
  EXPECT_EQ(RunAnalyze({dir / "bad.txt", {}, dir / "bad.txt"}, m.Fn()), kExitUsage);
  EXPECT_EQ(m.results, "");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"bad.txt"});
}

// The reference arterial recording as the device would send it at 200 Hz, three channels at
// different heights.
TEST(OfflineAnalyze, ReferenceRecordingAsDeviceFrames) {
  const std::string source = PULSE_REFERENCE_DATA "/c14_setp_100";
  if (!std::filesystem::exists(source)) GTEST_SKIP() << "no reference data at " << source;
  std::string error;
  const auto rec = analysis::eval::LoadReferenceRecording(source, &error);
  ASSERT_TRUE(rec) << error;
  const auto p = analysis::eval::Resample(rec->pressure, rec->rate_hz, 200);
  const double mean = analysis::eval::Mean(p), kMmHg = 0.75;
  TempDir dir;
  std::string text;
  for (double v : p) {
    const double d = v - mean;
    text += Line3({{1000, 1000, 1000},
                   {WaveRaw(0.5 * d, kMmHg), WaveRaw(0.1 * d, kMmHg), WaveRaw(0.02 * d, kMmHg)}}) +
            "\r\n";
  }
  WriteAll(dir / "ref.txt", text);
  WriteMetadata(dir / "ref.txt", 200, "mmHg");
  Messages m;
  ASSERT_EQ(RunAnalyze({dir / "ref.txt", {}, ""}, m.Fn()), kExitOk) << m.errors;
  for (int ch = 1; ch <= 3; ++ch) {
    const auto c = ParseChannel(m.results, ch, "mmHg");
    ASSERT_TRUE(c) << m.results;
    EXPECT_NEAR(c->beats, 140, 4) << m.results;
  }
}

}  // namespace
}  // namespace pulse::app
