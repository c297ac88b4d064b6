#include "tests/support/form_fixture.h"

#include <utility>

namespace pulse::test {

void FormFixture::MakeForm(std::vector<std::string> port_mappings) {
  dir_ = NewDir();
  FormOptions options;
  options.exe_dir = dir_;
  options.settings_dir = dir_;
  options.port_mappings = std::move(port_mappings);
  if (customize_) customize_(options);
  form_ = std::make_unique<TForm1>(host_, queue_,
                                   std::array<window::IViewPlot*, 3>{&p1_, &p2_, &p3_}, options);
  form_->FormCreate();
}

void FormFixture::MakeFormAndOpen(const std::string& device) {
  MakeForm({"COM1=" + device});
  form_->Bt_openClick();
  ASSERT_TRUE(S().PortOpen) << Panel(form::StatusPanel::kLinkState);
  host_.RunDelayed();
  ASSERT_TRUE(form_->StopAfterOpenSent());
}

void FormFixture::TearDown() {
  // The form may still write its settings as it goes.
  form_.reset();
  dirs_.clear();
}

std::string FormFixture::NewDir(std::string_view prefix) {
  dirs_.emplace_back(prefix);
  return dirs_.back().Slash();
}

}  // namespace pulse::test
