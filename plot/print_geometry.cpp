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
  double h = std::max(plot.height, 1);
  if (w >= kMinPictureWidth && h >= kMinPictureHeight)
    return {static_cast<int>(w), static_cast<int>(h)};
  const double s = std::max(kMinPictureHeight / h, kMinPictureWidth / w);
  return {static_cast<int>(std::trunc(w * s)) + 1, static_cast<int>(std::trunc(h * s)) + 1};
}

PageOrientation OrientationFor(PrintSize picture) {
  return picture.Width > picture.height ? PageOrientation::kLandscape : PageOrientation::kPortrait;
}

bool ProportionChanged(PrintSize previous, PrintSize current) {
  if (previous.Width <= 0 || current.height <= 0) return true;
  const double ratio =
      static_cast<double>(current.Width) * previous.height / current.height / previous.Width;
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
  layout.shape =
      Offset(FitProportion(outer.Width() - 2 * kPageInset, outer.Height() - 2 * kPageInset, aspect),
             outer.left + kPageInset, outer.top + kPageInset);
  const int mx = std::max(1, RoundEven(kPageMargin * layout.shape.Width()));
  const int my = std::max(1, RoundEven(kPageMargin * layout.shape.Height()));
  layout.printable = Rect{layout.shape.left + mx, layout.shape.top + my, layout.shape.right - mx,
                          layout.shape.bottom - my};
  return layout;
}

Rect PlacePicture(PrintSize picture, const Rect& printable, bool fill) {
  if (fill) return printable;
  const double aspect = static_cast<double>(picture.Width) / std::max(picture.height, 1);
  return Offset(FitProportion(printable.Width(), printable.Height(), aspect), printable.left,
                printable.top);
}

PrintSize RenderSize(PrintSize picture, const Rect& printable, bool fill) {
  if (!fill || printable.Width() <= 0 || printable.Height() <= 0) return picture;
  const double r = static_cast<double>(printable.Width()) / printable.Height();
  if (picture.height < picture.Width) {
    picture.height = RoundEven(picture.Width / r);
  } else {
    picture.Width = RoundEven(r * picture.height);
  }
  return picture;
}

Rect DestinationRect(const Rect& shape, const Rect& image, int pageWidth, int pageHeight) {
  const double pw = pageWidth;
  const double ph = pageHeight;
  const double sw = std::max(shape.Width(), 1);
  const double sh = std::max(shape.Height(), 1);
  const Rect sized{0, 0, RoundEven(pw * image.Width() / sw), RoundEven(ph * image.Height() / sh)};
  return Offset(sized, RoundEven(pw * (image.left - shape.left) / sw),
                RoundEven(ph * (image.top - shape.top) / sh));
}

bool PrintLayoutState::SetPlotSize(PrintSize plot) {
  const PrintSize previous = picture_;
  picture_ = MinimumPictureSize(plot);
  return first_use_ || (!fill_ && ProportionChanged(previous, picture_));
}

void PrintLayoutState::LayOutAndPlace(const Rect& outer, double pageWidth, double pageHeight) {
  LayOutPage(outer, pageWidth, pageHeight);
  Place();
  first_use_ = false;
}

}  // namespace pulse::plot
