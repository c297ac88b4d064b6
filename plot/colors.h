// Colour values of the plot library: 0x00BBGGRR for an RGB colour, high byte 0xFF for a
// system colour by index, clNone for "no colour".
#pragma once

#include <cstdint>

namespace pulse::plot {

using TColor = std::uint32_t;

// Named RGB colours (0x00BBGGRR).
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;

// System colours: 0xFF000000 | index.
inline constexpr TColor kSystemColorFlag = 0xFF000000;
inline constexpr TColor clScrollBar = kSystemColorFlag | 0;
inline constexpr TColor clBackground = kSystemColorFlag | 1;
inline constexpr TColor clActiveCaption = kSystemColorFlag | 2;
inline constexpr TColor clInactiveCaption = kSystemColorFlag | 3;
inline constexpr TColor clMenu = kSystemColorFlag | 4;
inline constexpr TColor clWindow = kSystemColorFlag | 5;
inline constexpr TColor clWindowFrame = kSystemColorFlag | 6;
inline constexpr TColor clMenuText = kSystemColorFlag | 7;
inline constexpr TColor clWindowText = kSystemColorFlag | 8;
inline constexpr TColor clCaptionText = kSystemColorFlag | 9;
inline constexpr TColor clActiveBorder = kSystemColorFlag | 10;
inline constexpr TColor clInactiveBorder = kSystemColorFlag | 11;
inline constexpr TColor clAppWorkSpace = kSystemColorFlag | 12;
inline constexpr TColor clHighlight = kSystemColorFlag | 13;
inline constexpr TColor clHighlightText = kSystemColorFlag | 14;
inline constexpr TColor clBtnFace = kSystemColorFlag | 15;
inline constexpr TColor clBtnShadow = kSystemColorFlag | 16;
inline constexpr TColor clGrayText = kSystemColorFlag | 17;
inline constexpr TColor clBtnText = kSystemColorFlag | 18;
inline constexpr TColor clInactiveCaptionText = kSystemColorFlag | 19;
inline constexpr TColor clBtnHighlight = kSystemColorFlag | 20;
inline constexpr TColor cl3DDkShadow = kSystemColorFlag | 21;
inline constexpr TColor cl3DLight = kSystemColorFlag | 22;
inline constexpr TColor clInfoText = kSystemColorFlag | 23;
inline constexpr TColor clInfoBk = kSystemColorFlag | 24;

// "No colour": nothing is painted with it.
inline constexpr TColor clNone = 0x1FFFFFFF;

// True for a system colour reference (high byte 0xFF).
[[nodiscard]] constexpr bool IsSystemColor(TColor c) {
  return (c & 0xFF000000u) == kSystemColorFlag;
}

// Resolves a colour value to plain 0x00BBGGRR: system colours get fixed conventional values
// (so output does not depend on the desktop theme); other values keep their low 24 bits.
[[nodiscard]] std::uint32_t ColorToRgb(TColor c);

[[nodiscard]] constexpr int RedOf(std::uint32_t bgr) {
  return static_cast<int>(bgr & 0xFF);
}
[[nodiscard]] constexpr int GreenOf(std::uint32_t bgr) {
  return static_cast<int>((bgr >> 8) & 0xFF);
}
[[nodiscard]] constexpr int BlueOf(std::uint32_t bgr) {
  return static_cast<int>((bgr >> 16) & 0xFF);
}
[[nodiscard]] constexpr TColor RgbColor(int r, int g, int b) {
  return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

}  // namespace pulse::plot
