// Sessions and export in the window logic, against the virtual sensor on a
// real pseudo-terminal: a session captured, then loaded, replayed and
// exported with every frame accounted for; refusals before sampling; a full
// disk; the device unplugged mid-session.
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "records/record_file.h"
#include "records/session_metadata.h"
#include "tests/support/form_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/virtual-sensor/virtual_sensor.h"

namespace pulse::test {
namespace {

using namespace std::chrono_literals;
using pulse::window::ExportSource;
namespace fs = std::filesystem;

// The sensor's frame log: the data frames it sent, as the host records them,
// with whether each was intact.
struct SentFrames {
  std::vector<std::string> lines;
  uint64_t intact = 0, bad = 0;
};
SentFrames ReadFrameLog(const std::string& path) {
  SentFrames out;
  for (const std::string& entry : ReadLines(path)) {
    const size_t blank = entry.find(' ');
    if (blank == std::string::npos) continue;
    const std::string kind = entry.substr(0, blank);
    if (kind == "intact") ++out.intact;
    if (kind == "bad") ++out.bad;
    out.lines.push_back(entry.substr(blank + 1));
  }
  return out;
}

class Form1SessionTest : public FormFixture {
 protected:
  void OpenOn(pulse::vsensor::VirtualSensor& sensor) {
    sensor.Start();
    MakeFormAndOpen(sensor.SlavePath());
  }
  // Drains the link and ticks the timer, as the window's event loop would.
  bool Until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= end) return false;
      queue_.DispatchUntil([] { return false; }, 20ms);
      form_->Timer1Timer();
    }
    return true;
  }
  void StartSampling() {
    form_->bt_startClick();
    ASSERT_TRUE(Until([&] { return S().Sampling; }));
  }
  void StopSampling() {
    form_->bt_startClick();
    ASSERT_TRUE(Until([&] { return !S().StopPending; }));
  }
  pulse::records::SessionMetadata Metadata(const std::string& record) {
    std::string error;
    auto md = pulse::records::ReadMetadataFile(pulse::records::MetadataPathFor(record), &error);
    EXPECT_TRUE(md) << error;
    return md.value_or(pulse::records::SessionMetadata{});
  }
};

