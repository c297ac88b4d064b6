// The persisted form of plot objects: named values written in order and read back by name.
// Values are kept as text, so a store can be written to and read from any key-value file.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pulse::plot {

class PropertyStore {
 public:
  void SetInt(const std::string& name, long long value);
  void SetDouble(const std::string& name, double value);
  void SetIntList(const std::string& name, const std::vector<long long>& values);
  void SetString(const std::string& name, const std::string& value);
  void SetBool(const std::string& name, bool value);

  [[nodiscard]] bool Has(const std::string& name) const;
  [[nodiscard]] std::optional<long long> GetInt(const std::string& name) const;
  [[nodiscard]] std::optional<double> GetDouble(const std::string& name) const;
  [[nodiscard]] std::optional<std::vector<long long>> GetIntList(const std::string& name) const;
  [[nodiscard]] std::optional<std::string> GetString(const std::string& name) const;
  [[nodiscard]] std::optional<bool> GetBool(const std::string& name) const;

  // Entries in the order they were first written.
  [[nodiscard]] const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }
  void Clear() { entries_.clear(); }

 private:
  [[nodiscard]] const std::string* Find(const std::string& name) const;
  void Put(const std::string& name, std::string text);

  std::vector<std::pair<std::string, std::string>> entries_;
};

}  // namespace pulse::plot
