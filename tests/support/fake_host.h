// The window's desktop effects as a test sees them: messages and errors kept, file dialogs
// answered from fields, timed steps held until the test runs them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "window/form1.h"

namespace pulse::test {

class FakeHost : public window::IFormHost {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::optional<std::string> AskSaveFileName(const std::string&, const std::string&) override {
    return save_name;
  }
  std::optional<std::string> AskOpenFileName(const std::string&) override { return open_name; }
  void SetTimerInterval(int ms) override { interval = ms; }
  void RunAfter(int ms, std::function<void()> step) override;
  void CloseWindow() override { closed = true; }

  // Runs the timed steps due so far (the test plays the clock). Steps they add wait for the
  // next call.
  void RunDelayed();

  std::vector<std::string> messages, errors;
  std::optional<std::string> save_name, open_name;
  std::vector<std::pair<int, std::function<void()>>> delayed;
  int interval = 0;
  bool closed = false;
};

}  // namespace pulse::test