TEST_F(Form1SessionTest, CapturedSessionIsLoadedReplayedAndExportedWithEveryFrame) {
  pulse::vsensor::Options o;
  o.bad_checksum = 0.03;
  o.split = true;
  o.noise = 0.05;
  const std::string log_dir = NewDir("session-roundtrip-log");
  o.frame_log = log_dir + "frames.txt";
  pulse::vsensor::VirtualSensor sensor(o);
  OpenOn(sensor);
  const std::string path = dir_ + "run1";  // ".txt" is added, as for 保存
  host_.save_name = path;

  form_->SessionClick();
  ASSERT_TRUE(host_.errors.empty()) << host_.errors.front();
  ASSERT_TRUE(form_->Session().Running());
  EXPECT_EQ(form_->Session().Path(), path + ".txt");
  EXPECT_EQ(form_->Session().button.Caption, "停止会话");
  EXPECT_TRUE(form_->Session().info.Visible);

  StartSampling();
  ASSERT_TRUE(Until([&] { return form_->Session().Lines() >= 600; }));
  // The read-out names the file and counts the frames.
  const std::string& info = form_->Session().info.Caption;
  EXPECT_NE(info.find("run1.txt"), std::string::npos) << info;
  EXPECT_NE(info.find("00:00:0"), std::string::npos) << info;
  EXPECT_NE(info.find("帧"), std::string::npos) << info;
  StopSampling();
  form_->SessionClick();
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_EQ(form_->Session().button.Caption, "会话记录");
  EXPECT_FALSE(form_->Session().info.Visible);
  form_->Bt_openClick();
  sensor.Stop();

  // The file holds every data frame the sensor sent, in order, good and bad.
  const SentFrames sent = ReadFrameLog(o.frame_log);
  const std::vector<std::string> recorded = ReadLines(path + ".txt");
  ASSERT_GT(sent.bad, 0u);
  EXPECT_EQ(recorded, sent.lines);
  EXPECT_EQ(form_->Session().Lines(), sent.lines.size());
  const std::string raw = ReadAll(path + ".txt");
  EXPECT_TRUE(raw.ends_with("\r\n"));

  const pulse::records::SessionMetadata md = Metadata(path + ".txt");
  EXPECT_TRUE(md.complete);
  EXPECT_EQ(md.lines, sent.lines.size());
  ASSERT_TRUE(md.totals);
  EXPECT_EQ(md.totals->good_frames, sent.intact);
  EXPECT_EQ(md.totals->bad_frames, sent.bad);
  EXPECT_GT(md.totals->bytes, sent.lines.size() * 17);
  EXPECT_EQ(md.sample_rate, 200);
  EXPECT_EQ(md.unit, "mmH2O");
  EXPECT_FALSE(md.start_time.empty());
  EXPECT_FALSE(md.stop_time.empty());
  EXPECT_FALSE(md.program_version.empty());

  // Loaded and replayed: every good frame is drawn, the bad ones are skipped.
  host_.open_name = path + ".txt";
  form_->Button18Click();
  ASSERT_TRUE(host_.errors.empty()) << host_.errors.front();
  EXPECT_EQ(form_->Recording().LoadedLineCount(), sent.lines.size());
  EXPECT_EQ(C().Memo1.lines.Count(), static_cast<int>(sent.lines.size()));
  S().SampleCount1 = 0;
  form_->Button19Click();
  ASSERT_TRUE(S().Replaying);
  for (size_t i = 0; i <= sent.lines.size() + 1 && S().Replaying; ++i) form_->Timer1Timer();
  EXPECT_FALSE(S().Replaying);
  EXPECT_EQ(static_cast<uint64_t>(S().SampleCount1), sent.intact);

  // Exported from the session entry and from the loaded record, in both formats.
  const std::vector<std::pair<ExportSource::Kind, std::string>> exports = {
      {ExportSource::Kind::kSession, dir_ + "out.csv"},
      {ExportSource::Kind::kLoadedRecord, dir_ + "out.edf"}};
  for (const auto& [kind, out] : exports) {
    host_.save_name = out;
    host_.messages.clear();
    form_->ExportClick(kind);
    ASSERT_TRUE(host_.errors.empty()) << host_.errors.front();
    ASSERT_TRUE(Until([&] { return !host_.messages.empty(); }, 30s)) << out;
    EXPECT_NE(host_.messages.back().find("已导出 " + std::to_string(sent.intact) + " 帧"),
              std::string::npos)
        << host_.messages.back();
    EXPECT_TRUE(fs::exists(out));
  }
  // The CSV: a header, one row per good frame, and the count of bad ones.
  const std::vector<std::string> csv = ReadLines(dir_ + "out.csv");
  ASSERT_GE(csv.size(), 2u);
  EXPECT_TRUE(csv.front().starts_with("time_s,ch1_wave_mmH2O,ch1_static_mmH2O,")) << csv.front();
  EXPECT_EQ(csv.back(), "# bad frames: " + std::to_string(sent.bad));
  const auto rows = std::count_if(csv.begin(), csv.end(), [](const std::string& l) {
    return !l.empty() && l[0] >= '0' && l[0] <= '9';
  });
  EXPECT_EQ(static_cast<uint64_t>(rows), sent.intact);
}

