#include "plot/label_format.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace pulse::plot {

namespace {

// ---- number patterns -------------------------------------------------------------------

struct NumberSection {
  std::string prefix;  // literal text before the digits
  std::string suffix;  // literal text after the digits
  int min_int = 0;     // required integer digits ('0' from the first one on)
  int min_dec = 0;     // required decimals
  int max_dec = 0;     // decimals shown at most
  bool grouping = false;
  bool has_exp = false;
  bool exp_always_sign = false;  // "E+" shows '+', "E-" only '-'
  char exp_char = 'E';
  int exp_digits = 0;
  bool any_placeholder = false;
};

// Splits a pattern into ';' sections, leaving quoted text alone.
std::vector<std::string> SplitSections(const std::string& pattern) {
  std::vector<std::string> out(1);
  char quote = 0;
  for (char c : pattern) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      out.emplace_back();
      continue;
    }
    out.back() += c;
  }
  return out;
}

NumberSection ParseSection(const std::string& s) {
  NumberSection sec;
  bool in_fraction = false;
  bool seen_zero_int = false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"' || c == '\'') {
      std::size_t j = s.find(c, i + 1);
      if (j == std::string::npos) j = s.size();
      (sec.any_placeholder ? sec.suffix : sec.prefix) += s.substr(i + 1, j - i - 1);
      i = j;
      continue;
    }
    if ((c == 'E' || c == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-') &&
        sec.any_placeholder && !sec.has_exp) {
      sec.has_exp = true;
      sec.exp_char = c;
      sec.exp_always_sign = s[i + 1] == '+';
      i += 2;
      while (i < s.size() && s[i] == '0') {
        ++sec.exp_digits;
        ++i;
      }
      --i;
      continue;
    }
    if (sec.has_exp) {
      sec.suffix += c;
      continue;
    }
    switch (c) {
      case '0':
      case '#':
        sec.any_placeholder = true;
        if (in_fraction) {
          ++sec.max_dec;
          if (c == '0') sec.min_dec = sec.max_dec;
        } else if (c == '0' || seen_zero_int) {
          seen_zero_int = true;
          ++sec.min_int;
        }
        break;
      case '.':
        if (!in_fraction) {
          in_fraction = true;
          sec.any_placeholder = true;
        } else {
          sec.suffix += c;
        }
        break;
      case ',':
        if (!in_fraction) sec.grouping = true;
        break;
      default:
        (sec.any_placeholder ? sec.suffix : sec.prefix) += c;
    }
  }
  return sec;
}

// v / 10^e in two halves, so that 10^e itself never overflows or underflows (denormals).
double DivPow10(double v, int e) {
  const int half = e / 2;
  return v / std::pow(10.0, half) / std::pow(10.0, e - half);
}

// Exact-enough decimal digits of |v| (shortest round-trip form), split at the point.
void DecimalDigits(double v, std::string& int_part, std::string& frac_part) {
  char buf[400];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::fixed);
  std::string text = ec == std::errc() ? std::string(buf, ptr) : std::string("0");
  const std::size_t dot = text.find('.');
  int_part = text.substr(0, dot);
  frac_part = dot == std::string::npos ? "" : text.substr(dot + 1);
}

// Rounds the decimal digits half away from zero to max_dec decimals.
void RoundDigits(std::string& int_part, std::string& frac_part, int max_dec) {
  if (static_cast<int>(frac_part.size()) <= max_dec) return;
  const bool up = frac_part[static_cast<std::size_t>(max_dec)] >= '5';
  frac_part.resize(static_cast<std::size_t>(max_dec));
  if (!up) return;
  std::string all = int_part + frac_part;
  int i = static_cast<int>(all.size()) - 1;
  for (; i >= 0; --i) {
    if (all[static_cast<std::size_t>(i)] == '9') {
      all[static_cast<std::size_t>(i)] = '0';
    } else {
      ++all[static_cast<std::size_t>(i)];
      break;
    }
  }
  if (i < 0) all.insert(all.begin(), '1');
  int_part = all.substr(0, all.size() - frac_part.size());
  frac_part = all.substr(all.size() - frac_part.size());
}

std::string GroupThousands(const std::string& digits) {
  std::string out;
  const int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[static_cast<std::size_t>(i)];
  }
  return out;
}

