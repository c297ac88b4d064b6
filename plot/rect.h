// Integer points and rectangles; Right and Bottom are exclusive.
#pragma once

namespace pulse::plot {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  [[nodiscard]] int Width() const { return right - left; }
  [[nodiscard]] int Height() const { return bottom - top; }
  [[nodiscard]] bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect&) const = default;
};

}  // namespace pulse::plot
