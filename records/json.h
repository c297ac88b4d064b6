// A small JSON writer and a tolerant reader, enough for the session's
// metadata file; no dependency beyond the standard library.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pulse::records {

// Builds one JSON text with two-space indentation. The caller keeps the
// nesting right (Begin/End pairs, Key before every member of an object).
class JsonWriter {
 public:
  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  void Key(std::string_view name);
  void String(std::string_view value);
  // Shortest text that reads back as the same double ("null" for NaN/inf).
  void Number(double value);
  void Integer(int64_t value);
  void Bool(bool value);
  void Null();

  [[nodiscard]] const std::string& Text() const { return out_; }

 private:
  void BeforeValue();
  void Indent();
  void Close(char bracket);

  std::string out_;
  std::vector<bool> first_;  // per open container: no member written yet
  bool after_key_ = false;
};

// A parsed JSON value. Numbers are doubles; objects keep the last value of
// a repeated key.
struct JsonValue {
  enum class Type { kNull, kBool, kNumber, kString, kArray, kObject };
  Type type = Type::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<JsonValue> array;
  std::map<std::string, JsonValue, std::less<>> object;

  // Member `name` of an object, or nullptr (also when this is no object).
  [[nodiscard]] const JsonValue* Find(std::string_view name) const;
};

// Parses one JSON text (UTF-8). On failure, nothing, with `error` saying
// where. Nesting deeper than a few dozen levels is refused.
[[nodiscard]] std::optional<JsonValue> ParseJson(std::string_view text, std::string* error);

}  // namespace pulse::records
