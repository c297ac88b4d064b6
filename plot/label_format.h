// Tick label formatting: number patterns ("###0.##") and date-time patterns ("hh:nn:ss").
#pragma once

#include <string>

namespace pulse::plot {

// Formats a value with a number pattern: '0' a required digit, '#' an optional digit,
// '.' the decimal point, ',' thousands grouping, "E+00"/"e-00" an exponent, quoted text and
// other characters copied; ';' separates positive;negative;zero sections. Rounds half away
// from zero. An empty pattern gives the shortest general form of the value.
[[nodiscard]] std::string FormatNumber(const std::string& pattern, double value);

// Formats a date-time value (days since 30 December 1899, fraction = time of day) with a
// pattern: y/yy/yyyy year, m/mm month (minute after h), mmm/mmmm month names, d/dd day,
// ddd/dddd day names, h/hh hour, n/nn minute, s/ss second, z/zzz millisecond, am/pm and
// a/p for a 12-hour clock, quoted text and other characters copied. An empty pattern
// gives "yyyy-mm-dd hh:nn:ss".
[[nodiscard]] std::string FormatDateTime(const std::string& pattern, double value);

}  // namespace pulse::plot
