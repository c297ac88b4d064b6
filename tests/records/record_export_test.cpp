#include "records/record_export.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "protocol/units.h"
#include "records/edf_export.h"
#include "records/session_metadata.h"
#include "tests/records/record_test_support.h"

namespace pulse::records {
namespace {

using namespace pulse::test;

constexpr double kMmHg = 0.75;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<double> Fields(const std::string& row) {
  std::vector<double> out;
  std::istringstream in(row);
  for (std::string f; std::getline(in, f, ',');) out.push_back(f.empty() ? NAN : std::stod(f));
  return out;
}

// A record of `n` three-channel frames; line `bad` has a spoiled checksum
// and line `damaged` is cut short.
std::string MakeRecord(const std::string& path, int n, int bad = -1, int damaged = -1) {
  std::string text;
  for (int i = 0; i < n; ++i) {
    std::string line = Line3(Pattern(static_cast<uint64_t>(i)), i == bad ? 1 : 0);
    if (i == damaged) line.resize(20);
    text += line + "\r\n";
  }
  WriteAll(path, text);
  return text;
}

ExportReport Export(const std::string& in, const std::string& out, std::string unit = "mmHg",
                    double rate = 200) {
  ExportRequest r;
  r.input = in;
  r.output = out;
  r.unit = std::move(unit);
  r.rate = rate;
  return ExportRecord(r);
}

TEST(CsvExport, ColumnsUnitsExactValuesAndTrueTimes) {
  TempDir dir;
  MakeRecord(dir / "r.txt", 10, 3, 6);
  const ExportReport rep = Export(dir / "r.txt", dir / "r.csv");
  ASSERT_EQ(rep.error, "");
  EXPECT_EQ(rep.frames, 8u);
  EXPECT_EQ(rep.bad_frames, 1u);
  EXPECT_EQ(rep.damaged_lines, 1u);
  const std::vector<std::string> rows = SplitLines(ReadAll(dir / "r.csv"));
  ASSERT_EQ(rows.size(), 1u + 8u + 2u);
  EXPECT_EQ(rows[0],
            "time_s,ch1_wave_mmHg,ch1_static_mmHg,ch2_wave_mmHg,ch2_static_mmHg,ch3_wave_mmHg,"
            "ch3_static_mmHg");
  EXPECT_EQ(rows[9], "# bad frames: 1");
  EXPECT_EQ(rows[10], "# damaged lines: 1");
  // Lines 3 and 6 are left out; the others keep the time of their line.
  const int line_of_row[] = {0, 1, 2, 4, 5, 7, 8, 9};
  for (int r = 0; r < 8; ++r) {
    const std::vector<double> f = Fields(rows[static_cast<size_t>(r + 1)]);
    ASSERT_EQ(f.size(), 7u) << rows[static_cast<size_t>(r + 1)];
    const int i = line_of_row[r];
    EXPECT_EQ(f[0], i / 200.0);
    const Raw3 raw = Pattern(static_cast<uint64_t>(i));
    for (int c = 0; c < 3; ++c) {
      // The exact decimal value of each raw value in the unit.
      EXPECT_DOUBLE_EQ(f[1 + 2 * c], raw.w[c] * kMmHg / 1000) << "row " << r << " ch " << c;
      EXPECT_DOUBLE_EQ(f[2 + 2 * c], raw.s[c] * kMmHg / 10) << "row " << r << " ch " << c;
    }
  }
  EXPECT_EQ(rows[5].substr(0, 6), "0.025,");  // line 5: 5 / 200
}

TEST(CsvExport, OneChannelRecordAndMixedRecord) {
  TempDir dir;
  WriteAll(dir / "one.txt", Line1(16, 32) + "\r\n" + Line1(-1, -2) + "\r\n");
  ASSERT_EQ(Export(dir / "one.txt", dir / "one.csv", "mbar").error, "");
  EXPECT_EQ(ReadAll(dir / "one.csv"),
            "time_s,ch1_wave_mbar,ch1_static_mbar\n0,0.032,1.6\n0.005,-0.002,-0.1\n"
            "# bad frames: 0\n");

  WriteAll(dir / "mixed.txt", Line1(16, 32) + "\r\n" + Line3({{1, 2, 3}, {4, 5, 6}}) + "\r\n");
  ASSERT_EQ(Export(dir / "mixed.txt", dir / "mixed.CSV", "kPa").error, "");
  const std::vector<std::string> rows = SplitLines(ReadAll(dir / "mixed.CSV"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1], "0,0.0032,0.16,,,,");  // channels 2 and 3 were not sent
  EXPECT_EQ(rows[2], "0.005,0.0004,0.01,0.0005,0.02,0.0006,0.03");

  // mmH2O: seven decimals for wave, five for static, none of them noise.
  WriteAll(dir / "h2o.txt", Line1(-32768, 3) + "\r\n");
  ASSERT_EQ(Export(dir / "h2o.txt", dir / "h2o.csv", "mmH2O").error, "");
  EXPECT_EQ(SplitLines(ReadAll(dir / "h2o.csv"))[1], "0,0.0305916,-33414.18496");
}

TEST(CsvExport, MetadataGivesRateUnitAndStartOverTheRequest) {
  TempDir dir;
  MakeRecord(dir / "r.txt", 3);
  SessionMetadata md;
  md.sample_rate = 50;
  md.unit = "kPa";
  md.start_time = "2024-05-01T10:20:30+02:00";
  ASSERT_EQ(WriteMetadataFile(MetadataPathFor(dir / "r.txt"), md), "");
  const ExportReport rep = Export(dir / "r.txt", dir / "r.csv", "mmHg", 200);
  ASSERT_EQ(rep.error, "");
  EXPECT_EQ(rep.rate, 50);
  EXPECT_EQ(rep.unit, "kPa");
  const std::vector<std::string> rows = SplitLines(ReadAll(dir / "r.csv"));
  EXPECT_EQ(rows[0].substr(0, 22), "time_s,ch1_wave_kPa,ch");
  EXPECT_EQ(rows[3].substr(0, 5), "0.04,");

  // A broken metadata file is reported and the request's values are used.
  WriteAll(MetadataPathFor(dir / "r.txt"), "{broken");
  const ExportReport rep2 = Export(dir / "r.txt", dir / "r2.csv", "mmHg", 100);
  ASSERT_EQ(rep2.error, "");
  EXPECT_NE(rep2.warning.find("is not session metadata"), std::string::npos);
  EXPECT_EQ(rep2.rate, 100);
}

TEST(Export, RefusalsNameTheValidChoicesAndLeaveNothingBehind) {
  TempDir dir;
  MakeRecord(dir / "r.txt", 3);
  EXPECT_EQ(Export(dir / "r.txt", dir / "r.pdf").error,
            "cannot export to \"" + (dir / "r.pdf") + "\": unknown format (valid: csv, edf)");
  EXPECT_EQ(Export(dir / "r.txt", dir / "r.csv", "psi").error,
            "unknown unit \"psi\" (valid: kPa, mbar, mmHg, mmH2O)");
  EXPECT_EQ(Export(dir / "r.txt", dir / "r.csv", "mmHg", 0).error,
            "the sample rate must be above 0");
  EXPECT_EQ(Export(dir / "none.txt", dir / "r.csv").error,
            "Cannot open file \"" + (dir / "none.txt") + "\": No such file or directory");
  for (const char* out : {"x/r.csv", "x/r.edf"}) {
    EXPECT_EQ(Export(dir / "r.txt", dir / out)
                  .error.rfind(
                      "Cannot create file \"" + (dir / out) + "\": No such file or directory", 0),
              0u);
  }
  // A failed export keeps an older output of that name as it was.
  WriteAll(dir / "bin.txt", "F0 1F\x02\r\n");
  WriteAll(dir / "old.edf", "old");
  EXPECT_NE(Export(dir / "bin.txt", dir / "old.edf").error.find("binary data in line 1"),
            std::string::npos);
  EXPECT_EQ(ReadAll(dir / "old.edf"), "old");
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"bin.txt", "old.edf", "r.txt"}));
}

