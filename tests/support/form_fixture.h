// A TForm1 with fake desktop effects, fake plots, the real serial link and a main-thread
// queue the test drains, its settings in a folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "comm/manual_queue.h"
#include "tests/support/fake_host.h"
#include "tests/support/fake_view_plot.h"
#include "tests/support/temp_dir.h"
#include "window/form1.h"

namespace pulse::test {

using pulse::window::FormOptions;
using pulse::window::IFormHost;
using pulse::window::TForm1;

class FormFixture : public ::testing::Test {
 protected:
  // A new form (and a new settings folder) on the given "COMn=path" mappings.
  void MakeForm(std::vector<std::string> port_mappings = {});
  // A new form with COM1 on `device`, opened, and the stop that follows every open sent.
  // Fails the test (check HasFatalFailure) when the port did not open.
  void MakeFormAndOpen(const std::string& device);
  void TearDown() override;

  form::TMainControls& C() { return form_->Controls(); }
  form::TFormState& S() { return form_->State(); }
  const std::string& Panel(form::StatusPanel p) { return C().StatusBar1.Panel(p).text; }
  // A new folder, kept until the test ends; its path ends in '/'.
  std::string NewDir(std::string_view prefix = "form1");

  // Runs on the options before the form is made.
  std::function<void(FormOptions&)> customize_;
  FakeHost host_;
  comm::ManualQueue queue_;
  FakeViewPlot p1_, p2_, p3_;
  std::unique_ptr<TForm1> form_;
  std::string dir_;  // the settings folder of the last form made, with a trailing '/'

 private:
  std::vector<TempDir> dirs_;
};

}  // namespace pulse::test