TEST_F(Form1SessionTest, TargetThatCannotBeWrittenIsRefusedBeforeAnything) {
  pulse::vsensor::VirtualSensor sensor;
  sensor.Start();
  MakeForm({"COM1=" + sensor.SlavePath()});

  // Without an open device there is nothing to record.
  host_.save_name = dir_ + "early.txt";
  form_->SessionClick();
  EXPECT_EQ(host_.messages, std::vector<std::string>{"请首先打开设备"});
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_FALSE(fs::exists(dir_ + "early.txt"));

  form_->Bt_openClick();
  host_.RunDelayed();
  host_.save_name = dir_ + "no/such/folder/s.txt";
  form_->SessionClick();
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_NE(host_.errors[0].find("Cannot create file"), std::string::npos) << host_.errors[0];
  EXPECT_NE(host_.errors[0].find("No such file or directory"), std::string::npos);
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_EQ(form_->Session().button.Caption, "会话记录");

  // A cancelled dialog starts nothing.
  host_.save_name.reset();
  form_->SessionClick();
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_EQ(host_.errors.size(), 1u);
  // Sampling was never started by any of this.
  EXPECT_EQ(sensor.GetStats().commands_received[pulse::vsensor::kStart], 0u);
}

TEST_F(Form1SessionTest, FullDiskStopsTheSessionWithAnErrorBoxAndAWholeFile) {
  // The disk takes 3000 bytes, then no more, with the last write cut mid-line.
  auto taken = std::make_shared<size_t>(0);
  customize_ = [taken](FormOptions& options) {
    options.session_writer.write_interval = std::chrono::milliseconds(20);
    options.session_writer.write = [taken](int fd, const void* data, size_t size) -> ssize_t {
      constexpr size_t kDiskBytes = 3000;
      if (*taken >= kDiskBytes) {
        errno = ENOSPC;
        return -1;
      }
      const size_t n = std::min(size, kDiskBytes - *taken);
      const ssize_t w = ::write(fd, data, n);
      if (w > 0) *taken += static_cast<size_t>(w);
      return w;
    };
  };
  pulse::vsensor::VirtualSensor sensor;
  OpenOn(sensor);
  const std::string path = dir_ + "full.txt";
  host_.save_name = path;
  form_->SessionClick();
  ASSERT_TRUE(form_->Session().Running());
  StartSampling();
  ASSERT_TRUE(Until([&] { return !form_->Session().Running(); }));
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_EQ(host_.errors[0], "Cannot write file \"" + path +
                                 "\": No space left on device; the recording stopped");
  EXPECT_EQ(form_->Session().LastError(), host_.errors[0]);
  EXPECT_EQ(form_->Session().button.Caption, "会话记录");
  // Sampling goes on; only the session ended.
  EXPECT_TRUE(S().PortOpen);

  // What reached the disk is whole lines and loads.
  const std::string raw = ReadAll(path);
  ASSERT_FALSE(raw.empty());
  EXPECT_TRUE(raw.ends_with("\r\n"));
  pulse::records::RecordFileOpen opened = pulse::records::RecordFile::Open(path);
  ASSERT_TRUE(opened.file) << opened.error;
  EXPECT_EQ(opened.file->TornBytes(), 0u);
  const pulse::records::SessionMetadata md = Metadata(path);
  EXPECT_TRUE(md.complete);
  EXPECT_EQ(md.lines, opened.file->LineCount());
}

TEST_F(Form1SessionTest, UnpluggedDeviceEndsTheSessionComplete) {
  pulse::vsensor::Options o;
  o.hangup_after = 1.0;
  pulse::vsensor::VirtualSensor sensor(o);
  customize_ = [](FormOptions& options) { options.reconnect = false; };  // 自动重连 off
  OpenOn(sensor);
  const std::string path = dir_ + "unplug.txt";
  host_.save_name = path;
  form_->SessionClick();
  StartSampling();
  ASSERT_TRUE(Until([&] { return !S().PortOpen; }));
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_TRUE(host_.errors.empty());
  const pulse::records::SessionMetadata md = Metadata(path);
  EXPECT_TRUE(md.complete);
  ASSERT_TRUE(md.totals);
  EXPECT_GT(md.lines, 0u);
  EXPECT_EQ(md.lines, md.totals->good_frames + md.totals->bad_frames);
  EXPECT_EQ(ReadLines(path).size(), md.lines);
}