// Digits of |v| laid out by the section; sets `zero` when every shown digit is 0.
std::string LayOutDigits(const NumberSection& sec, double v, bool& zero) {
  std::string int_part, frac_part;
  int exponent = 0;
  if (sec.has_exp && v != 0) {
    const int int_digits = std::max(1, sec.min_int);
    exponent = static_cast<int>(std::floor(std::log10(std::fabs(v)))) - (int_digits - 1);
    double mant = DivPow10(std::fabs(v), exponent);
    DecimalDigits(mant, int_part, frac_part);
    RoundDigits(int_part, frac_part, sec.max_dec);
    if (static_cast<int>(int_part.size()) > int_digits) {  // 9.99 rounded up to 10.0
      ++exponent;
      DecimalDigits(DivPow10(std::fabs(v), exponent), int_part, frac_part);
      RoundDigits(int_part, frac_part, sec.max_dec);
    }
  } else {
    DecimalDigits(v, int_part, frac_part);
    RoundDigits(int_part, frac_part, sec.max_dec);
  }
  while (static_cast<int>(frac_part.size()) > sec.min_dec && !frac_part.empty() &&
         frac_part.back() == '0')
    frac_part.pop_back();
  while (static_cast<int>(frac_part.size()) < sec.min_dec) frac_part += '0';
  while (int_part.size() > 1 && int_part[0] == '0') int_part.erase(0, 1);
  if (int_part == "0" && sec.min_int == 0 && !frac_part.empty()) int_part.clear();
  while (static_cast<int>(int_part.size()) < sec.min_int) int_part.insert(int_part.begin(), '0');
  zero = (int_part + frac_part).find_first_not_of('0') == std::string::npos;
  std::string out = sec.grouping ? GroupThousands(int_part) : int_part;
  if (!frac_part.empty()) {
    out += '.';
    out += frac_part;
  }
  if (int_part.empty() && frac_part.empty()) out.assign(1, '0');
  if (sec.has_exp) {
    if (zero) exponent = 0;
    out += sec.exp_char;
    if (exponent < 0)
      out += '-';
    else if (sec.exp_always_sign)
      out += '+';
    std::string e = std::to_string(std::abs(exponent));
    while (static_cast<int>(e.size()) < sec.exp_digits) e.insert(e.begin(), '0');
    out += e;
  }
  return out;
}

std::string GeneralNumber(double v) {
  // 15 significant digits hide the last-bit noise of computed tick values.
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  std::string s = ec == std::errc() ? std::string(buf, ptr) : std::string("0");
  return s == "-0" ? "0" : s;
}

// ---- date-time patterns ----------------------------------------------------------------

// Day count between 30 December 1899 and 1 January 1970.
constexpr long long kUnixEpochDay = 25569;
constexpr double kMsPerDay = 86400000.0;

struct CivilDate {
  long long year;
  int month;
  int day;
};

// Proleptic Gregorian date from days since 1 January 1970.
CivilDate CivilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const long long doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

const std::array<const char*, 12> kShortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const std::array<const char*, 12> kLongMonths = {"January",   "February", "March",    "April",
                                                 "May",       "June",     "July",     "August",
                                                 "September", "October",  "November", "December"};
const std::array<const char*, 7> kShortDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                              "Thursday", "Friday", "Saturday"};

std::string Padded(long long v, int width) {
  std::string s = std::to_string(v < 0 ? -v : v);
  while (static_cast<int>(s.size()) < width) s.insert(s.begin(), '0');
  return v < 0 ? "-" + s : s;
}

bool StartsWithNoCase(const std::string& s, std::size_t i, const char* word) {
  for (std::size_t k = 0; word[k]; ++k) {
    if (i + k >= s.size()) return false;
    const char a = static_cast<char>(std::tolower(static_cast<unsigned char>(s[i + k])));
    if (a != word[k]) return false;
  }
  return true;
}

}  // namespace

