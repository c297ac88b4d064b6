#include "window/export_control.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "records/atomic_file.h"
#include "records/session_metadata.h"

namespace pulse::window {
namespace {

constexpr const char* kDefaultExportName = "record.csv";
constexpr const char* kFirstFormatExtension = ".csv";
constexpr std::string_view kLineEnd = "\r\n";

// A record file of the current lines, removed when this goes away.
class TempRecord {
 public:
  TempRecord() = default;
  ~TempRecord() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempRecord(const TempRecord&) = delete;
  TempRecord& operator=(const TempRecord&) = delete;

  // Returns an error text, empty on success.
  [[nodiscard]] std::string Write(const std::deque<std::string>& lines) {
    std::error_code ec;
    std::string tmpl =
        (std::filesystem::temp_directory_path(ec) / "pulse3ch-export-XXXXXX").string();
    if (ec) tmpl = "/tmp/pulse3ch-export-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return records::FileErrorText("create", tmpl, errno);
    path_ = tmpl;
    std::string data;
    for (const std::string& line : lines) {
      data += line;
      data += kLineEnd;
    }
    const int err = records::WriteAll(fd, data.data(), data.size());
    ::close(fd);
    return err == 0 ? std::string() : records::FileErrorText("write", path_, err);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

std::string DefaultExportName(const ExportSource& source) {
  if (source.path.empty()) return kDefaultExportName;
  std::filesystem::path p(source.path);
  p.replace_extension(kFirstFormatExtension);
  return p.string();
}

std::optional<std::string> ExportOverwritesInput(const std::string& output,
                                                 const std::string& input) {
  if (input.empty()) return std::nullopt;
  std::error_code ec;
  if (std::filesystem::equivalent(output, input, ec) && !ec)
    return "\"" + output + "\" is the record itself; choose another name";
  const std::string md_path = records::MetadataPathFor(input);
  if (std::filesystem::equivalent(output, md_path, ec) && !ec)
    return "\"" + output + "\" is the record's metadata \"" + md_path + "\"; choose another name";
  return std::nullopt;
}

records::ExportReport RunWindowExport(const ExportSource& source, const std::string& output) {
  records::ExportRequest request;
  request.output = output;
  request.rate = source.rate;
  request.unit = source.unit;
  request.unit_chosen = !source.unit.empty();
  TempRecord temp;
  if (source.kind == ExportSource::Kind::kCurrentRecord) {
    if (std::string err = temp.Write(source.lines); !err.empty()) {
      records::ExportReport failed;
      failed.error = std::move(err);
      return failed;
    }
    request.input = temp.Path();
  } else {
    request.input = source.path;
  }
  return records::ExportRecord(request);
}

std::string ExportDoneText(const records::ExportReport& report, const std::string& output) {
  std::string text = form::Format(form::Tr("ExportControl", "已导出 %1 帧到 \"%2\""),
                                  {std::to_string(report.frames), output});
  if (report.bad_frames > 0 || report.damaged_lines > 0) {
    text += form::Format(form::Tr("ExportControl", "（校验错误 %1 帧，损坏的行 %2 行）"),
                         {std::to_string(report.bad_frames), std::to_string(report.damaged_lines)});
  }
  if (!report.warning.empty()) text += "\n" + report.warning;
  return text;
}

ExportControl::ExportControl() {
  button.Caption = form::Tr("ExportControl", kExportCaption);
  current_record.Caption = form::Tr("ExportControl", kExportCurrentCaption);
  loaded_record.Caption = form::Tr("ExportControl", kExportLoadedCaption);
  session.Caption = form::Tr("ExportControl", kExportSessionCaption);
  current_record.Enabled = loaded_record.Enabled = session.Enabled = false;
}

ExportControl::~ExportControl() {
  // The worker only touches its own copies; let it finish its file.
  if (job_.valid()) job_.wait();
}

std::string ExportControl::Begin(ExportSource source, const std::string& output) {
  if (job_.valid()) return "an export into \"" + output_ + "\" is still running";
  if (source.kind == ExportSource::Kind::kCurrentRecord ? source.lines.empty()
                                                        : source.path.empty()) {
    return "nothing to export";
  }
  if (std::optional<std::string> clash = ExportOverwritesInput(output, source.path)) return *clash;
  output_ = output;
  job_ = std::async(std::launch::async, [source = std::move(source), output] {
    return RunWindowExport(source, output);
  });
  button.Enabled = false;
  button.hint = form::Tr("ExportControl", kExportBusyText);
  return {};
}

ExportControl::Done ExportControl::Collect() {
  const records::ExportReport report = job_.get();
  button.Enabled = true;
  button.hint.clear();
  if (!report.error.empty()) return {false, report.error};
  return {true, ExportDoneText(report, output_)};
}

std::optional<ExportControl::Done> ExportControl::Tick() {
  if (!job_.valid() || job_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
    return std::nullopt;
  return Collect();
}

std::optional<ExportControl::Done> ExportControl::Wait() {
  if (!job_.valid()) return std::nullopt;
  job_.wait();
  return Collect();
}

}  // namespace pulse::window
