// Smallest and largest of any run of a growing sequence of values, in a few steps: block
// summaries on several levels, each block made of kFanout blocks of the level below, built as
// values are appended (O(1) amortised per value, never a walk of the sequence).
#pragma once

#include <cstddef>
#include <vector>

namespace pulse::plot {

struct MinMax {
  double min;
  double max;
};

class MinMaxPyramid {
 public:
  // 16 keeps a query under a hundred steps for a million values and the summaries at about
  // a fifteenth of the values' memory.
  static constexpr std::size_t kFanout = 16;

  // Appends the next value (the caller keeps the values themselves). Inline for the common
  // case, a value inside a block being filled.
  void Append(double v) {
    if (!levels_.empty()) {
      Level& first = levels_.front();
      if (first.partial_count != 0 && first.partial_count + 1 < kFanout && v == v) {
        first.partial.min = v < first.partial.min ? v : first.partial.min;
        first.partial.max = v > first.partial.max ? v : first.partial.max;
        ++first.partial_count;
        ++count_;
        return;
      }
    }
    AppendSlow(v);
  }
  void Clear();
  [[nodiscard]] std::size_t Count() const { return count_; }

  // Min and max of values[a..b), where `values` holds the appended values in order,
  // a < b <= Count(). A NaN in the run widens it to -inf..+inf, so that a caller mapping the
  // span to pixels sees it as out of reach.
  [[nodiscard]] MinMax Span(const double* values, std::size_t a, std::size_t b) const;

 private:
  struct Level {
    std::vector<MinMax> full;  // complete blocks of kFanout^(level+1) values
    MinMax partial{};          // the block being filled
    std::size_t partial_count = 0;
  };

  void AppendSlow(double v);

  std::vector<Level> levels_;
  std::size_t count_ = 0;
};

}  // namespace pulse::plot
