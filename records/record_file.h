// A record file of any length: one frame line per text line. The lines are
// validated and their offsets indexed once (8 bytes a line); the text stays
// on disk and is read again for random access or a streaming pass.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frame_decoder.h"

namespace pulse::records {

// The limit of a line in a record file; the longest frame line has 50 characters.
inline constexpr size_t kMaxRecordLineChars = 1024;

// What one line of a record holds.
struct RecordLine {
  enum class Status {
    kGood,         // a data frame with a good checksum
    kBadChecksum,  // a data frame as received, checksum failed
    kDamaged,      // not a data frame line (torn by an editor, garbage, another kind)
  };
  Status status = Status::kDamaged;
  int channels = 0;             // 1 or 3 for a data frame
  protocol::DataFrame3 values;  // channel 0 only for a one-channel frame
};
[[nodiscard]] RecordLine ClassifyLine(std::string_view text);

class RecordFile;
struct RecordFileOpen {
  std::unique_ptr<RecordFile> file;
  std::string error;  // for the error box when `file` is empty
};

class RecordFile {
 public:
  // Opens and indexes `path`. Errors name the file: "Cannot open file ...",
  // "... is not a text file (binary data in line N)", "... is not a record
  // file (line N is longer than 1024 characters)". Lines end in CR LF, CR or
  // LF; empty lines are no records; text after the last line end (a line
  // torn by a crash) is left out.
  [[nodiscard]] static RecordFileOpen Open(const std::string& path);

  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  [[nodiscard]] const std::string& Path() const { return path_; }
  [[nodiscard]] size_t LineCount() const { return starts_.size(); }
  // Longest line seen while indexing, in characters.
  [[nodiscard]] size_t LongestLine() const { return longest_; }
  // Bytes after the last line end that were left out.
  [[nodiscard]] uint64_t TornBytes() const { return torn_bytes_; }

  // Line `index` without its line end; nothing when the file can no longer be read.
  [[nodiscard]] std::optional<std::string> Line(size_t index) const;

  // Calls `fn(index, text)` for lines first..LineCount()-1 in order, reading
  // the file in large blocks; `fn` returns false to stop early. Returns an
  // error text when the file can no longer be read, empty otherwise.
  using LineFn = std::function<bool(size_t, std::string_view)>;
  [[nodiscard]] std::string ForEachLine(const LineFn& fn, size_t first = 0) const;

 private:
  RecordFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {}
  [[nodiscard]] std::string Index();
  // Offset just past line `index` and any empty lines after it.
  [[nodiscard]] uint64_t NextStart(size_t index) const {
    return index + 1 < starts_.size() ? starts_[index + 1] : data_end_;
  }

  std::string path_;
  int fd_ = -1;
  std::vector<uint64_t> starts_;
  uint64_t data_end_ = 0;  // just past the last line end
  uint64_t torn_bytes_ = 0;
  size_t longest_ = 0;
};

}  // namespace pulse::records
