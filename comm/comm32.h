// TComm32: the serial port component the main window talks to the sensor through. It owns the
// port and a reader and a writer thread; its events run on the main thread, in the order the
// reader produced them, through the main-thread queue it is given.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

#include "comm/line_settings.h"
#include "comm/main_thread_queue.h"
#include "comm/port_names.h"
#include "comm/read_thread.h"
#include "comm/stop_signal.h"
#include "comm/write_queue.h"
#include "comm/write_thread.h"

namespace pulse::comm {

class ECommsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TParityID { NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY };
enum TStopBitsID { ONESTOPBIT, ONE5STOPBITS, TWOSTOPBIT };

class TComm32;

// Buffer holds BufferLength bytes and a zero byte; it is valid only during the call.
using TReceiveDataEvent = std::function<void(const uint8_t* Buffer, uint16_t BufferLength)>;
using TComm32NotifyEvent = std::function<void(TComm32* Sender)>;

class TComm32 {
 public:
  // How long a close waits for a thread before it logs that the thread is not exiting.
  static constexpr std::chrono::milliseconds kThreadExitTimeout{10000};

  explicit TComm32(comm::IMainThreadQueue& main_thread);
  // Closes the port if the owner has not: running threads must not outlive the component.
  virtual ~TComm32();
  TComm32(const TComm32&) = delete;
  TComm32& operator=(const TComm32&) = delete;

  [[nodiscard]] uint32_t BaudRate() const { return baud_rate_; }
  void SetBaudRate(uint32_t value) { baud_rate_ = value; }
  [[nodiscard]] TParityID Parity() const { return parity_; }
  void SetParity(TParityID value) { parity_ = value; }
  [[nodiscard]] TStopBitsID StopBits() const { return stop_bits_; }
  void SetStopBits(TStopBitsID value) { stop_bits_ = value; }
  [[nodiscard]] uint32_t ReadIntervalTimeout() const { return read_interval_timeout_; }
  // A different value is applied to an open port at once.
  void SetReadIntervalTimeout(uint32_t value);
  [[nodiscard]] const std::string& CommPort() const { return comm_port_; }
  void SetCommPort(const std::string& value) { comm_port_ = value; }
  [[nodiscard]] const std::string& CommsLogFileName() const { return comms_log_file_name_; }
  // Also sets the process-wide log name.
  void SetCommsLogFileName(const std::string& value);

  TReceiveDataEvent OnReceiveData;
  TComm32NotifyEvent OnRequestHangup;

  // True when the port is open and both threads run; false when the device could not be
  // opened or prepared (the driver refused the line settings, say). Throws ECommsError when
  // a thread cannot be created. A failed open keeps nothing: the port counts as closed.
  [[nodiscard]] bool OpenPort();
  void ClosePort();
  // Queues a copy of the bytes for the writer; the write itself is not reported.
  [[nodiscard]] bool WriteData(const uint8_t* data, uint32_t size);

  // How CommPort names map to devices (explicit mappings, present ports).
  [[nodiscard]] comm::PortNames& PortNames() { return port_names_; }
  [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }
  // The device opened (resolved from CommPort) and the baud rate the driver reported.
  [[nodiscard]] const std::string& DevicePath() const { return device_path_; }
  // Why the last OpenPort returned false: the errno of the open (ENOENT, EACCES, EBUSY when
  // another program holds it, ENOTTY when it is no serial device) or of the line setup the
  // driver refused, or 0 when CommPort named no device. 0 after a successful open.
  [[nodiscard]] int OpenError() const { return open_error_; }
  [[nodiscard]] uint32_t ActualBaudRate() const { return actual_baud_rate_; }
  [[nodiscard]] bool ReadThreadRunning() const { return reader_ && !reader_->Finished(); }
  [[nodiscard]] bool WriteThreadRunning() const { return writer_ && !writer_->Finished(); }

 protected:
  // Starts a worker thread; a test can make it fail as the platform may.
  [[nodiscard]] virtual std::thread CreateThread(std::function<void()> body);
  // Hands the line settings to the driver; a test can make it refuse, as a driver may.
  [[nodiscard]] virtual std::error_code SetLineSettings(int fd, const comm::LineSettings& settings);

 private:
  // A close says in the comms log what it stops; undoing a failed open has logged why.
  enum class TeardownKind { kClose, kUndoOpen };

  void WindowProc(comm::Notification& message);
  void ApplyTimeouts();
  [[nodiscard]] std::error_code ApplyLineSettings();
  // The one way everything the port holds is let go, whatever is held: threads stopped,
  // descriptors closed once, the comms log closed. Closes, failed opens and the destructor
  // all come here.
  void Teardown(TeardownKind kind);

  uint32_t baud_rate_ = 0;
  TParityID parity_ = NOPARITY;
  TStopBitsID stop_bits_ = ONESTOPBIT;
  uint32_t read_interval_timeout_ = 5;
  std::string comm_port_ = "COM2";
  std::string comms_log_file_name_;

  comm::IMainThreadQueue& main_thread_;
  std::shared_ptr<comm::NotifyWindow> window_;
  comm::PortNames port_names_;

  int fd_ = -1;
  std::string device_path_;
  int open_error_ = 0;
  uint32_t actual_baud_rate_ = 0;
  // The port's read interval as the reader sees it.
  std::atomic<uint32_t> port_read_interval_{0};
  std::unique_ptr<comm::StopSignal> stop_;
  std::unique_ptr<comm::WriteQueue> write_queue_;
  std::unique_ptr<TReadThread> reader_;
  std::unique_ptr<TWriteThread> writer_;
};

}  // namespace pulse::comm
