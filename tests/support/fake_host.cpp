#include "tests/support/fake_host.h"

namespace pulse::test {

void FakeHost::RunAfter(int ms, std::function<void()> step) {
  delayed.emplace_back(ms, std::move(step));
}

void FakeHost::RunDelayed() {
  auto steps = std::move(delayed);
  delayed.clear();
  for (auto& s : steps) s.second();
}

}  // namespace pulse::test