std::string FormatNumber(const std::string& pattern, double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (pattern.empty()) return GeneralNumber(value);
  const std::vector<std::string> texts = SplitSections(pattern);
  std::vector<NumberSection> sections;
  for (const auto& t : texts) sections.push_back(ParseSection(t));

  const bool negative = value < 0;
  const NumberSection* sec = &sections[0];
  bool own_sign = false;  // the negative section writes its own sign, if any
  if (negative && sections.size() > 1 && !texts[1].empty()) {
    sec = &sections[1];
    own_sign = true;
  }
  bool zero = false;
  std::string digits = LayOutDigits(*sec, value, zero);
  if (zero && sections.size() > 2 && !texts[2].empty()) {
    sec = &sections[2];
    digits = LayOutDigits(*sec, 0.0, zero);
    own_sign = true;
  }
  if (!sec->any_placeholder) return sec->prefix + sec->suffix;
  // A value that rounds to zero shows without a minus sign.
  const std::string sign = (negative && !own_sign && !zero) ? "-" : "";
  return sign + sec->prefix + digits + sec->suffix;
}

std::string FormatDateTime(const std::string& pattern_in, double value) {
  if (!std::isfinite(value) || std::fabs(value) > 1e9) return GeneralNumber(value);
  const std::string pattern = pattern_in.empty() ? "yyyy-mm-dd hh:nn:ss" : pattern_in;

  // The whole part counts days, the fraction is the time of day also for negative values.
  double whole = std::trunc(value);
  long long ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  if (ms >= static_cast<long long>(kMsPerDay)) {
    ms -= static_cast<long long>(kMsPerDay);
    whole += value < 0 ? -1 : 1;
  }
  const long long days = static_cast<long long>(whole);
  const CivilDate date = CivilFromDays(days - kUnixEpochDay);
  const int weekday =
      static_cast<int>(((days - kUnixEpochDay) % 7 + 7 + 4) % 7);  // 1970-01-01: Thu
  const int hour = static_cast<int>(ms / 3600000);
  const int minute = static_cast<int>(ms / 60000 % 60);
  const int second = static_cast<int>(ms / 1000 % 60);
  const int milli = static_cast<int>(ms % 1000);

  bool twelve_hour = false;
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p"))
      twelve_hour = true;

  std::string out;
  bool after_hour = false;  // m/mm right after h/hh means minutes
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char c = pattern[i];
    const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '"' || c == '\'') {
      std::size_t j = pattern.find(c, i + 1);
      if (j == std::string::npos) j = pattern.size();
      out += pattern.substr(i + 1, j - i - 1);
      i = j + 1;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "am/pm")) {
      const bool upper = c == 'A';
      out += hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
      i += 5;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "a/p")) {
      const bool upper = c == 'A';
      out += hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
      i += 3;
      continue;
    }
    std::size_t n = 1;
    while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == lc)
      ++n;
    const int count = static_cast<int>(n);
    bool consumed = true;
    bool was_hour = false;
    switch (lc) {
      case 'y':
        out += count <= 2 ? Padded(((date.year % 100) + 100) % 100, 2) : Padded(date.year, 4);
        break;
      case 'm':
        if (after_hour && count <= 2)
          out += Padded(minute, count);
        else if (count <= 2)
          out += Padded(date.month, count);
        else if (count == 3)
          out += kShortMonths[static_cast<std::size_t>(date.month - 1)];
        else
          out += kLongMonths[static_cast<std::size_t>(date.month - 1)];
        break;
      case 'd':
        if (count <= 2)
          out += Padded(date.day, count);
        else if (count == 3)
          out += kShortDays[static_cast<std::size_t>(weekday)];
        else
          out += kLongDays[static_cast<std::size_t>(weekday)];
        break;
      case 'h': {
        int h = hour;
        if (twelve_hour) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += Padded(h, std::min(count, 2));
        was_hour = true;
        break;
      }
      case 'n':
        out += Padded(minute, std::min(count, 2));
        break;
      case 's':
        out += Padded(second, std::min(count, 2));
        break;
      case 'z':
        out += Padded(milli, count >= 3 ? 3 : 1);
        break;
      default:
        consumed = false;
    }
    if (consumed) {
      after_hour = was_hour;
      i += n;
    } else {
      out += c;
      ++i;
      // Separators between hour and minute keep the minute meaning of m.
      if (c != ':' && c != ' ') after_hour = false;
    }
  }
  return out;
}

}  // namespace pulse::plot
