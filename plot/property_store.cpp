#include "plot/property_store.h"

#include <charconv>
#include <sstream>

namespace pulse::plot {

namespace {

std::optional<long long> ParseInt(const std::string& text) {
  long long v = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return v;
}

}  // namespace

const std::string* PropertyStore::Find(const std::string& name) const {
  for (const auto& [key, value] : entries_)
    if (key == name) return &value;
  return nullptr;
}

void PropertyStore::Put(const std::string& name, std::string text) {
  for (auto& [key, value] : entries_) {
    if (key == name) {
      value = std::move(text);
      return;
    }
  }
  entries_.emplace_back(name, std::move(text));
}

void PropertyStore::SetInt(const std::string& name, long long value) {
  Put(name, std::to_string(value));
}

void PropertyStore::SetDouble(const std::string& name, double value) {
  // Shortest text that reads back to the same double, independent of the C locale.
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  Put(name, std::string(buf, ec == std::errc() ? ptr : buf));
}

void PropertyStore::SetIntList(const std::string& name, const std::vector<long long>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) text += ' ';
    text += std::to_string(values[i]);
  }
  Put(name, text);
}

void PropertyStore::SetString(const std::string& name, const std::string& value) {
  Put(name, value);
}

void PropertyStore::SetBool(const std::string& name, bool value) {
  Put(name, value ? "true" : "false");
}

bool PropertyStore::Has(const std::string& name) const {
  return Find(name) != nullptr;
}

std::optional<long long> PropertyStore::GetInt(const std::string& name) const {
  const std::string* t = Find(name);
  return t ? ParseInt(*t) : std::nullopt;
}

std::optional<double> PropertyStore::GetDouble(const std::string& name) const {
  const std::string* t = Find(name);
  if (!t || t->empty()) return std::nullopt;
  double v = 0;
  const char* end = t->data() + t->size();
  auto [ptr, ec] = std::from_chars(t->data(), end, v);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return v;
}

std::optional<std::vector<long long>> PropertyStore::GetIntList(const std::string& name) const {
  const std::string* t = Find(name);
  if (!t) return std::nullopt;
  std::vector<long long> values;
  std::istringstream in(*t);
  std::string word;
  while (in >> word) {
    auto v = ParseInt(word);
    if (!v) return std::nullopt;
    values.push_back(*v);
  }
  return values;
}

std::optional<std::string> PropertyStore::GetString(const std::string& name) const {
  const std::string* t = Find(name);
  return t ? std::optional<std::string>(*t) : std::nullopt;
}

std::optional<bool> PropertyStore::GetBool(const std::string& name) const {
  const std::string* t = Find(name);
  if (!t) return std::nullopt;
  if (*t == "true") return true;
  if (*t == "false") return false;
  return std::nullopt;
}

}  // namespace pulse::plot
