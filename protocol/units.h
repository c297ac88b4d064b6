// Sample decoding, pressure units and the "0.00" formatting of read-outs.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace pulse::protocol {

// Signed 16-bit two's-complement value sent low byte first.
[[nodiscard]] constexpr int32_t DecodeInt16(uint8_t low, uint8_t high) {
  const int32_t v = high * 256 + low;
  return high >= 128 ? v - 65536 : v;
}

// Static values count 0.1 hPa, wave values 0.001 hPa, zero values 0.1 hPa.
constexpr double kStaticDivisor = 10.0;
constexpr double kWaveDivisor = 1000.0;
constexpr double kZeroDivisor = 10.0;

// Scaling of an already decoded raw value; the byte forms below use these.
[[nodiscard]] constexpr double StaticValueOfRaw(int32_t raw, double unit_factor) {
  return static_cast<double>(raw) * unit_factor / kStaticDivisor;
}
[[nodiscard]] constexpr double WaveValueOfRaw(int32_t raw, double unit_factor) {
  return static_cast<double>(raw) * unit_factor / kWaveDivisor;
}
[[nodiscard]] constexpr double ZeroValueOfRaw(int32_t raw) {
  return static_cast<double>(raw) / kZeroDivisor;
}

[[nodiscard]] constexpr double StaticValue(uint8_t low, uint8_t high, double unit_factor) {
  return StaticValueOfRaw(DecodeInt16(low, high), unit_factor);
}
[[nodiscard]] constexpr double WaveValue(uint8_t low, uint8_t high, double unit_factor) {
  return WaveValueOfRaw(DecodeInt16(low, high), unit_factor);
}
// Always hectopascal: the device's zero values are shown unconverted.
[[nodiscard]] constexpr double ZeroValue(uint8_t low, uint8_t high) {
  return ZeroValueOfRaw(DecodeInt16(low, high));
}

struct PressureUnit {
  const char* name;  // entry of the unit list
  double factor;     // hectopascal to this unit
};

constexpr std::array<PressureUnit, 4> kUnitTable{{
    {"千帕", 0.1},
    {"毫巴", 1.0},
    {"毫米汞柱", 0.75},
    {"毫米水柱", 10.1972},
}};

// ASCII symbols of the unit list's entries, in the same order, for file
// headers and command lines where the Chinese names do not fit.
constexpr std::array<const char*, kUnitTable.size()> kUnitSymbols{{"kPa", "mbar", "mmHg", "mmH2O"}};

// Factor for an entry of the unit list; any other index (typed text, no
// selection) keeps `current`.
[[nodiscard]] constexpr double UnitFactorFor(int item_index, double current) {
  return item_index >= 0 && item_index < static_cast<int>(kUnitTable.size())
             ? kUnitTable[static_cast<size_t>(item_index)].factor
             : current;
}

// Fixed two decimals, rounding the shortest decimal form of the value half
// away from zero (0.075 -> "0.08", 1.005 -> "1.01"), never "-0.00".
[[nodiscard]] std::string FormatFixed2(double value);

// "零点值: " + value + " hPa", the caption of a zero-value panel.
[[nodiscard]] std::string ZeroValueCaption(double hpa);

}  // namespace pulse::protocol
