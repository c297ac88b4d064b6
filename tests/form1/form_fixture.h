// A TForm1 with fake desktop effects, fake plots, the real serial link and a
// main-thread queue the test drains.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/manual_queue.h"
#include "tests/views/fake_view_plot.h"
#include "window/form1.h"

namespace pulse::test {

using pulse::window::FormOptions;
using pulse::window::IFormHost;
using pulse::window::TForm1;

class FakeHost : public IFormHost {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::optional<std::string> AskSaveFileName(const std::string&, const std::string&) override {
    return save_name;
  }
  std::optional<std::string> AskOpenFileName(const std::string&) override { return open_name; }
  void SetTimerInterval(int ms) override { interval = ms; }
  void RunAfter(int ms, std::function<void()> step) override {
    delayed.push_back({ms, std::move(step)});
  }
  void CloseWindow() override { closed = true; }

  // Runs the timed steps due so far (the test plays the clock).
  void RunDelayed() {
    auto steps = std::move(delayed);
    delayed.clear();
    for (auto& s : steps) s.second();
  }

  std::vector<std::string> messages, errors;
  std::optional<std::string> save_name, open_name;
  std::vector<std::pair<int, std::function<void()>>> delayed;
  int interval = 0;
  bool closed = false;
};

inline std::string TempDirNamed(const std::string& name) {
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string() + "/";
}

// A fresh directory per test for the settings file.
inline std::string TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::path dir = std::filesystem::temp_directory_path() /
                              ("form1-" + std::string(info->test_suite_name()) + "-" +
                               info->name() + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string() + "/";
}

class FormFixture : public ::testing::Test {
 protected:
  void MakeForm(std::vector<std::string> port_mappings = {}) {
    dir_ = TempDir();
    FormOptions options;
    options.exe_dir = dir_;
    options.settings_dir = dir_;
    options.port_mappings = std::move(port_mappings);
    if (customize_) customize_(options);
    form_ = std::make_unique<TForm1>(host_, queue_,
                                     std::array<pulse::window::IViewPlot*, 3>{&p1_, &p2_, &p3_},
                                     options);
    form_->FormCreate();
  }
  void TearDown() override {
    form_.reset();
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  form::TMainControls& C() { return form_->Controls(); }
  form::TFormState& S() { return form_->State(); }
  const std::string& Panel(form::StatusPanel p) { return C().StatusBar1.Panel(p).text; }

  // Runs on the options before the form is made.
  std::function<void(FormOptions&)> customize_;
  FakeHost host_;
  comm::ManualQueue queue_;
  test::FakeViewPlot p1_, p2_, p3_;
  std::unique_ptr<TForm1> form_;
  std::string dir_;
};

}  // namespace pulse::test
