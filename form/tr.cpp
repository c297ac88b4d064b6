#include "form/tr.h"

#include <atomic>

namespace pulse::form {

namespace {
std::atomic<Translator> g_translator{nullptr};
}  // namespace

void SetTranslator(Translator fn) {
  g_translator.store(fn);
}

std::string Tr(const char* context, const char* source) {
  const Translator fn = g_translator.load();
  if (fn == nullptr) return source;
  return fn(context, source);
}

std::string Format(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      const auto n = static_cast<size_t>(text[i + 1] - '1');
      if (n < values.size()) {
        out.append(*(values.begin() + n));
        ++i;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace pulse::form
