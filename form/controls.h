// Plain-data models of the window's controls. The logic writes them like the
// controls themselves (`Label10.Caption = "12";`); the widget layer mirrors
// them into real widgets at its next screen refresh, so writing here never
// paints.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pulse::form {

// What every visible control has.
struct TControl {
  bool Enabled = true;
  bool Visible = true;
  std::string hint;
};

// Buttons, speed buttons, labels, panels and group boxes: a caption.
struct TCaptionControl : TControl {
  std::string Caption;
};
using TButton = TCaptionControl;
using TSpeedButton = TCaptionControl;
using TLabel = TCaptionControl;
using TPanel = TCaptionControl;
using TGroupBox = TCaptionControl;

// A one-line edit box.
struct TEdit : TControl {
  std::string text;
  bool read_only = false;
};

struct TCheckBox : TControl {
  std::string Caption;
  bool checked = false;
};

// A drop-down list that also accepts typed text.
struct TComboBox : TControl {
  std::vector<std::string> items;
  int item_index = -1;  // -1: no entry selected (typed text)
  std::string text;
  int drop_down_count = 8;  // entries visible at a time when dropped down

  // Selects entry `index` and shows its text; an index outside the list
  // clears the selection and keeps the text.
  void Select(int index);
};

// The lines of a memo. Every change bumps Revision(), and a change that is
// not a plain append also bumps ResetRevision(), so a view can append the
// new lines only instead of reloading everything.
class TMemoLines {
 public:
  void Add(std::string line);
  void Clear();
  void Assign(std::vector<std::string> lines);
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& operator[](int index) const { return lines_[static_cast<size_t>(index)]; }
  const std::vector<std::string>& Items() const { return lines_; }
  uint64_t Revision() const { return revision_; }
  uint64_t ResetRevision() const { return reset_revision_; }

 private:
  std::vector<std::string> lines_;
  uint64_t revision_ = 0;
  uint64_t reset_revision_ = 0;
};

struct TMemo : TControl {
  TMemoLines lines;
  bool read_only = false;
};

struct TStatusPanel {
  std::string text;
  int Width = 150;
  bool centered = false;
};

// The status bar's panels, left to right, by what they show.
enum class StatusPanel : size_t {
  kLinkState,    // link state, or the loaded-file notice
  kLastCommand,  // the last command frame sent, or a view's mouse read-out
  kSendResult,   // the result of the last send
  kDeviceReply,  // the device's last acknowledgement
  kClock,
};

struct TStatusBar : TControl {
  static constexpr size_t kPanelCount = static_cast<size_t>(StatusPanel::kClock) + 1;
  std::array<TStatusPanel, kPanelCount> panels;

  TStatusPanel& Panel(StatusPanel p) { return panels[static_cast<size_t>(p)]; }
  const TStatusPanel& Panel(StatusPanel p) const { return panels[static_cast<size_t>(p)]; }
};

}  // namespace pulse::form
