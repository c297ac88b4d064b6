// The median of the last N values of a running series, without allocation.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>

namespace pulse::analysis {

template <typename T, size_t N>
class RecentMedian {
 public:
  void Add(T v) {
    values_[next_] = v;
    next_ = (next_ + 1) % N;
    count_ = std::min(count_ + 1, N);
  }
  void Clear() { count_ = next_ = 0; }
  [[nodiscard]] size_t size() const { return count_; }
  // The upper median; `empty` while nothing was added.
  [[nodiscard]] T Median(T empty = T{}) const {
    if (count_ == 0) return empty;
    std::array<T, N> v = values_;
    auto mid = v.begin() + static_cast<std::ptrdiff_t>(count_ / 2);
    std::nth_element(v.begin(), mid, v.begin() + static_cast<std::ptrdiff_t>(count_));
    return *mid;
  }

 private:
  std::array<T, N> values_{};
  size_t count_ = 0, next_ = 0;
};

}  // namespace pulse::analysis
