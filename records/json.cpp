#include "records/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace pulse::records {
namespace {

// Deeper nesting than this is no metadata file; it also bounds the recursion.
constexpr int kMaxDepth = 64;

void AppendEscaped(std::string& out, std::string_view s) {
  out += '"';
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  std::optional<JsonValue> Document(std::string* error) {
    JsonValue v;
    if (!Value(v, 0)) return Fail(error);
    SkipSpace();
    if (pos_ != s_.size()) {
      why_ = "text after the value";
      return Fail(error);
    }
    return v;
  }

 private:
  std::optional<JsonValue> Fail(std::string* error) const {
    if (error) *error = why_ + " at offset " + std::to_string(pos_);
    return std::nullopt;
  }

  void SkipSpace() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r')) {
      ++pos_;
    }
  }

  bool Literal(std::string_view word) {
    if (s_.substr(pos_, word.size()) != word) {
      why_ = "unknown literal";
      return false;
    }
    pos_ += word.size();
    return true;
  }

  bool Value(JsonValue& v, int depth) {
    if (depth > kMaxDepth) {
      why_ = "nesting too deep";
      return false;
    }
    SkipSpace();
    if (pos_ >= s_.size()) {
      why_ = "unexpected end";
      return false;
    }
    switch (s_[pos_]) {
      case '{':
        return Object(v, depth);
      case '[':
        return Array(v, depth);
      case '"':
        v.type = JsonValue::Type::kString;
        return String(v.string);
      case 't':
        v.type = JsonValue::Type::kBool;
        v.boolean = true;
        return Literal("true");
      case 'f':
        v.type = JsonValue::Type::kBool;
        return Literal("false");
      case 'n':
        v.type = JsonValue::Type::kNull;
        return Literal("null");
      default:
        v.type = JsonValue::Type::kNumber;
        return Number(v.number);
    }
  }

  bool Object(JsonValue& v, int depth) {
    v.type = JsonValue::Type::kObject;
    ++pos_;
    SkipSpace();
    if (pos_ < s_.size() && s_[pos_] == '}') {
      ++pos_;
      return true;
    }
    for (;;) {
      SkipSpace();
      std::string key;
      if (pos_ >= s_.size() || s_[pos_] != '"') {
        why_ = "expected a key";
        return false;
      }
      if (!String(key)) return false;
      SkipSpace();
      if (pos_ >= s_.size() || s_[pos_] != ':') {
        why_ = "expected ':'";
        return false;
      }
      ++pos_;
      JsonValue member;
      if (!Value(member, depth + 1)) return false;
      v.object[std::move(key)] = std::move(member);
      SkipSpace();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == '}') {
        ++pos_;
        return true;
      }
      why_ = "expected ',' or '}'";
      return false;
    }
  }

  bool Array(JsonValue& v, int depth) {
    v.type = JsonValue::Type::kArray;
    ++pos_;
    SkipSpace();
    if (pos_ < s_.size() && s_[pos_] == ']') {
      ++pos_;
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!Value(item, depth + 1)) return false;
      v.array.push_back(std::move(item));
      SkipSpace();
      if (pos_ < s_.size() && s_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
        return true;
      }
      why_ = "expected ',' or ']'";
      return false;
    }
  }

  bool Number(double& out) {
    const char* first = s_.data() + pos_;
    const char* last = s_.data() + s_.size();
    // from_chars takes no leading '+', as JSON; it does take "inf"/"nan", which JSON does not.
    if (first != last && (*first == 'i' || *first == 'n' || *first == 'I' || *first == 'N')) {
      why_ = "not a number";
      return false;
    }
    const auto res = std::from_chars(first, last, out);
    if (res.ec != std::errc()) {
      why_ = "not a number";
      return false;
    }
    pos_ += static_cast<size_t>(res.ptr - first);
    return true;
  }

  static void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool Hex4(uint32_t& out) {
    if (pos_ + 4 > s_.size()) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[pos_++];
      out <<= 4;
      if (c >= '0' && c <= '9') {
        out |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        out |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        out |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  bool String(std::string& out) {
    ++pos_;  // opening quote
    while (pos_ < s_.size()) {
      const char c = s_[pos_++];
      if (c == '"') return true;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= s_.size()) break;
      const char e = s_[pos_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t cp = 0;
          if (!Hex4(cp)) {
            why_ = "bad \\u escape";
            return false;
          }
          // A surrogate pair spells one code point above U+FFFF.
          if (cp >= 0xD800 && cp < 0xDC00 && s_.substr(pos_, 2) == "\\u") {
            pos_ += 2;
            uint32_t low = 0;
            if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
              why_ = "bad surrogate pair";
              return false;
            }
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, cp);
          break;
        }
        default:
          why_ = "bad escape";
          return false;
      }
    }
    why_ = "unterminated string";
    return false;
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string why_;
};

}  // namespace

void JsonWriter::Indent() {
  out_ += '\n';
  out_.append(first_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
  if (after_key_) {
    after_key_ = false;
    return;
  }
  if (first_.empty()) return;
  if (!first_.back()) out_ += ',';
  first_.back() = false;
  Indent();
}

void JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  first_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  const bool empty = first_.back();
  first_.pop_back();
  if (!empty) Indent();
  out_ += bracket;
}

void JsonWriter::EndObject() {
  Close('}');
}

void JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  first_.push_back(true);
}

void JsonWriter::EndArray() {
  Close(']');
}

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  AppendEscaped(out_, name);
  out_ += ": ";
  after_key_ = true;
}

void JsonWriter::String(std::string_view value) {
  BeforeValue();
  AppendEscaped(out_, value);
}

void JsonWriter::Number(double value) {
  BeforeValue();
  if (!std::isfinite(value)) {
    out_ += "null";
    return;
  }
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, res.ptr);
}

void JsonWriter::Integer(int64_t value) {
  BeforeValue();
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  out_.append(buf, res.ptr);
}

void JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

const JsonValue* JsonValue::Find(std::string_view name) const {
  if (type != Type::kObject) return nullptr;
  const auto it = object.find(name);
  return it == object.end() ? nullptr : &it->second;
}

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
  return Parser(text).Document(error);
}

}  // namespace pulse::records