class EdfFile {
 public:
  explicit EdfFile(const std::string& path) {
    ok_ = edfopen_file_readonly(path.c_str(), &hdr_, EDFLIB_READ_ALL_ANNOTATIONS) == 0;
  }
  ~EdfFile() {
    if (ok_) edfclose_file(hdr_.handle);
  }
  bool Ok() const { return ok_; }
  const edf_hdr_struct& Hdr() const { return hdr_; }
  std::vector<int> Digital(int signal) {
    std::vector<int> v(static_cast<size_t>(hdr_.signalparam[signal].smp_in_file));
    edfseek(hdr_.handle, signal, 0, EDFSEEK_SET);
    EXPECT_EQ(edfread_digital_samples(hdr_.handle, signal, static_cast<int>(v.size()), v.data()),
              static_cast<int>(v.size()));
    return v;
  }
  std::vector<double> Physical(int signal) {
    std::vector<double> v(static_cast<size_t>(hdr_.signalparam[signal].smp_in_file));
    edfseek(hdr_.handle, signal, 0, EDFSEEK_SET);
    EXPECT_EQ(edfread_physical_samples(hdr_.handle, signal, static_cast<int>(v.size()), v.data()),
              static_cast<int>(v.size()));
    return v;
  }
  std::vector<edf_annotation_struct> Annotations() {
    std::vector<edf_annotation_struct> out(static_cast<size_t>(hdr_.annotations_in_file));
    for (size_t i = 0; i < out.size(); ++i) {
      EXPECT_EQ(edf_get_annotation(hdr_.handle, static_cast<int>(i), &out[i]), 0);
    }
    return out;
  }

