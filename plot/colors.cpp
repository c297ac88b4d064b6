#include "plot/colors.h"

#include <array>

namespace pulse::plot {

namespace {

// Fixed values for the system colours, indexed like clScrollBar..clInfoBk, so that plots
// look the same on every desktop and in every test run.
constexpr std::array<std::uint32_t, 25> kSystemColors = {
    RgbColor(200, 200, 200),  // clScrollBar
    RgbColor(0, 0, 0),        // clBackground
    RgbColor(153, 180, 209),  // clActiveCaption
    RgbColor(191, 205, 219),  // clInactiveCaption
    RgbColor(240, 240, 240),  // clMenu
    RgbColor(255, 255, 255),  // clWindow
    RgbColor(100, 100, 100),  // clWindowFrame
    RgbColor(0, 0, 0),        // clMenuText
    RgbColor(0, 0, 0),        // clWindowText
    RgbColor(0, 0, 0),        // clCaptionText
    RgbColor(180, 180, 180),  // clActiveBorder
    RgbColor(244, 247, 252),  // clInactiveBorder
    RgbColor(171, 171, 171),  // clAppWorkSpace
    RgbColor(0, 120, 215),    // clHighlight
    RgbColor(255, 255, 255),  // clHighlightText
    RgbColor(240, 240, 240),  // clBtnFace
    RgbColor(160, 160, 160),  // clBtnShadow
    RgbColor(109, 109, 109),  // clGrayText
    RgbColor(0, 0, 0),        // clBtnText
    RgbColor(0, 0, 0),        // clInactiveCaptionText
    RgbColor(255, 255, 255),  // clBtnHighlight
    RgbColor(105, 105, 105),  // cl3DDkShadow
    RgbColor(227, 227, 227),  // cl3DLight
    RgbColor(0, 0, 0),        // clInfoText
    RgbColor(255, 255, 225),  // clInfoBk
};

}  // namespace

std::uint32_t ColorToRgb(TColor c) {
  if (IsSystemColor(c)) {
    const std::uint32_t index = c & 0xFFu;
    // An unknown index shows as black rather than as an arbitrary value.
    return index < kSystemColors.size() ? kSystemColors[index] : 0u;
  }
  return c & 0x00FFFFFFu;
}

}  // namespace pulse::plot
