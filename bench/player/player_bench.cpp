// Seeking the player in a one-hour session at 250 frames per second: the time
// from a seek to the frames of a view around the new position being read
// (the picture the operator sees next). Prints the median of repeated seeks
// to random places; the machine is shared, so read figures as orders of magnitude.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "records/record_file.h"
#include "window/player.h"

namespace {

namespace fs = std::filesystem;

constexpr double kRate = 250;
constexpr size_t kHourFrames = 900000;  // 250 frames/s for an hour
constexpr double kViewSeconds = 10;     // the span one view shows around the position
constexpr int kSeeks = 25;
constexpr double kGoalMs = 100;

std::string Line(uint64_t i) {
  uint8_t b[17] = {0xF0, 0x1F, 0x0D, 0x34};
  for (int k = 0; k < 12; ++k) b[4 + k] = static_cast<uint8_t>(i * (k + 3) + k * 17);
  unsigned sum = 0;
  for (int k = 0; k < 16; ++k) sum += b[k];
  b[16] = static_cast<uint8_t>(sum);
  std::string out;
  char hex[4];
  for (uint8_t x : b) {
    std::snprintf(hex, sizeof hex, out.empty() ? "%02X" : " %02X", x);
    out += hex;
  }
  return out;
}

double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  const fs::path path = fs::temp_directory_path() / ("bench_player_" + std::to_string(getpid()) + ".txt");
  {
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < kHourFrames; ++i) out << Line(i) << "\r\n";
  }
  auto t0 = std::chrono::steady_clock::now();
  auto open = pulse::records::RecordFile::Open(path.string());
  const double index_ms = Ms(std::chrono::steady_clock::now() - t0);
  if (!open.file) {
    std::fprintf(stderr, "%s\n", open.error.c_str());
    fs::remove(path);
    return 1;
  }
  pulse::window::Player player(*open.file, kRate);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> where(0, player.DurationSeconds());
  std::vector<double> seeks;
  size_t checksum = 0;
  for (int i = 0; i < kSeeks; ++i) {
    t0 = std::chrono::steady_clock::now();
    player.SeekSeconds(where(random));
    const auto frames = player.Window(kViewSeconds);
    seeks.push_back(Ms(std::chrono::steady_clock::now() - t0));
    checksum += frames.size();
  }
  std::sort(seeks.begin(), seeks.end());
  std::printf("player: one-hour session, %zu frames at %.0f/s, indexed on load in %.1f ms\n",
              player.FrameCount(), kRate, index_ms);
  std::printf("player: seek + read %.0f s of frames (%zu frames read in all): median %.2f ms, "
              "worst %.2f ms of %d seeks (goal <= %.0f ms) %s\n",
              kViewSeconds, checksum, seeks[seeks.size() / 2], seeks.back(), kSeeks, kGoalMs,
              seeks[seeks.size() / 2] <= kGoalMs ? "met" : "MISSED");
  fs::remove(path);
  return 0;
}