 private:
  edf_hdr_struct hdr_{};
  bool ok_ = false;
};

const edf_annotation_struct* FindAnnotation(const std::vector<edf_annotation_struct>& all,
                                            const std::string& text) {
  for (const auto& a : all) {
    if (text == a.annotation) return &a;
  }
  return nullptr;
}

TEST(EdfExport, RawValuesAsDigitalSamplesWithExactScale) {
  TempDir dir;
  MakeRecord(dir / "r.txt", 450, 7, 100);
  SessionMetadata md;
  md.sample_rate = 200;
  md.unit = "mmHg";
  md.start_time = "2024-05-01T10:20:30.250+02:00";
  md.complete = true;
  md.gaps = {{1.0, 0.5}};
  ASSERT_EQ(WriteMetadataFile(MetadataPathFor(dir / "r.txt"), md), "");
  const ExportReport rep = Export(dir / "r.txt", dir / "r.edf");
  ASSERT_EQ(rep.error, "");
  EXPECT_EQ(rep.padded_samples, 150u);  // 450 frames in records of 200

  EdfFile edf(dir / "r.edf");
  ASSERT_TRUE(edf.Ok());
  const edf_hdr_struct& h = edf.Hdr();
  EXPECT_EQ(h.filetype, EDFLIB_FILETYPE_EDFPLUS);
  ASSERT_EQ(h.edfsignals, 6);
  EXPECT_EQ(h.datarecords_in_file, 3);
  EXPECT_EQ(h.datarecord_duration, EDFLIB_TIME_DIMENSION);
  EXPECT_EQ(h.startdate_year, 2024);
  EXPECT_EQ(h.starttime_hour, 10);
  EXPECT_EQ(h.starttime_subsecond, 2500000);
  EXPECT_STREQ(h.equipment, "pulse3ch");
  EXPECT_STREQ(h.signalparam[0].label, "ch1 wave        ");  // blank-padded to 16
  EXPECT_STREQ(h.signalparam[5].label, "ch3 static      ");
  EXPECT_STREQ(h.signalparam[3].physdimension, "mmHg    ");
  EXPECT_EQ(h.signalparam[0].smp_in_datarecord, 200);
  EXPECT_EQ(h.signalparam[0].dig_min, -32768);
  EXPECT_EQ(h.signalparam[0].dig_max, 32767);

  for (int c = 0; c < 3; ++c) {
    const std::vector<int> wave = edf.Digital(2 * c);
    const std::vector<int> stat = edf.Digital(2 * c + 1);
    const std::vector<double> wave_phys = edf.Physical(2 * c);
    ASSERT_EQ(wave.size(), 600u);
    for (int i = 0; i < 600; ++i) {
      // Bad and damaged lines hold the value before them; so does the padding.
      int src = i >= 450 ? 449 : i;
      if (src == 7 || src == 100) --src;
      const Raw3 raw = Pattern(static_cast<uint64_t>(src));
      ASSERT_EQ(wave[static_cast<size_t>(i)], raw.w[c]) << "sample " << i << " ch " << c;
      ASSERT_EQ(stat[static_cast<size_t>(i)], raw.s[c]) << "sample " << i << " ch " << c;
      ASSERT_NEAR(wave_phys[static_cast<size_t>(i)], raw.w[c] * kMmHg / 1000, 1e-9);
    }
  }

  const auto notes = edf.Annotations();
  const auto* bad = FindAnnotation(notes, "bad frame");
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->onset, 7 * EDFLIB_TIME_DIMENSION / 200);
  const auto* damaged = FindAnnotation(notes, "damaged line");
  ASSERT_TRUE(damaged);
  EXPECT_EQ(damaged->onset, EDFLIB_TIME_DIMENSION / 2);
  const auto* start = FindAnnotation(notes, "sampling started");
  ASSERT_TRUE(start);
  EXPECT_EQ(start->onset, 0);
  const auto* stop = FindAnnotation(notes, "sampling stopped");
  ASSERT_TRUE(stop);
  EXPECT_EQ(stop->onset, 450 * EDFLIB_TIME_DIMENSION / 200);
  const auto* pad = FindAnnotation(notes, "padding to fill the last data record");
  ASSERT_TRUE(pad);
  EXPECT_EQ(pad->duration_l, 150 * EDFLIB_TIME_DIMENSION / 200);
  const auto* gap = FindAnnotation(notes, "gap: no frames from the device");
  ASSERT_TRUE(gap);
  EXPECT_EQ(gap->onset, EDFLIB_TIME_DIMENSION);
}

