#include "plot/print_geometry.h"

#include <algorithm>
#include <cmath>

namespace pulse::plot {

int RoundEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

PrintSize MinimumPictureSize(PrintSize plot) {
  // A hidden or collapsed plot reports 0; treat it as one pixel instead of dividing by zero.
  double w = std::max(plot.Width, 1);
  double h = std::max(plot.Height, 1);
  if (w >= kMinPictureWidth && h >= kMinPictureHeight)
    return {static_cast<int>(w), static_cast<int>(h)};
  const double s = std::max(kMinPictureHeight / h, kMinPictureWidth / w);
  return {static_cast<int>(std::trunc(w * s)) + 1, static_cast<int>(std::trunc(h * s)) + 1};
}

PageOrientation OrientationFor(PrintSize picture) {
  return picture.Width > picture.Height ? PageOrientation::Landscape : PageOrientation::Portrait;
}

bool ProportionChanged(PrintSize previous, PrintSize current) {
  if (previous.Width <= 0 || current.Height <= 0) return true;
  const double ratio =
      static_cast<double>(current.Width) * previous.Height / current.Height / previous.Width;
  return std::fabs(ratio - 1.0) > kProportionTolerance;
}

Rect FitProportion(int a, int b, double aspect) {
  const int c = RoundEven(a / aspect);
  if (b < c) {
    const int width = RoundEven(aspect * b);
    return MakeRect((a - width) / 2, 0, width, b);
  }
  return MakeRect(0, (b - c) / 2, a, c);
}

PageLayout LayOutPage(const Rect& outer, double pageWidth, double pageHeight) {
  // A printer that reports no page size would give no proportion; assume a square page.
  const double aspect = (pageWidth > 0 && pageHeight > 0) ? pageWidth / pageHeight : 1.0;
  PageLayout layout;
  layout.Shape =
      Offset(FitProportion(outer.Width() - 2 * kPageInset, outer.Height() - 2 * kPageInset, aspect),
             outer.Left + kPageInset, outer.Top + kPageInset);
  const int mx = std::max(1, RoundEven(kPageMargin * layout.Shape.Width()));
  const int my = std::max(1, RoundEven(kPageMargin * layout.Shape.Height()));
  layout.Printable = Rect{layout.Shape.Left + mx, layout.Shape.Top + my, layout.Shape.Right - mx,
                          layout.Shape.Bottom - my};
  return layout;
}

Rect PlacePicture(PrintSize picture, const Rect& printable, bool fill) {
  if (fill) return printable;
  const double aspect = static_cast<double>(picture.Width) / std::max(picture.Height, 1);
  return Offset(FitProportion(printable.Width(), printable.Height(), aspect), printable.Left,
                printable.Top);
}

PrintSize RenderSize(PrintSize picture, const Rect& printable, bool fill) {
  if (!fill || printable.Width() <= 0 || printable.Height() <= 0) return picture;
  const double r = static_cast<double>(printable.Width()) / printable.Height();
  if (picture.Height < picture.Width) {
    picture.Height = RoundEven(picture.Width / r);
  } else {
    picture.Width = RoundEven(r * picture.Height);
  }
  return picture;
}

Rect DestinationRect(const Rect& shape, const Rect& image, int pageWidth, int pageHeight) {
  const double pw = pageWidth;
  const double ph = pageHeight;
  const double sw = std::max(shape.Width(), 1);
  const double sh = std::max(shape.Height(), 1);
  const Rect sized{0, 0, RoundEven(pw * image.Width() / sw), RoundEven(ph * image.Height() / sh)};
  return Offset(sized, RoundEven(pw * (image.Left - shape.Left) / sw),
                RoundEven(ph * (image.Top - shape.Top) / sh));
}

bool PrintLayoutState::SetPlotSize(PrintSize plot) {
  const PrintSize previous = picture_;
  picture_ = MinimumPictureSize(plot);
  return firstUse_ || (!fill_ && ProportionChanged(previous, picture_));
}

void PrintLayoutState::LayOutAndPlace(const Rect& outer, double pageWidth, double pageHeight) {
  LayOutPage(outer, pageWidth, pageHeight);
  Place();
  firstUse_ = false;
}

}  // namespace pulse::plot
