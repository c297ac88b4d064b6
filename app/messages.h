// The one way the program's commands speak when there is no window to speak in.
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <string_view>

namespace pulse::app {

enum class MessageKind {
  kResult,       // standard output, as it stands
  kNote,         // standard error after "pulse3ch: " (how a run goes)
  kWarning,      // standard error after "pulse3ch: warning: "
  kError,        // standard error after "pulse3ch: "
  kDialog,       // standard error, as it stands: what a message box would say
  kDialogError,  // standard error after "error: ": what an error box would say
};

// Every line the headless commands print goes through here.
void Say(MessageKind kind, std::string_view text);

// printf-style text for Say, formatted by the same rules printf uses.
[[nodiscard]] std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where a command's messages go; tests collect them instead.
using OutputFn = std::function<void(MessageKind, std::string_view)>;
// Say, as an OutputFn.
[[nodiscard]] OutputFn StandardOutput();

}  // namespace pulse::app
