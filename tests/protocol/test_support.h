// Shared fakes and frame builders of the protocol tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "protocol/command_frames.h"
#include "protocol/device_link.h"
#include "protocol/form_views.h"

namespace pulse::test {

using Bytes = std::vector<uint8_t>;

// A device reply F0 1F len code data... checksum.
inline Bytes Reply(uint8_t code, std::initializer_list<uint8_t> data) {
  Bytes f{0xF0, 0x1F, static_cast<uint8_t>(data.size() + 1), code};
  for (uint8_t b : data) f.push_back(b);
  f.push_back(protocol::Checksum(f.data(), f.size()));
  return f;
}

inline void Put16(Bytes& out, int16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

inline Bytes Data1(int16_t s, int16_t w) {
  Bytes f{0xF0, 0x1F, 0x05, 0x34};
  Put16(f, s);
  Put16(f, w);
  f.push_back(protocol::Checksum(f.data(), f.size()));
  return f;
}

inline Bytes Data3(int16_t s1, int16_t w1, int16_t s2, int16_t w2, int16_t s3, int16_t w3) {
  Bytes f{0xF0, 0x1F, 0x0D, 0x34};
  for (int16_t v : {s1, w1, s2, w2, s3, w3}) Put16(f, v);
  f.push_back(protocol::Checksum(f.data(), f.size()));
  return f;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) {
    for (uint8_t b : p) out.push_back(b);
  }
  return out;
}

struct ViewCall {
  std::string op;  // "Frame3", "Channel1", "ResetAxes", "SamplingState"
  double t = 0;
  std::vector<double> v;  // y/s values in call order, or {on}
  bool scroll = false;
};

class RecordingViews : public protocol::IFormViews {
 public:
  void ShowFrame3(double t, double y1, double s1, double y2, double s2, double y3,
                  double s3) override {
    Add("Frame3", t, {y1, s1, y2, s2, y3, s3});
  }
  void ShowChannel1(bool scroll, double t, double y, double s) override {
    Add("Channel1", t, {y, s}, scroll);
  }
  void ShowChannel2(double t, double y, double s) override { Add("Channel2", t, {y, s}); }
  void ShowChannel3(double t, double y, double s) override { Add("Channel3", t, {y, s}); }
  void ResetAxes() override { Add("ResetAxes", 0, {}); }
  void ShowSamplingState(bool on) override { Add("SamplingState", 0, {on ? 1.0 : 0.0}); }

  int Count(const std::string& op) const {
    int n = 0;
    for (const auto& c : calls) n += c.op == op;
    return n;
  }
  std::vector<ViewCall> calls;

 private:
  void Add(const char* op, double t, std::vector<double> v, bool scroll = false) {
    ViewCall c;
    c.op = op;
    c.t = t;
    c.v = std::move(v);
    c.scroll = scroll;
    calls.push_back(std::move(c));
  }
};

class FakeLink : public protocol::IDeviceLink {
 public:
  bool WriteData(const uint8_t* data, uint32_t size) override {
    if (throw_on_write) throw std::runtime_error("link gone");
    writes.emplace_back(data, data + size);
    return result;
  }
  std::vector<Bytes> writes;
  bool result = true;
  bool throw_on_write = false;
};

}  // namespace pulse::test
