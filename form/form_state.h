// Run-time state of the main window shared by the protocol, the views and
// the recorder, with its start-up values.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace pulse::form {

struct TFormState {
  static constexpr int kDefaultSampleRate = 200;         // samples per second until the device says
  static constexpr double kDefaultUnitFactor = 10.1972;  // millimetres of water

  bool PortOpen = false;
  int32_t PortNumber = 0;  // parsed from e_comm at the last open
  std::string ExeDir;      // program directory with trailing separator

  int32_t SampleRate = kDefaultSampleRate;
  double UnitFactor = kDefaultUnitFactor;  // hectopascal to the chosen unit

  int32_t SampleCount1 = 0, SampleCount2 = 0, SampleCount3 = 0;
  int32_t ErrorCount = 0;  // data frames that failed their checksum

  bool Sampling = false;
  bool StopPending = false;
  int32_t StopTicks = 0;
  bool ZeroPending = false;
  int32_t ZeroTicks = 0;
  bool RestartPending = false;
  int32_t RestartTicks = 0;

  bool SingleView = false;

  std::string SerialNumber;    // last one the device reported
  std::string ProductionDate;  // likewise
  std::vector<double> zero_values;  // hPa, the last ones the device reported (one or three)

  // Rolling record of frame lines; a deque so the oldest line goes in O(1).
  std::deque<std::string> RecordList;
  // Lines of the last loaded file; empty until the first load.
  std::optional<std::vector<std::string>> ReplayList;
  int32_t ReplayIndex = 0;
  bool Replaying = false;
};

}  // namespace pulse::form
