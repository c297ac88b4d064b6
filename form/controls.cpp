#include "form/controls.h"

#include <utility>

namespace pulse::form {

void TComboBox::Select(int index) {
  if (index >= 0 && index < static_cast<int>(items.size())) {
    item_index = index;
    text = items[static_cast<size_t>(index)];
  } else {
    item_index = -1;
  }
}

void TMemoLines::Add(std::string line) {
  lines_.push_back(std::move(line));
  ++revision_;
}

void TMemoLines::Clear() {
  lines_.clear();
  ++revision_;
  ++reset_revision_;
}

void TMemoLines::Assign(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  ++revision_;
  ++reset_revision_;
}

}  // namespace pulse::form
