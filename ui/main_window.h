// The main window's widget tree: every control of the window in its place,
// with its texts, hints and initial states. Behaviour is bound from outside
// (the window model mirrors into these widgets and receives their signals).
#pragma once

#include <QMainWindow>
#include <array>

#include "form/main_controls.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QToolButton;
class QWidget;

namespace pulse::ui {

// One of the three stacked view rows.
struct ViewRowWidgets {
  QWidget* row = nullptr;            // P_01, P_02, P_03
  QToolButton* zoom_in = nullptr;    // "+": Bt_ZoomY2, Bt_ZoomY22, Bt_ZoomY222
  QToolButton* zoom_out = nullptr;   // "-": Bt_ZoomY1, Bt_ZoomY11, Bt_ZoomY111
  QWidget* plot = nullptr;           // XYPlot1..3 (a placeholder until ReplacePlot)
  QLabel* zero_panel = nullptr;      // Panel10..12, lies over the plot's top-left corner
  QGroupBox* box = nullptr;          // "通道k静态压力"
  QLabel* readout = nullptr;         // P_jy1..3
  QToolButton* print = nullptr;      // SpeedButton2..4
  QComboBox* unit_list = nullptr;    // hidden cb_unit2 / cb_unit3 (rows 2 and 3 only)
  QGridLayout* plot_cell = nullptr;  // holds the plot and its zero panel in one cell
  QLabel* pulse_rate = nullptr;      // "脉率: 72 bpm", its colour the signal quality
};

// Pointers to the controls the window model binds, under their control names.
struct MainWindowWidgets {
  std::array<ViewRowWidgets, form::kViewCount> views;
  QLabel* pulse_caption = nullptr;  // vertical "脉\n搏" beside view 1
  QCheckBox* ch_jy = nullptr;
  QWidget* view_area = nullptr;  // the three rows and the time strip
  QWidget* time_strip = nullptr;
  QPushButton* Button3 = nullptr;       // "<-"
  QPushButton* Bt_ZoomX1 = nullptr;     // time "-"
  QPushButton* Bt_ZoomX2 = nullptr;     // time "+"
  QPushButton* Button1 = nullptr;       // "->"
  QToolButton* SpeedButton1 = nullptr;  // reset
  QCheckBox* show_beats = nullptr;      // "显示心搏": beat marks on the waves

  QWidget* p_bb = nullptr;          // control strip
  QGroupBox* device_box = nullptr;  // "设备操作"
  QCheckBox* reconnect = nullptr;   // "自动重连", at the right end of the status bar
  QComboBox* e_comm = nullptr;
  QComboBox* e_btl = nullptr;
  QPushButton* Bt_open = nullptr;
  QPushButton* bt_start = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button9 = nullptr;
  QLabel* data_bits_label = nullptr;  // hidden "数据位"
  QLineEdit* data_bits = nullptr;     // hidden "8"

  QGroupBox* GroupBox2 = nullptr;  // "采样设置"
  QComboBox* cb_unit1 = nullptr;
  QLabel* freq_label = nullptr;    // hidden "频率:"
  QLineEdit* Edit_Freq = nullptr;  // hidden
  QPushButton* Button6 = nullptr;  // hidden "设置频率"
  QPushButton* Button7 = nullptr;  // hidden "生产日期"
  QLineEdit* Edit_date = nullptr;  // hidden, read-only
  QPushButton* Button8 = nullptr;  // hidden "读序列号"
  QLineEdit* Edit_sn = nullptr;    // hidden, read-only

  QWidget* record_panel = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label_cnt = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button20 = nullptr;  // "保存"
  QPushButton* Button18 = nullptr;  // "载入"
  QPushButton* Button19 = nullptr;  // "模拟"
  QPushButton* session_button = nullptr;  // "会话记录" / "停止会话"
  QPushButton* export_button = nullptr;   // "导出", with the menu below
  QMenu* export_menu = nullptr;
  QAction* export_current = nullptr;  // the current 20 s record
  QAction* export_loaded = nullptr;   // the file loaded with "载入"
  QAction* export_session = nullptr;  // the running or last session's file
  QLabel* session_info = nullptr;     // name, length and frames while a session runs;
                                      // over the left of the time strip
  QPlainTextEdit* Memo1 = nullptr;

  QStatusBar* StatusBar1 = nullptr;
  std::array<QLabel*, form::TStatusBar::kPanelCount> status_panels{};  // by form::StatusPanel
};

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kDesignWidth = 1016;  // client area at design size
  static constexpr int kDesignHeight = 669;

  explicit MainWindow(QWidget* parent = nullptr);

  const MainWindowWidgets& Widgets() const { return w_; }

  // Puts the real plot of view k (0..2) in place of its placeholder; the
  // placeholder is deleted, the zero panel stays above the plot.
  void ReplacePlot(int k, QWidget* plot);

  // The window font: Verdana 12 px, else the system's sans-serif.
  static QFont WindowFont();

 private:
  QWidget* BuildViewArea();
  QWidget* BuildViewRow(int k);
  QWidget* BuildTimeStrip();
  QWidget* BuildControlStrip();
  QGroupBox* BuildDeviceBox();
  QGroupBox* BuildSamplingBox();
  QWidget* BuildRecordPanel();
  void BuildStatusBar();

  MainWindowWidgets w_;
};

}  // namespace pulse::ui
