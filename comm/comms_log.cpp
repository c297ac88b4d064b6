#include "comm/comms_log.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <system_error>

namespace pulse::comm {

namespace {

// Longest composed error line; longer system texts are cut.
constexpr size_t kErrorLineCapacity = 4096;

std::mutex& LogMutex() {
  static std::mutex mutex;
  return mutex;
}
std::string process_name;       // guarded by LogMutex()
std::FILE* log_file = nullptr;  // guarded by LogMutex()
// Lets the threads skip the lock while logging is off, which is the usual case.
std::atomic<bool> logging_on{false};

// strerror_r comes in two flavours; both are handled here.
[[maybe_unused]] const char* PickText(int result, const char* buffer) {
  return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* PickText(const char* result, const char*) {
  return result;
}

}  // namespace

void CommsLog::SetProcessName(const std::string& name) {
  std::lock_guard lock(LogMutex());
  process_name = name;
  logging_on = !process_name.empty() && log_file != nullptr;
}

std::string CommsLog::ProcessName() {
  std::lock_guard lock(LogMutex());
  return process_name;
}

void CommsLog::Open(const std::string& file_name) {
  std::lock_guard lock(LogMutex());
  if (log_file != nullptr) std::fclose(log_file);
  log_file = file_name.empty() ? nullptr : std::fopen(file_name.c_str(), "w");
  if (log_file == nullptr) {
    logging_on = false;
    throw std::system_error(file_name.empty() ? ENOENT : errno, std::generic_category(),
                            "cannot create the comms log " + file_name);
  }
  logging_on = !process_name.empty();
}

void CommsLog::Close() {
  std::lock_guard lock(LogMutex());
  if (log_file != nullptr) std::fclose(log_file);
  log_file = nullptr;
  logging_on = false;
}

void CommsLog::Write(std::string_view text) {
  if (!logging_on.load(std::memory_order_relaxed)) return;
  std::lock_guard lock(LogMutex());
  if (process_name.empty() || log_file == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), log_file);
  std::fputc('\n', log_file);
  std::fflush(log_file);
}

void CommsLog::WriteError(std::string_view prefix, int error) {
  if (!logging_on.load(std::memory_order_relaxed)) return;
  Write(FormatErrorLine(prefix, error));
}

std::string FormatErrorLine(std::string_view prefix, int error) {
  char buffer[256];
  errno = 0;
  const char* text = PickText(strerror_r(error, buffer, sizeof buffer), buffer);
  std::string description;
  if (text != nullptr && *text != '\0') {
    description = text;
  } else {
    description = "FormatMessage failed on error " + std::to_string(error) +
                  " for the following reason: " + std::to_string(errno);
  }
  std::string line(prefix);
  line += "GetLastError returned: \"";
  line += description;
  line += '"';
  if (line.size() >= kErrorLineCapacity) line.resize(kErrorLineCapacity - 1);
  return line;
}

void DebugOutput(std::string_view text) {
  static const bool kEnabled = std::getenv("PULSE_COMM_DEBUG") != nullptr;
  if (kEnabled) std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace pulse::comm
