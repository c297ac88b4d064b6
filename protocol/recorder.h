// The record step: keeps about the last 20 s of data frame lines in the
// record list while recording is switched on.
#pragma once

#include <string>

#include "form/form_state.h"
#include "form/main_controls.h"

namespace pulse::protocol {

constexpr int kRecordSeconds = 20;

class Recorder {
 public:
  Recorder(form::TFormState& state, const form::TMainControls& controls)
      : state_(state), controls_(controls) {}

  // Run at the end of every parser step: drops the oldest line while the
  // list is over 20 s of samples, then appends `line` (nullptr: the step
  // handled no data frame) if recording is on and no stop is pending.
  void Step(const std::string* line);

 private:
  form::TFormState& state_;
  const form::TMainControls& controls_;
  std::string spare_;  // storage of the last dropped line, reused for the next one
};

}  // namespace pulse::protocol
