// Pen and brush descriptions shared by the model classes and the canvas (no painting here).
#pragma once

#include "plot/colors.h"

namespace pulse::plot {

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// pmCopy paints the pen colour; pmXor exclusive-ors it into the picture; pmNot inverts the
// picture (pen colour ignored); pmNotXor inverts the exclusive-or of pen and picture.
enum TPenMode { pmCopy, pmXor, pmNot, pmNotXor };

enum TBrushStyle { bsSolid, bsClear };

struct CanvasPen {
  TColor Color = clBlack;
  TPenStyle Style = psSolid;
  int Width = 1;
  TPenMode mode = pmCopy;
  bool operator==(const CanvasPen&) const = default;
};

struct CanvasBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  bool operator==(const CanvasBrush&) const = default;
};

}  // namespace pulse::plot
