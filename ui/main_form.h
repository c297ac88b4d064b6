// MainForm binds the window logic (TForm1) to the Qt main window: it hosts
// the three plots, forwards clicks and edits to TForm1's handlers, mirrors
// the control models into the widgets at most once per refresh interval,
// runs Timer1, and provides the desktop effects TForm1 asks for.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "ui/main_window.h"
#include "ui/pulse_readouts.h"
#include "ui/qt_main_queue.h"
#include "window/form1.h"
#include "window/plot_beat_marks.h"
#include "window/plot_cursor_marks.h"
#include "window/view_plot_setup.h"

namespace pulse::ui {

class TMFPrintDlg;

class PlotWidget;
class PlayerBar;
class ViewInput;

class MainForm : public QObject, public window::IFormHost {
  Q_OBJECT

 public:
  // Widgets are mirrored from the models at most this often.
  static constexpr int kSyncIntervalMs = 30;

  explicit MainForm(window::FormOptions options = {}, TMFPrintDlg* print_dialog = nullptr);
  ~MainForm() override;

  MainWindow& Window() { return *window_; }
  window::TForm1& Form() { return *form_; }
  plot::Tsp_XYPlot& Plot(int view) { return plots_[static_cast<size_t>(view)]->Plot(); }
  PlotWidget* PlotWidgetOf(int view) { return plot_widgets_[static_cast<size_t>(view)]; }
  PlayerBar& Bar() { return *player_bar_; }
  ViewInput& Input() { return *view_input_; }
  // Copies every control model into its widget now.
  void Sync();

  // IFormHost.
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> AskSaveFileName(const std::string& default_name,
                                             const std::string& filter) override;
  std::optional<std::string> AskOpenFileName(const std::string& filter) override;
  std::optional<std::string> AskExportFileName(const std::string& default_name,
                                               const std::string& filter) override;
  void SetTimerInterval(int ms) override;
  void RunAfter(int ms, std::function<void()> step) override;
  void CloseWindow() override;

  // Message and error boxes go to stderr instead of a modal box (headless runs).
  void SetHeadless(bool on) { headless_ = on; }
  // Where the boxes' texts go when headless, instead of straight to stderr: the program's
  // own message printer. `error` tells an error box from a message box.
  using BoxText = std::function<void(bool error, const std::string& text)>;
  void SetHeadlessBoxText(BoxText out) { box_text_ = std::move(out); }
  // A script's answer to the next open-file dialogs, instead of asking.
  void SetScriptedOpenName(std::optional<std::string> name) { scripted_open_ = std::move(name); }
  // Likewise for the save dialogs (sessions, exports, 保存).
  void SetScriptedSaveName(std::optional<std::string> name) { scripted_save_ = std::move(name); }

  // Qt's filter text for a filter in "name|pattern|name|pattern" form.
  static QString QtFilter(const std::string& filter);
  // The name with the chosen filter's extension ("*.edf" -> ".edf") when it
  // has none of the filter's extensions yet.
  static QString WithFilterExtension(const QString& name, const std::string& filter,
                                     const QString& selected_filter);

 private:
  void Bind();
  // Runs a handler, then asks for a sync; exceptions reach the error box.
  void Handle(const std::function<void()>& handler);
  void ScheduleSync();
  void SyncMemo();
  void PrintView(int view);
  bool eventFilter(QObject* watched, QEvent* event) override;

  std::unique_ptr<MainWindow> window_;
  QtMainQueue queue_;
  window::ViewPlotSets plots_;
  // After the plots, so the marks leave them first.
  std::array<std::unique_ptr<window::PlotBeatMarks>, form::kViewCount> beat_marks_;
  std::array<std::unique_ptr<window::PlotCursorMarks>, form::kViewCount> cursor_marks_;
  std::array<PlotWidget*, form::kViewCount> plot_widgets_{};
  std::unique_ptr<window::TForm1> form_;
  PlayerBar* player_bar_ = nullptr;  // owned by the window
  ViewInput* view_input_ = nullptr;  // owned by the window
  TMFPrintDlg* print_dialog_;
  QTimer timer1_;
  QTimer sync_timer_;
  uint64_t memo_revision_ = ~0ull, memo_reset_revision_ = ~0ull;
  int memo_count_ = 0;
  bool headless_ = false;
  BoxText box_text_;
  std::optional<std::string> scripted_open_;
  std::optional<std::string> scripted_save_;
  bool syncing_ = false;
  PulseReadouts pulse_readouts_;
};

}  // namespace pulse::ui
