#include "comm/comm32.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <system_error>

#include "comm/comms_log.h"
#include "comm/line_settings.h"
#include "comm/serial_device.h"

namespace pulse::comm {

namespace {

// The reader runs highest, the writer one step lower, both above the main thread: received
// bytes are picked up promptly even while the window repaints.
constexpr int kReaderPriorityBoost = 2;
constexpr int kWriterPriorityBoost = 1;

}  // namespace

TComm32::TComm32(comm::IMainThreadQueue& main_thread)
    : main_thread_(main_thread),
      window_(std::make_shared<comm::NotifyWindow>(
          [this](comm::Notification& message) { WindowProc(message); })) {
  comm::CommsLog::SetProcessName("");
}

TComm32::~TComm32() {
  ClosePort();
  // Messages still queued for this component are dropped when they are dispatched.
  window_->Detach();
}

void TComm32::SetReadIntervalTimeout(uint32_t value) {
  if (value == read_interval_timeout_) return;
  read_interval_timeout_ = value;
  if (IsOpen()) ApplyTimeouts();
}

void TComm32::SetCommsLogFileName(const std::string& value) {
  comms_log_file_name_ = value;
  comm::CommsLog::SetProcessName(value);
}

std::thread TComm32::CreateThread(std::function<void()> body) {
  return std::thread(std::move(body));
}

std::error_code TComm32::SetLineSettings(int fd, const comm::LineSettings& settings) {
  return comm::ApplyLineSettings(fd, settings);
}

void TComm32::ApplyTimeouts() {
  // Reads wait without limit for the first byte, then end after a quiet interval; writes
  // have no time-out.
  port_read_interval_.store(read_interval_timeout_, std::memory_order_relaxed);
}

std::error_code TComm32::ApplyLineSettings() {
  comm::LineSettings settings;
  settings.BaudRate = baud_rate_;
  settings.Parity = parity_;
  settings.StopBits = stop_bits_;
  actual_baud_rate_ = 0;
  if (const std::error_code refused = SetLineSettings(fd_, settings)) return refused;
  // 0 when the driver cannot tell.
  actual_baud_rate_ = comm::ReadBaudRate(fd_).value;
  if (actual_baud_rate_ != baud_rate_) {
    comm::CommsLog::Write("Baud rate " + std::to_string(baud_rate_) + " set as " +
                          std::to_string(actual_baud_rate_) + " by the driver");
  }
  return {};
}

bool TComm32::OpenPort() {
  if (IsOpen()) return true;
  if (!comms_log_file_name_.empty()) comm::CommsLog::Open(comms_log_file_name_);

  open_error_ = 0;
  device_path_ = port_names_.Resolve(comm_port_);
  if (device_path_.empty()) {
    Teardown(TeardownKind::kUndoOpen);
    return false;
  }
  const comm::OsResult<int> device = comm::OpenSerialDevice(device_path_);
  if (!device.Ok()) {
    open_error_ = device.error.value();
    Teardown(TeardownKind::kUndoOpen);
    return false;
  }
  fd_ = device.value;
  ApplyTimeouts();
  // A line the driver would not set up (no terminal at all, a rate it refuses) carries
  // nothing readable: the open fails like any other, with the driver's reason.
  if (const std::error_code refused = ApplyLineSettings()) {
    comm::CommsLog::WriteError("Unable to SetCommState: ", refused.value());
    open_error_ = refused.value();
    Teardown(TeardownKind::kUndoOpen);
    return false;
  }
  // Drivers without a low-latency mode deliver as they always did.
  (void)comm::TryLowLatency(fd_);

  comm::OsResult<std::unique_ptr<comm::StopSignal>> stop = comm::StopSignal::Create();
  comm::OsResult<std::unique_ptr<comm::WriteQueue>> queue;
  if (stop.Ok()) queue = comm::WriteQueue::Create();
  if (const std::error_code error = stop.Ok() ? queue.error : stop.error) {
    comm::CommsLog::WriteError("Unable to CreateEvent: ", error.value());
    open_error_ = error.value();
    Teardown(TeardownKind::kUndoOpen);
    return false;
  }
  stop_ = std::move(stop.value);
  write_queue_ = std::move(queue.value);

  auto start = [this](comm::PortThread& thread, const char* failure) {
    thread.port_handle = fd_;
    thread.stop_event = stop_.get();
    thread.notify = comm::NotifyTarget{&main_thread_, window_};
    try {
      thread.Attach(CreateThread([&thread] { thread.Run(); }));
    } catch (const std::system_error& e) {
      comm::CommsLog::WriteError(failure, e.code().value());
      // Nothing stays held behind a failed open: the window takes the port as closed.
      Teardown(TeardownKind::kUndoOpen);
      throw ECommsError(failure);
    }
  };

  reader_ = std::make_unique<TReadThread>();
  reader_->ReadIntervalTimeout = &port_read_interval_;
  reader_->priority_boost = kReaderPriorityBoost;
  start(*reader_, "Unable to create Read thread");

  writer_ = std::make_unique<TWriteThread>();
  writer_->queue = write_queue_.get();
  writer_->priority_boost = kWriterPriorityBoost;
  start(*writer_, "Unable to create Write thread");
  return true;
}

void TComm32::ClosePort() {
  if (!IsOpen()) return;
  Teardown(TeardownKind::kClose);
}

void TComm32::Teardown(TeardownKind kind) {
  const bool closing = kind == TeardownKind::kClose;
  if (closing) comm::CommsLog::Write("Stopping the Comm");
  // The stop signal, once set, stays set: the writer sees the reader's stop as well.
  auto stop_thread = [&](comm::PortThread* thread, const char* announce, const char* stuck,
                         std::error_code (*purge)(int fd)) {
    if (thread == nullptr) return;
    if (closing) comm::CommsLog::Write(announce);
    if (stop_) stop_->Signal();
    // Only wakes a thread that waits in the driver; a port that went away has nothing to drop.
    (void)purge(fd_);
    if (thread->Started() && !thread->WaitFor(kThreadExitTimeout)) comm::CommsLog::Write(stuck);
    thread->Join();
  };
  stop_thread(reader_.get(), "Closing Read Thread ", "Read thread not exiting.  Terminating it.",
              comm::PurgeInput);
  reader_.reset();
  stop_thread(writer_.get(), "Closing Write Thread", "Write thread not exiting.  Terminating it.",
              comm::PurgeOutput);
  writer_.reset();
  write_queue_.reset();
  stop_.reset();
  if (fd_ >= 0) {
    // The descriptor is gone even when close() reports an error; there is nothing to retry.
    (void)comm::CloseSerialDevice(fd_);
    fd_ = -1;
  }
  if (!comms_log_file_name_.empty()) comm::CommsLog::Close();
}

bool TComm32::WriteData(const uint8_t* data, uint32_t size) {
  if (!writer_) {
    comm::CommsLog::Write("Write thread not created");
    return false;
  }
  comm::WriteRequest request;
  request.size = size;
  request.block.reset(new (std::nothrow) uint8_t[size_t{size} + 1]());
  if (request.block && size > 0) std::memcpy(request.block.get(), data, size);
  if (!request.block || write_queue_->Post(std::move(request))) {
    comm::CommsLog::Write("Failed to Post to Write thread. ");
    return false;
  }
  return true;
}

void TComm32::WindowProc(comm::Notification& message) {
  switch (message.msg) {
    case comm::kMsgReceiveData:
      if (OnReceiveData)
        OnReceiveData(message.block.get(), static_cast<uint16_t>(message.count & 0xFFFF));
      message.block.reset();
      break;
    case comm::kMsgRequestHangup:
      if (OnRequestHangup) OnRequestHangup(this);
      break;
    default:
      break;
  }
}

}  // namespace pulse::comm
