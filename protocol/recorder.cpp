#include "protocol/recorder.h"

#include <cstdint>
#include <utility>

namespace pulse::protocol {

void Recorder::Step(const std::string* line) {
  auto& list = state_.RecordList;
  const int64_t limit = static_cast<int64_t>(kRecordSeconds) * state_.SampleRate;
  if (static_cast<int64_t>(list.size()) > limit) {
    spare_ = std::move(list.front());
    list.pop_front();
  }
  if (line != nullptr && !state_.StopPending && controls_.CheckBox1.checked) {
    spare_.assign(*line);
    list.push_back(std::move(spare_));
  }
}

}  // namespace pulse::protocol
