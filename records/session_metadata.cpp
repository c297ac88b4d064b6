#include "records/session_metadata.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "records/atomic_file.h"
#include "records/json.h"

namespace pulse::records {
namespace {

// A metadata file is a few hundred bytes; anything this large is something else.
constexpr off_t kMaxMetadataBytes = 1 << 20;
constexpr std::string_view kJsonSuffix = ".json";

double NumberOr(const JsonValue& obj, std::string_view key, double fallback) {
  const JsonValue* v = obj.Find(key);
  return v && v->type == JsonValue::Type::kNumber ? v->number : fallback;
}

uint64_t CountOr(const JsonValue& obj, std::string_view key, uint64_t fallback) {
  const double d = NumberOr(obj, key, -1);
  return d >= 0 ? static_cast<uint64_t>(d) : fallback;
}

std::string StringOr(const JsonValue& obj, std::string_view key) {
  const JsonValue* v = obj.Find(key);
  return v && v->type == JsonValue::Type::kString ? v->string : std::string();
}

// Reads `digits` decimal digits at `pos`, advancing it.
bool Digits(std::string_view s, size_t& pos, size_t digits, int& out) {
  if (pos + digits > s.size()) return false;
  const auto res = std::from_chars(s.data() + pos, s.data() + pos + digits, out);
  if (res.ec != std::errc() || res.ptr != s.data() + pos + digits) return false;
  pos += digits;
  return true;
}

bool Expect(std::string_view s, size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::string MetadataPathFor(const std::string& record_path) {
  return record_path + std::string(kJsonSuffix);
}

std::string FormatIsoTime(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto since = when.time_since_epoch();
  const auto secs = floor<seconds>(since);
  const int millis = static_cast<int>(duration_cast<milliseconds>(since - secs).count());
  const std::time_t t = static_cast<std::time_t>(secs.count());
  std::tm local{};
  ::localtime_r(&t, &local);
  const long offset_min = local.tm_gmtoff / 60;
  const long abs_off = offset_min < 0 ? -offset_min : offset_min;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                local.tm_sec, millis, offset_min < 0 ? '-' : '+', abs_off / 60, abs_off % 60);
  return buf;
}

std::optional<IsoTime> ParseIsoTime(std::string_view s) {
  IsoTime t;
  size_t p = 0;
  if (!Digits(s, p, 4, t.year) || !Expect(s, p, '-') || !Digits(s, p, 2, t.month) ||
      !Expect(s, p, '-') || !Digits(s, p, 2, t.day) || !Expect(s, p, 'T') ||
      !Digits(s, p, 2, t.hour) || !Expect(s, p, ':') || !Digits(s, p, 2, t.minute) ||
      !Expect(s, p, ':') || !Digits(s, p, 2, t.second)) {
    return std::nullopt;
  }
  if (p < s.size() && s[p] == '.') {
    ++p;
    int scale = 100000;
    const size_t first = p;
    while (p < s.size() && s[p] >= '0' && s[p] <= '9') {
      if (scale > 0) t.microsecond += (s[p] - '0') * scale;
      scale /= 10;
      ++p;
    }
    if (p == first) return std::nullopt;
  }
  if (p < s.size() && s[p] == 'Z') {
    ++p;
  } else if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
    const int sign = s[p] == '-' ? -1 : 1;
    ++p;
    int hh = 0, mm = 0;
    if (!Digits(s, p, 2, hh) || !Expect(s, p, ':') || !Digits(s, p, 2, mm)) return std::nullopt;
    t.utc_offset_minutes = sign * (hh * 60 + mm);
  } else {
    return std::nullopt;  // without an offset the time is ambiguous
  }
  if (p != s.size() || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 ||
      t.minute > 59 || t.second > 60) {
    return std::nullopt;
  }
  return t;
}

std::string MetadataToJson(const SessionMetadata& m) {
  JsonWriter w;
  w.BeginObject();
  w.Key("start_time");
  w.String(m.start_time);
  w.Key("stop_time");
  if (m.stop_time.empty()) {
    w.Null();
  } else {
    w.String(m.stop_time);
  }
  w.Key("sample_rate");
  w.Number(m.sample_rate);
  w.Key("unit");
  w.String(m.unit);
  w.Key("zero_values_hPa");
  w.BeginArray();
  for (double z : m.zero_values) w.Number(z);
  w.EndArray();
  w.Key("serial_number");
  m.serial_number.empty() ? w.Null() : w.String(m.serial_number);
  w.Key("production_date");
  m.production_date.empty() ? w.Null() : w.String(m.production_date);
  w.Key("program_version");
  w.String(m.program_version);
  w.Key("complete");
  w.Bool(m.complete);
  w.Key("lines");
  w.Integer(static_cast<int64_t>(m.lines));
  if (m.totals) {
    w.Key("good_frames");
    w.Integer(static_cast<int64_t>(m.totals->good_frames));
    w.Key("bad_frames");
    w.Integer(static_cast<int64_t>(m.totals->bad_frames));
    w.Key("bytes");
    w.Integer(static_cast<int64_t>(m.totals->bytes));
  }
  w.Key("gaps");
  w.BeginArray();
  for (const Gap& g : m.gaps) {
    w.BeginObject();
    w.Key("start_s");
    w.Number(g.start_s);
    w.Key("length_s");
    w.Number(g.length_s);
    w.EndObject();
  }
  w.EndArray();
  w.EndObject();
  return w.Text() + "\n";
}

std::optional<SessionMetadata> MetadataFromJson(std::string_view text, std::string* error) {
  std::optional<JsonValue> doc = ParseJson(text, error);
  if (!doc) return std::nullopt;
  if (doc->type != JsonValue::Type::kObject) {
    if (error) *error = "not a JSON object";
    return std::nullopt;
  }
  SessionMetadata m;
  m.start_time = StringOr(*doc, "start_time");
  m.stop_time = StringOr(*doc, "stop_time");
  m.sample_rate = NumberOr(*doc, "sample_rate", m.sample_rate);
  m.unit = StringOr(*doc, "unit");
  if (const JsonValue* z = doc->Find("zero_values_hPa"); z && z->type == JsonValue::Type::kArray) {
    for (const JsonValue& v : z->array) {
      if (v.type == JsonValue::Type::kNumber) m.zero_values.push_back(v.number);
    }
  }
  m.serial_number = StringOr(*doc, "serial_number");
  m.production_date = StringOr(*doc, "production_date");
  m.program_version = StringOr(*doc, "program_version");
  if (const JsonValue* c = doc->Find("complete"); c && c->type == JsonValue::Type::kBool) {
    m.complete = c->boolean;
  }
  m.lines = CountOr(*doc, "lines", 0);
  if (doc->Find("good_frames") || doc->Find("bad_frames") || doc->Find("bytes")) {
    m.totals = SessionTotals{CountOr(*doc, "good_frames", 0), CountOr(*doc, "bad_frames", 0),
                             CountOr(*doc, "bytes", 0)};
  }
  if (const JsonValue* gaps = doc->Find("gaps"); gaps && gaps->type == JsonValue::Type::kArray) {
    for (const JsonValue& g : gaps->array) {
      if (g.type != JsonValue::Type::kObject) continue;
      m.gaps.push_back({NumberOr(g, "start_s", 0), NumberOr(g, "length_s", 0)});
    }
  }
  return m;
}

std::string WriteMetadataFile(const std::string& path, const SessionMetadata& metadata) {
  AtomicFile file;
  std::string err = file.Open(path);
  if (err.empty()) err = file.Write(MetadataToJson(metadata));
  if (err.empty()) err = file.Commit();
  return err;
}

std::optional<SessionMetadata> ReadMetadataFile(const std::string& path, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = FileErrorText("open", path, errno);
    return std::nullopt;
  }
  struct stat st {};
  std::string text;
  std::string why;
  if (::fstat(fd, &st) != 0) {
    why = FileErrorText("read", path, errno);
  } else if (!S_ISREG(st.st_mode)) {
    why = "\"" + path + "\" is not a regular file";
  } else if (st.st_size > kMaxMetadataBytes) {
    why = "\"" + path + "\" is too large for a metadata file";
  } else {
    text.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        why = FileErrorText("read", path, errno);
        break;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    text.resize(done);
  }
  ::close(fd);
  if (!why.empty()) {
    if (error) *error = why;
    return std::nullopt;
  }
  std::string parse_error;
  std::optional<SessionMetadata> m = MetadataFromJson(text, &parse_error);
  if (!m && error) *error = "\"" + path + "\" is not session metadata (" + parse_error + ")";
  return m;
}

}  // namespace pulse::records
