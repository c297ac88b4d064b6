// The one door for user-visible texts of the layers below the widgets. They
// are written in Chinese; a translator installed at start-up (the program
// installs one backed by its .qm catalogue) may replace them. Without one a
// text comes back unchanged, so tests and headless runs see the Chinese.
//
// Texts kept in constants are marked with TrNoop (the catalogue tool finds
// them there) and passed through Tr under the same context where shown.
// Texts composed with numbers use %1, %2, ... filled in by Format.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace pulse::form {

// Returns the text for `source` in `context` (the source itself when it has none).
using Translator = std::string (*)(const char* context, const char* source);

// Installs `fn` (nullptr: none). Call before the window is built and before
// any thread starts; the texts already in place keep their language.
void SetTranslator(Translator fn);

std::string Tr(const char* context, const char* source);

// Marks a text for the catalogue without translating it.
constexpr const char* TrNoop(const char* /*context*/, const char* source) {
  return source;
}

// Replaces each marker %1..%9 in `text` with the value of that number, in one
// pass, so a translation may reorder them and a value that itself holds "%2"
// stays as it is. A marker without a value is kept.
std::string Format(std::string_view text, std::initializer_list<std::string_view> values);

}  // namespace pulse::form
