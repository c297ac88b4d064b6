// Enumerations and small types shared by the XY plot, its series and markers.
#pragma once

#include <cstdint>

#include "plot/rect.h"

namespace pulse::plot {

class Tsp_XYPlot;
class Tsp_Axis;

enum Tsp_BorderStyle : std::uint8_t {
  bs_None,
  bs_Raised,
  bs_Lowered,
  bs_Gutter,
  bs_BlackRect,
  bs_BoldRect,
  bs_FocusRect
};

enum Tsp_zpDirections : std::uint8_t { zpdNone, zpdHorizontal, zpdVertical, zpdBoth };

enum Tsp_WhatXAxis : std::uint8_t { dsxBottom, dsxTop };
enum Tsp_WhatYAxis : std::uint8_t { dsyLeft, dsyRight };
enum Tsp_WhenDrawMarker : std::uint8_t { dmBeforeSeries, dmAfterSeries };

// Shift state of a mouse event: modifier keys, buttons and double-click as bits.
using TShiftState = std::uint8_t;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;
// The Meta (Super) key: held with a button it makes a different gesture, as Alt does.
constexpr TShiftState ssMeta = 128;

// A set of ssShift, ssAlt and ssCtrl.
using Tsp_ShiftKeys = TShiftState;

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Mouse cursor ids as the host understands them.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crCross = -3;
constexpr TCursor crHandPoint = -21;

// Integer rectangle; right and bottom are exclusive.
using TRect = plot::Rect;

}  // namespace pulse::plot
