#include "app/messages.h"

#include <cstdio>
#include <vector>

namespace pulse::app {

void Say(MessageKind kind, std::string_view text) {
  const char* prefix = "";
  switch (kind) {
    case MessageKind::kResult:
      std::fprintf(stdout, "%.*s\n", static_cast<int>(text.size()), text.data());
      // Results may be read by a script while the run goes on.
      std::fflush(stdout);
      return;
    case MessageKind::kNote:
    case MessageKind::kError:
      prefix = "pulse3ch: ";
      break;
    case MessageKind::kWarning:
      prefix = "pulse3ch: warning: ";
      break;
    case MessageKind::kDialog:
      break;
    case MessageKind::kDialogError:
      prefix = "error: ";
      break;
  }
  std::fprintf(stderr, "%s%.*s\n", prefix, static_cast<int>(text.size()), text.data());
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text;
  if (size > 0) {
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, again);
    text.assign(buffer.data(), static_cast<size_t>(size));
  }
  va_end(again);
  return text;
}

OutputFn StandardOutput() {
  return Say;
}

}  // namespace pulse::app
