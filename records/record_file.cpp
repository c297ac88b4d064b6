#include "records/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <variant>

#include "records/atomic_file.h"

namespace pulse::records {
namespace {

// Large reads keep an hour-long record to a few dozen syscalls.
constexpr size_t kReadBlock = 1 << 20;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Control characters other than the usual white space do not occur in text.
bool IsBinaryByte(unsigned char c) {
  return c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f';
}

// pread until `size` bytes or the end of the file; -1 with errno on error.
ssize_t ReadAt(int fd, char* buf, size_t size, uint64_t offset) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd, buf + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

}  // namespace

RecordLine ClassifyLine(std::string_view text) {
  RecordLine out;
  const std::optional<protocol::FrameBytes> bytes = protocol::ParseFrameLine(text);
  if (!bytes) return out;
  const std::optional<protocol::DecodedFrame> frame = protocol::DecodeFrame(bytes->View());
  if (!frame) return out;
  if (const auto* one = std::get_if<protocol::DataFrame1>(&frame->reply)) {
    out.channels = 1;
    out.values.static_raw[0] = one->static_raw;
    out.values.wave_raw[0] = one->wave_raw;
  } else if (const auto* three = std::get_if<protocol::DataFrame3>(&frame->reply)) {
    out.channels = 3;
    out.values = *three;
  } else {
    return out;  // a reply of another kind never belongs in a record
  }
  out.status = frame->checksum_ok ? RecordLine::Status::kGood : RecordLine::Status::kBadChecksum;
  return out;
}

RecordFileOpen RecordFile::Open(const std::string& path) {
  // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {nullptr, FileErrorText("open", path, errno)};
  std::unique_ptr<RecordFile> file(new RecordFile(path, fd));
  struct stat st {};
  if (::fstat(fd, &st) != 0) return {nullptr, FileErrorText("read", path, errno)};
  if (!S_ISREG(st.st_mode)) return {nullptr, "\"" + path + "\" is not a regular file"};
  std::string error = file->Index();
  if (!error.empty()) return {nullptr, std::move(error)};
  return {std::move(file), {}};
}

RecordFile::~RecordFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string RecordFile::Index() {
  std::vector<char> block(kReadBlock);
  uint64_t offset = 0;
  uint64_t line_start = 0;
  size_t line_len = 0;
  size_t line_no = 1;
  bool after_cr = false;
  bool first_block = true;
  for (;;) {
    const ssize_t n = ReadAt(fd_, block.data(), block.size(), offset);
    if (n < 0) return FileErrorText("read", path_, errno);
    if (n == 0) break;
    size_t i = 0;
    if (first_block &&
        std::string_view(block.data(), static_cast<size_t>(n)).starts_with(kUtf8Bom)) {
      i = kUtf8Bom.size();
      line_start = i;
    }
    first_block = false;
    for (; i < static_cast<size_t>(n); ++i) {
      const auto c = static_cast<unsigned char>(block[i]);
      if (c == '\r' || c == '\n') {
        const bool lf_of_crlf = c == '\n' && after_cr;
        after_cr = c == '\r';
        if (!lf_of_crlf) {
          if (line_len > 0) starts_.push_back(line_start);
          longest_ = std::max(longest_, line_len);
          ++line_no;
        }
        line_len = 0;
        line_start = offset + i + 1;
        continue;
      }
      after_cr = false;
      if (IsBinaryByte(c)) {
        return "\"" + path_ + "\" is not a text file (binary data in line " +
               std::to_string(line_no) + ")";
      }
      if (++line_len > kMaxRecordLineChars) {
        return "\"" + path_ + "\" is not a record file (line " + std::to_string(line_no) +
               " is longer than " + std::to_string(kMaxRecordLineChars) + " characters)";
      }
    }
    offset += static_cast<uint64_t>(n);
  }
  data_end_ = line_start;
  torn_bytes_ = offset - line_start;
  return {};
}

std::optional<std::string> RecordFile::Line(size_t index) const {
  if (index >= starts_.size()) return std::nullopt;
  const uint64_t start = starts_[index];
  // A line never exceeds the limit, so the limit plus CR LF bounds the read.
  const uint64_t size = std::min<uint64_t>(NextStart(index) - start, kMaxRecordLineChars + 2);
  std::string text(static_cast<size_t>(size), '\0');
  const ssize_t n = ReadAt(fd_, text.data(), text.size(), start);
  if (n < 0 || static_cast<size_t>(n) != text.size()) return std::nullopt;
  const size_t end = text.find_first_of("\r\n");
  if (end != std::string::npos) text.resize(end);
  return text;
}

std::string RecordFile::ForEachLine(const LineFn& fn, size_t first) const {
  std::vector<char> block(kReadBlock);
  uint64_t block_start = 0;
  size_t block_size = 0;
  for (size_t i = first; i < starts_.size(); ++i) {
    const uint64_t start = starts_[i];
    // Empty lines after a line may be many; the line itself is short.
    const uint64_t end = std::min<uint64_t>(NextStart(i), start + kMaxRecordLineChars + 2);
    if (start < block_start || end > block_start + block_size) {
      // Refill from this line on; a line with its ends always fits a block.
      const size_t want = static_cast<size_t>(std::min<uint64_t>(kReadBlock, data_end_ - start));
      const ssize_t n = ReadAt(fd_, block.data(), want, start);
      if (n < 0) return FileErrorText("read", path_, errno);
      block_start = start;
      block_size = static_cast<size_t>(n);
      if (end > block_start + block_size) {
        return "\"" + path_ + "\" became shorter while it was read";
      }
    }
    const std::string_view text(block.data() + (start - block_start),
                                static_cast<size_t>(end - start));
    if (!fn(i, text.substr(0, text.find_first_of("\r\n")))) break;
  }
  return {};
}

}  // namespace pulse::records
