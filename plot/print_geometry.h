// Geometry of printing a plot: picture size, page layout in the preview, picture placement
// and the destination rectangle on the printer page. No toolkit, so it tests without a display.
#pragma once

#include "plot/rect.h"

namespace pulse::plot {

struct PrintSize {
  int Width = 0;
  int height = 0;
  friend bool operator==(const PrintSize&, const PrintSize&) = default;
};

[[nodiscard]] inline Rect MakeRect(int left, int top, int width, int height) {
  return Rect{left, top, left + width, top + height};
}
[[nodiscard]] inline Rect Offset(const Rect& r, int dx, int dy) {
  return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

// Nearest integer, ties to even.
[[nodiscard]] int RoundEven(double v);

// Smallest picture that still prints readably.
constexpr int kMinPictureWidth = 100;
constexpr int kMinPictureHeight = 75;

// The plot's size enlarged, keeping its proportions, until it is at least 100 x 75.
[[nodiscard]] PrintSize MinimumPictureSize(PrintSize plot);

enum class PageOrientation { kPortrait, kLandscape };
// Orientation picked the first time a plot is printed: landscape for a wide picture.
[[nodiscard]] PageOrientation OrientationFor(PrintSize picture);

// Proportion change that discards the operator's placement of the picture.
constexpr double kProportionTolerance = 0.02;
[[nodiscard]] bool ProportionChanged(PrintSize previous, PrintSize current);

// Largest rectangle of proportion `aspect` (width / height) in an a x b box, centred on the
// other direction; relative to the box's top-left corner.
[[nodiscard]] Rect FitProportion(int a, int b, double aspect);

// Page shape in the preview and the printable area inside it (10 % margins).
struct PageLayout {
  Rect shape;
  Rect printable;
};
// Room left around the page shape inside the outer area, on each side.
constexpr int kPageInset = 4;
constexpr double kPageMargin = 0.1;
[[nodiscard]] PageLayout LayOutPage(const Rect& outer, double pageWidth, double pageHeight);

// Image bounds for the picture: the whole printable area when filling, else the picture's
// proportion fitted into it at its top-left corner.
[[nodiscard]] Rect PlacePicture(PrintSize picture, const Rect& printable, bool fill);

// Size at which the picture is recorded: when filling, one side follows the printable area.
[[nodiscard]] PrintSize RenderSize(PrintSize picture, const Rect& printable, bool fill);

// Where the image lands on a printer page of pageWidth x pageHeight device pixels: the same
// relative position and size as the image has on the page shape.
[[nodiscard]] Rect DestinationRect(const Rect& shape, const Rect& image, int pageWidth, int pageHeight);

// State of the preview between print commands: picture size, page layout, placement, mode.
class PrintLayoutState {
 public:
  // Takes the plot's size (enlarged to the minimum); true when the page must be laid out and
  // the picture placed anew: first use, or a proportion change of more than 2 % while the
  // picture keeps its own proportions.
  [[nodiscard]] bool SetPlotSize(PrintSize plot);
  [[nodiscard]] bool FirstUse() const { return first_use_; }
  // Page shape and printable area for the printer's page size inside the outer area.
  void LayOutPage(const Rect& outer, double pageWidth, double pageHeight) {
    layout_ = plot::LayOutPage(outer, pageWidth, pageHeight);
  }
  void Place() { image_ = PlacePicture(picture_, layout_.printable, fill_); }
  // Both of the above; ends first use.
  void LayOutAndPlace(const Rect& outer, double pageWidth, double pageHeight);
  void SetFill(bool fill) { fill_ = fill; }
  [[nodiscard]] bool Fill() const { return fill_; }
  // The operator moved or resized the image.
  void SetImage(const Rect& image) { image_ = image; }

  [[nodiscard]] PrintSize Picture() const { return picture_; }
  [[nodiscard]] PrintSize RenderedSize() const { return RenderSize(picture_, layout_.printable, fill_); }
  [[nodiscard]] const PageLayout& Layout() const { return layout_; }
  [[nodiscard]] const Rect& Image() const { return image_; }

 private:
  PrintSize picture_;
  PageLayout layout_;
  Rect image_;
  bool fill_ = false;
  bool first_use_ = true;
};

}  // namespace pulse::plot