TEST_F(Form1SessionTest, ExportOfTheCurrentRecordAndWhatIsRefused) {
  pulse::vsensor::VirtualSensor sensor;
  OpenOn(sensor);
  // Nothing recorded, loaded or captured yet.
  EXPECT_FALSE(form_->Export().current_record.Enabled);
  form_->ExportClick(ExportSource::Kind::kCurrentRecord);
  form_->ExportClick(ExportSource::Kind::kSession);
  EXPECT_EQ(host_.messages, (std::vector<std::string>{"没有可导出的数据", "没有可导出的数据"}));

  C().CheckBox1.checked = true;
  StartSampling();
  ASSERT_TRUE(Until([&] { return S().RecordList.size() >= 300; }));
  StopSampling();
  EXPECT_TRUE(form_->Export().current_record.Enabled);
  const size_t recorded = S().RecordList.size();

  // Kilopascal in the window: the export shows the same unit.
  C().cb_unit1.Select(0);
  form_->Views().cb_unit1Change();
  host_.save_name = dir_ + "current.csv";
  host_.messages.clear();
  form_->ExportClick(ExportSource::Kind::kCurrentRecord);
  ASSERT_TRUE(Until([&] { return !host_.messages.empty(); }, 30s));
  EXPECT_NE(host_.messages[0].find("已导出 " + std::to_string(recorded) + " 帧"), std::string::npos)
      << host_.messages[0];
  const std::vector<std::string> csv = ReadLines(dir_ + "current.csv");
  ASSERT_FALSE(csv.empty());
  EXPECT_TRUE(csv[0].starts_with("time_s,ch1_wave_kPa,ch1_static_kPa")) << csv[0];
  EXPECT_EQ(csv.size(), recorded + 2);  // header, rows, "# bad frames: 0"

  // A format the exporter does not write, and an export over the loaded record itself.
  host_.save_name = dir_ + "current.xls";
  form_->ExportClick(ExportSource::Kind::kCurrentRecord);
  ASSERT_TRUE(Until([&] { return !host_.errors.empty(); }, 30s));
  EXPECT_NE(host_.errors[0].find("unknown format (valid: csv, edf)"), std::string::npos)
      << host_.errors[0];
  EXPECT_FALSE(fs::exists(dir_ + "current.xls"));

  host_.open_name = dir_ + "current.csv";  // any text loads; only the name matters here
  form_->Button18Click();
  host_.save_name = dir_ + "current.csv";
  host_.errors.clear();
  form_->ExportClick(ExportSource::Kind::kLoadedRecord);
  ASSERT_EQ(host_.errors.size(), 1u);
  EXPECT_NE(host_.errors[0].find("is the record itself"), std::string::npos) << host_.errors[0];
  EXPECT_FALSE(form_->Export().Busy());
}

}  // namespace
}  // namespace pulse::test

namespace pulse::test {
namespace {

TEST(SessionReadOut, LengthAndFileNameAsShown) {
  using pulse::window::FormatSessionLength;
  using pulse::window::ShortFileName;
  EXPECT_EQ(FormatSessionLength(0), "00:00:00");
  EXPECT_EQ(FormatSessionLength(59.99), "00:00:59");
  EXPECT_EQ(FormatSessionLength(3600 * 10 + 61), "10:01:01");
  EXPECT_EQ(ShortFileName("/data/run 7.txt"), "run 7.txt");
  EXPECT_EQ(ShortFileName("/d/abcdefghijklmnopqrst"), "abcdefghijklmnopqrst");  // 20 fit
  EXPECT_EQ(ShortFileName("/d/abcdefghijklmnopqrstu.txt"), "abcdefghi…pqrstu.txt");
  // Characters, not bytes: a Chinese name is cut between characters.
  EXPECT_EQ(ShortFileName("会话记录会话记录会话记录会话记录会话记录会话记录.txt"),
            "会话记录会话记录会…记录会话记录.txt");
}

}  // namespace
}  // namespace pulse::test
