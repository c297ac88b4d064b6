// What a sensor with a given seed must have sent, and a walk that tells, for a stream read
// from it, which of its data frames arrived whole, with a wrong checksum or short.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "tools/virtual-sensor/device_frames.h"
#include "tools/virtual-sensor/pulse_model.h"

namespace pulse::test {

using Bytes = std::vector<std::uint8_t>;

// The first `count` data frames of a sensor with this seed and channel count streaming at
// `rate`, with no zeroing and no change of rate.
inline std::vector<Bytes> ModelFrames(std::uint64_t seed, int channels, int rate,
                                      std::size_t count) {
  vsensor::PulseModel model(seed);
  const std::size_t n = channels == 1 ? 1 : 3;
  std::vector<Bytes> out;
  for (std::size_t i = 0; i < count; ++i) {
    const vsensor::Sample s = model.Next(1.0 / rate);
    out.push_back(
        vsensor::DataFrame(std::span(s.static_raw).first(n), std::span(s.wave_raw).first(n)));
  }
  return out;
}

enum class Arrival { kWhole, kBadChecksum, kShort };

struct Walk {
  std::vector<Arrival> arrival;  // per data frame, in order
  std::vector<Bytes> bytes;      // per data frame, as it arrived
  std::size_t replies = 0;
  std::size_t noise_bytes = 0;
  std::string error;  // empty: the stream fits the frames
};

// Walks `s` against the frames the sensor made. Between frames only noise (never F0) and whole
// replies may come; a short frame is its model frame less 1 to 4 bytes after F0 1F, followed
// at once by the next data frame whole or by a reply.
inline Walk WalkStream(const Bytes& s, const std::vector<Bytes>& frames) {
  Walk w;
  auto starts_with = [&s](std::size_t at, const Bytes& f) {
    return at + f.size() <= s.size() && std::equal(f.begin(), f.end(), s.begin() + at);
  };
  auto reply_size = [&s](std::size_t at) -> std::size_t {
    static constexpr std::uint8_t kReplies[][2] = {{1, 0x31}, {1, 0x32}, {1, 0x35}, {3, 0x33},
                                                   {7, 0x33}, {2, 0x33}, {5, 0x36}, {5, 0x37}};
    if (at + 5 > s.size() || s[at] != 0xF0 || s[at + 1] != 0x1F) return 0;
    if (std::none_of(std::begin(kReplies), std::end(kReplies),
                     [&](const auto& k) { return s[at + 2] == k[0] && s[at + 3] == k[1]; }))
      return 0;
    const std::size_t size = s[at + 2] + 4u;
    if (at + size > s.size()) return 0;
    return vsensor::Checksum(std::span(s).subspan(at, size - 1)) == s[at + size - 1] ? size : 0;
  };
  // Whether s[at, end) is `f` with bytes after F0 1F left out.
  auto shortened = [&s](const Bytes& f, std::size_t at, std::size_t end) {
    if (s[at] != f[0] || s[at + 1] != f[1]) return false;
    std::size_t k = 2;
    for (std::size_t i = at + 2; i < end; ++i) {
      while (k < f.size() && f[k] != s[i]) ++k;
      if (k == f.size()) return false;
      ++k;
    }
    return true;
  };

  std::size_t at = 0, i = 0;
  while (at < s.size()) {
    if (s[at] != 0xF0) {
      ++w.noise_bytes;
      ++at;
    } else if (const std::size_t r = reply_size(at)) {
      ++w.replies;
      at += r;
    } else if (i == frames.size()) {
      w.error = "a data frame more than the model made, at " + std::to_string(at);
      return w;
    } else {
      // Whole first, then short (the next frame follows at once), then a wrong checksum: a
      // frame short of its checksum alone looks like one with a wrong checksum.
      const Bytes& f = frames[i];
      std::size_t end = starts_with(at, f) ? at + f.size() : 0;
      Arrival arrival = Arrival::kWhole;
      for (std::size_t lost = 1; lost <= 4 && end == 0; ++lost) {
        const std::size_t e = at + f.size() - lost;
        if (e > s.size()) continue;
        const bool next = e == s.size() || reply_size(e) != 0 ||
                          (i + 1 < frames.size() && starts_with(e, frames[i + 1]));
        if (next && shortened(f, at, e)) {
          end = e;
          arrival = Arrival::kShort;
        }
      }
      if (end == 0 && starts_with(at, Bytes(f.begin(), f.end() - 1))) {
        end = at + f.size();
        arrival = Arrival::kBadChecksum;
      }
      if (end == 0) {
        w.error = "data frame " + std::to_string(i) + " does not fit at " + std::to_string(at);
        return w;
      }
      w.arrival.push_back(arrival);
      w.bytes.emplace_back(s.begin() + at, s.begin() + end);
      at = end;
      ++i;
    }
  }
  return w;
}

}  // namespace pulse::test
