#include "protocol/units.h"

#include <charconv>
#include <cmath>

#include "form/tr.h"

namespace pulse::protocol {

std::string FormatFixed2(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";

  // Shortest round-trip digits, so that decimal ties round as a person
  // reading the number expects rather than by the binary expansion.
  char digits[400];
  const auto res =
      std::to_chars(digits, digits + sizeof digits, std::fabs(value), std::chars_format::fixed);
  const char* end = res.ptr;
  const char* dot = digits;
  while (dot != end && *dot != '.') ++dot;

  // Integer digits with one spare leading position for a carry, then two decimals.
  std::string out;
  out.reserve(static_cast<size_t>(dot - digits) + 5);
  out.push_back('0');
  out.append(digits, static_cast<size_t>(dot - digits));
  const char* frac = dot == end ? end : dot + 1;
  for (int i = 0; i < 2; ++i) out.push_back(frac + i < end ? frac[i] : '0');
  if (frac + 2 < end && frac[2] >= '5') {
    size_t i = out.size();
    while (i-- > 0) {
      if (out[i] == '9') {
        out[i] = '0';
      } else {
        ++out[i];
        break;
      }
    }
  }
  const size_t first = out[0] == '0' && out.size() > 3 ? 1 : 0;
  out.insert(out.size() - 2, 1, '.');
  out.erase(0, first);
  bool zero = true;
  for (char c : out) zero = zero && (c == '0' || c == '.');
  if (value < 0 && !zero) out.insert(0, 1, '-');
  return out;
}

std::string ZeroValueCaption(double hpa) {
  return form::Format(form::Tr("Units", "零点值: %1 hPa"), {FormatFixed2(hpa)});
}

}  // namespace pulse::protocol
