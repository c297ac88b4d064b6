#include "records/session_metadata.h"

#include <gtest/gtest.h>

#include "records/json.h"
#include "tests/records/record_test_support.h"

namespace pulse::records {
namespace {

using namespace pulse::test;

SessionMetadata Sample() {
  SessionMetadata m;
  m.start_time = "2024-05-01T10:20:30.250+02:00";
  m.stop_time = "2024-05-01T11:20:30.000+02:00";
  m.sample_rate = 12.5;
  m.unit = "mmHg";
  m.zero_values = {-1.0, 0.1, 3276.7};
  m.serial_number = "12345678";
  m.production_date = "2019-09-23";
  m.program_version = "0.1.0 \"beta\"\\\n";
  m.complete = true;
  m.lines = 720000;
  m.totals = SessionTotals{719990, 10, 12240000000ull};
  m.gaps = {{12.5, 3.25}, {100, 0.1}};
  return m;
}

TEST(SessionMetadata, EveryKeyReadsBackAsWritten) {
  const SessionMetadata m = Sample();
  std::string error;
  const auto back = MetadataFromJson(MetadataToJson(m), &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->start_time, m.start_time);
  EXPECT_EQ(back->stop_time, m.stop_time);
  EXPECT_EQ(back->sample_rate, 12.5);
  EXPECT_EQ(back->unit, "mmHg");
  EXPECT_EQ(back->zero_values, m.zero_values);
  EXPECT_EQ(back->serial_number, m.serial_number);
  EXPECT_EQ(back->production_date, m.production_date);
  EXPECT_EQ(back->program_version, m.program_version);
  EXPECT_TRUE(back->complete);
  EXPECT_EQ(back->lines, 720000u);
  ASSERT_TRUE(back->totals);
  EXPECT_EQ(back->totals->good_frames, 719990u);
  EXPECT_EQ(back->totals->bad_frames, 10u);
  EXPECT_EQ(back->totals->bytes, 12240000000ull);
  ASSERT_EQ(back->gaps.size(), 2u);
  EXPECT_EQ(back->gaps[0].start_s, 12.5);
  EXPECT_EQ(back->gaps[1].length_s, 0.1);
}

TEST(SessionMetadata, AFreshSessionLeavesUnknownsOutOrNull) {
  SessionMetadata m;
  m.unit = "kPa";
  const std::string json = MetadataToJson(m);
  EXPECT_NE(json.find("\"stop_time\": null"), std::string::npos);
  EXPECT_NE(json.find("\"serial_number\": null"), std::string::npos);
  EXPECT_EQ(json.find("good_frames"), std::string::npos);
  const auto back = MetadataFromJson(json, nullptr);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->totals);
  EXPECT_FALSE(back->complete);
  EXPECT_EQ(back->serial_number, "");
}

TEST(SessionMetadata, ReaderToleratesUnknownKeysAndOtherWriters) {
  const char* text = R"({"future": {"nested": [1, 2, {"x": null}]}, "sample_rate": 250,
      "unit": "mbar", "start_time": "2024-01-02T03:04:05Z", "note": "\u00e9\ud83d\ude00",
      "gaps": [{"start_s": 1, "length_s": 2, "why": "unplugged"}, 7], "complete": "yes"})";
  std::string error;
  const auto m = MetadataFromJson(text, &error);
  ASSERT_TRUE(m) << error;
  EXPECT_EQ(m->sample_rate, 250);
  EXPECT_EQ(m->unit, "mbar");
  ASSERT_EQ(m->gaps.size(), 1u);
  EXPECT_EQ(m->gaps[0].length_s, 2);
  EXPECT_FALSE(m->complete);  // a string is no boolean
}

TEST(SessionMetadata, BrokenJsonIsRefusedWithAPlace) {
  std::string error;
  EXPECT_FALSE(MetadataFromJson(R"({"sample_rate": 200,)", &error));
  EXPECT_NE(error.find("offset"), std::string::npos);
  EXPECT_FALSE(MetadataFromJson("[1, 2]", &error));
  EXPECT_EQ(error, "not a JSON object");
  EXPECT_FALSE(MetadataFromJson(R"({"a": nan})", &error));
  EXPECT_FALSE(MetadataFromJson(R"({"a": "open)", &error));
  EXPECT_FALSE(MetadataFromJson(R"({"a": 1} x)", &error));
  EXPECT_FALSE(MetadataFromJson(std::string(1000, '[') + std::string(1000, ']'), &error));
}

TEST(JsonText, EscapesControlCharactersAndKeepsUtf8) {
  JsonWriter w;
  w.BeginObject();
  w.Key("s");
  w.String(std::string("a\x01\"\t毫米汞柱", 16));
  w.EndObject();
  EXPECT_NE(w.Text().find(R"(a\u0001\"\t毫米汞柱)"), std::string::npos);
  const auto v = ParseJson(w.Text(), nullptr);
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Find("s")->string, std::string("a\x01\"\t毫米汞柱", 16));
}

TEST(IsoTime, FormatCarriesTheOffsetAndParsesBack) {
  ::setenv("TZ", "Asia/Kolkata", 1);  // +05:30: minutes in the offset matter
  ::tzset();
  const auto t = std::chrono::system_clock::time_point(std::chrono::milliseconds(1714558830250));
  const std::string s = FormatIsoTime(t);
  EXPECT_EQ(s, "2024-05-01T15:50:30.250+05:30");
  const auto p = ParseIsoTime(s);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->hour, 15);
  EXPECT_EQ(p->microsecond, 250000);
  EXPECT_EQ(p->utc_offset_minutes, 330);
  ::unsetenv("TZ");
  ::tzset();

  EXPECT_EQ(ParseIsoTime("2024-05-01T10:20:30-03:00")->utc_offset_minutes, -180);
  EXPECT_FALSE(ParseIsoTime("2024-05-01T10:20:30"));  // no offset: ambiguous
  EXPECT_FALSE(ParseIsoTime("2024-13-01T10:20:30Z"));
  EXPECT_FALSE(ParseIsoTime("2024-05-01 10:20:30Z"));
}

TEST(MetadataFile, ReplacedWholeAndReadBack) {
  TempDir dir;
  const std::string path = MetadataPathFor(dir / "OUT.txt");
  EXPECT_EQ(path, dir / "OUT.txt.json");
  ASSERT_EQ(WriteMetadataFile(path, Sample()), "");
  SessionMetadata second = Sample();
  second.lines = 5;
  ASSERT_EQ(WriteMetadataFile(path, second), "");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"OUT.txt.json"});  // no temporaries
  std::string error;
  const auto back = ReadMetadataFile(path, &error);
  ASSERT_TRUE(back) << error;
  EXPECT_EQ(back->lines, 5u);

  EXPECT_NE(WriteMetadataFile(dir / "no/such/dir.json", second).find("Cannot create file"),
            std::string::npos);
  EXPECT_FALSE(ReadMetadataFile(dir / "missing.json", &error));
  EXPECT_NE(error.find("No such file"), std::string::npos);
  WriteAll(dir / "bad.json", "{\"unit\": ");
  EXPECT_FALSE(ReadMetadataFile(dir / "bad.json", &error));
  EXPECT_NE(error.find("is not session metadata"), std::string::npos);
}

}  // namespace
}  // namespace pulse::records