TEST(EdfExport, PhysicalRangeFitsTheHeaderForEveryUnit) {
  TempDir dir;
  WriteAll(dir / "r.txt", Line3({{-32768, 32767, 10}, {-32768, 32767, -500}}) + "\r\n");
  for (size_t u = 0; u < protocol::kUnitSymbols.size(); ++u) {
    const std::string unit = protocol::kUnitSymbols[u];
    const double f = protocol::kUnitTable[u].factor;
    const std::string out = dir / ("r_" + unit + ".edf");
    ASSERT_EQ(Export(dir / "r.txt", out, unit).error, "");
    EdfFile edf(out);
    ASSERT_TRUE(edf.Ok());
    const std::vector<double> w = edf.Physical(4);   // ch3 wave: -500
    const std::vector<double> s = edf.Physical(5);   // ch3 static: 10
    const std::vector<double> lo = edf.Physical(1);  // ch1 static: -32768
    // Exact up to the reader's arithmetic, or (mmH2O) well within one step.
    const double tol_w = unit == "mmH2O" ? 0.05 * f / 1000 : 1e-9;
    const double tol_s = unit == "mmH2O" ? 0.05 * f / 10 : 1e-7;
    EXPECT_NEAR(w[0], -500 * f / 1000, tol_w) << unit;
    EXPECT_NEAR(s[0], 10 * f / 10, tol_s) << unit;
    EXPECT_NEAR(lo[0], -32768 * f / 10, tol_s) << unit;
  }
}

TEST(EdfExport, RecordShapeFitsNonIntegerRates) {
  for (double rate : {200.0, 250.0, 1.0, 12.5, 0.5, 33.3, 255.0}) {
    const EdfRecordShape s = ChooseRecordShape(rate);
    ASSERT_GT(s.samples, 0) << rate;
    EXPECT_GE(s.duration_10us, 100) << rate;
    EXPECT_LE(s.duration_10us, 6000000) << rate;
    EXPECT_NEAR(s.samples * 100000.0 / s.duration_10us, rate, 1e-9) << rate;
  }
  EXPECT_EQ(ChooseRecordShape(200).duration_10us, 100000);

  TempDir dir;
  MakeRecord(dir / "r.txt", 30);
  ASSERT_EQ(Export(dir / "r.txt", dir / "r.edf", "mbar", 12.5).error, "");
  EdfFile edf(dir / "r.edf");
  ASSERT_TRUE(edf.Ok());
  const edf_hdr_struct& h = edf.Hdr();
  EXPECT_DOUBLE_EQ(h.signalparam[0].smp_in_datarecord * double{EDFLIB_TIME_DIMENSION} /
                       static_cast<double>(h.datarecord_duration),
                   12.5);
  EXPECT_EQ(h.signalparam[0].smp_in_file % h.signalparam[0].smp_in_datarecord, 0);
  EXPECT_GE(h.signalparam[0].smp_in_file, 30);
}

TEST(EdfExport, EveryRunOfBadFramesIsMarkedEvenInAShortFile) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 40; ++i) text += Line3(Pattern(static_cast<uint64_t>(i)), i % 2) + "\r\n";
  WriteAll(dir / "r.txt", text);
  const ExportReport rep = Export(dir / "r.txt", dir / "r.edf");
  ASSERT_EQ(rep.error, "");
  EXPECT_EQ(rep.bad_frames, 20u);
  EXPECT_EQ(rep.warning, "");
  EdfFile edf(dir / "r.edf");
  ASSERT_TRUE(edf.Ok());
  int bad = 0;
  for (const auto& a : edf.Annotations()) bad += std::string(a.annotation) == "bad frame";
  EXPECT_EQ(bad, 20);  // one data record, twenty separate runs
}

}  // namespace
}  // namespace pulse::records
