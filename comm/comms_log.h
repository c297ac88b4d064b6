// The comms log: one text file shared by every serial component of the process. Lines are
// written only while the process-wide name is set; the file itself is created and closed by
// the component whose own name is set. Lines come from three threads and are kept whole.
#pragma once

#include <string>
#include <string_view>

namespace pulse::comm {

// Logged by the threads when the port's descriptor is no longer valid.
inline constexpr char kInvalidHandleText[] =
    "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.";

class CommsLog {
 public:
  static void SetProcessName(const std::string& name);
  [[nodiscard]] static std::string ProcessName();
  // Creates (truncates) the file; throws std::system_error when it cannot be created.
  static void Open(const std::string& file_name);
  static void Close();
  static void Write(std::string_view text);
  // Writes FormatErrorLine(prefix, error).
  static void WriteError(std::string_view prefix, int error);
};

// "<prefix>GetLastError returned: \"<system text for error>\"", the log's error-line form.
[[nodiscard]] std::string FormatErrorLine(std::string_view prefix, int error);

// The debugging channel (not the log); silent unless PULSE_COMM_DEBUG is set.
void DebugOutput(std::string_view text);

}  // namespace pulse::comm
