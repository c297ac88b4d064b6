#include "ui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "window/session_control.h"

namespace pulse::ui {
namespace {

constexpr int kButtonColumnWidth = 25;   // the "+"/"-" column left of each plot
constexpr int kReadoutBoxWidth = 206;    // static-pressure group box of each row
constexpr int kControlStripHeight = 76;  // device, sampling and record controls
constexpr int kStatusPanelWidth = 150;
constexpr int kReadoutFontPx = 21;  // large static-pressure figures
constexpr int kReadoutHeight = 40;
constexpr int kPulseRateFontPx = 15;  // the pulse rate under the static pressure
constexpr int kMemoFontPx = 14;
constexpr int kWindowFontPx = 12;
constexpr int kTimeStripHeight = 25;
constexpr int kSmallButton = 23;  // time-strip and value zoom buttons
constexpr int kCommVisibleItems = 10;
constexpr int kRecordButtonWidth = 56;
constexpr int kWideButtonWidth = 76;  // four-character captions
constexpr int kButtonWidth = 60;
// The session read-out lies over the free left part of the time strip, left of its centred
// caption, so nothing specified moves.
constexpr int kSessionInfoWidth = 290;  // ends before the centred time caption
constexpr int kCommPorts = 30;          // port numbers offered in e_comm
constexpr int kDefaultUnitIndex = 3;    // "毫米水柱", selected at start-up
const QColor kNavy(0, 0, 128);
const QMargins kPlaceholderGutter(44, 20, 44, 24);  // roughly where a plot draws its axes

template <typename W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QLabel* NavyLabel(const QString& text, const char* name, int font_px) {
  auto* l = Named(new QLabel(text), name);
  l->setAutoFillBackground(true);
  QPalette p = l->palette();
  p.setColor(QPalette::Window, kNavy);
  p.setColor(QPalette::WindowText, Qt::white);
  l->setPalette(p);
  QFont f = MainWindow::WindowFont();
  f.setPixelSize(font_px);
  l->setFont(f);
  return l;
}

QToolButton* SmallToolButton(const QString& text, const QString& hint, const char* name) {
  auto* b = Named(new QToolButton, name);
  b->setText(text);
  b->setToolTip(hint);
  b->setFixedSize(kSmallButton, kSmallButton);
  return b;
}

QPushButton* Button(const QString& text, const char* name) {
  auto* b = Named(new QPushButton(text), name);
  b->setAutoDefault(false);
  return b;
}

QLabel* Label(const QString& text, const char* name) {
  return Named(new QLabel(text), name);
}

QLineEdit* Edit(const QString& text, const char* name, bool read_only = false) {
  auto* e = Named(new QLineEdit(text), name);
  e->setReadOnly(read_only);
  return e;
}

QComboBox* Combo(const QStringList& items, const char* name) {
  auto* c = Named(new QComboBox, name);
  c->setEditable(true);  // a stored text that is not an entry is shown as typed
  c->setInsertPolicy(QComboBox::NoInsert);
  c->addItems(items);
  return c;
}

// The designed width of a button, unless one of its captions (another language) needs more:
// then that, so it is not cut. The designed widths hold the Chinese captions as they are.
int FittedWidth(int design_width, std::initializer_list<QString> captions) {
  constexpr int kTightPadding = 8;  // what the Chinese captions are designed with
  constexpr int kPadding = 14;      // a style's usual margins
  const QFontMetrics fm(MainWindow::WindowFont());
  int width = design_width;
  for (const QString& caption : captions) {
    const int text = fm.size(Qt::TextShowMnemonic, caption).width();
    if (text + kTightPadding > design_width) width = std::max(width, text + kPadding);
  }
  return width;
}

// A small printer glyph for the print buttons (no icon theme is guaranteed).
QIcon PrinterIcon() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  p.drawRect(4, 1, 7, 5);  // paper
  p.setBrush(QColor(160, 160, 160));
  p.drawRect(1, 6, 13, 6);  // body
  p.setBrush(Qt::white);
  p.drawRect(4, 10, 7, 4);  // output tray
  return QIcon(pm);
}

}  // namespace

QFont MainWindow::WindowFont() {
  QFont f;
  f.setFamilies({QStringLiteral("Verdana"), QStringLiteral("sans-serif")});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(kWindowFontPx);
  return f;
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QCoreApplication::translate("MainWindow", "三通道脉象传感器演示 （T20190923）"));
  setFont(WindowFont());

  auto* central = Named(new QWidget, "client");
  auto* v = new QVBoxLayout(central);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  v->addWidget(BuildViewArea(), 1);
  v->addWidget(BuildControlStrip(), 0);
  setCentralWidget(central);
  BuildStatusBar();

  resize(kDesignWidth, kDesignHeight);
}

QWidget* MainWindow::BuildViewArea() {
  auto* area = Named(new QWidget, "P_view");
  auto* v = new QVBoxLayout(area);
  v->setContentsMargins(0, 0, 0, 0);
  v->setSpacing(0);
  for (int k = 0; k < form::kViewCount; ++k) v->addWidget(BuildViewRow(k), 1);  // equal heights
  v->addWidget(BuildTimeStrip(), 0);
  w_.view_area = area;
  return area;
}

QWidget* MainWindow::BuildViewRow(int k) {
  static const char* const kRows[] = {"P_01", "P_02", "P_03"};
  static const char* const kZoomIn[] = {"Bt_ZoomY2", "Bt_ZoomY22", "Bt_ZoomY222"};
  static const char* const kZoomOut[] = {"Bt_ZoomY1", "Bt_ZoomY11", "Bt_ZoomY111"};
  static const char* const kPlots[] = {"XYPlot1", "XYPlot2", "XYPlot3"};
  static const char* const kZeroPanels[] = {"Panel10", "Panel11", "Panel12"};
  static const char* const kBoxes[] = {"GroupBox_jy1", "GroupBox_jy2", "GroupBox_jy3"};
  static const char* const kReadouts[] = {"P_jy1", "P_jy2", "P_jy3"};
  static const char* const kPrint[] = {"SpeedButton2", "SpeedButton3", "SpeedButton4"};
  static const char* const kUnitLists[] = {nullptr, "cb_unit2", "cb_unit3"};
  static const char* const kPulseRates[] = {"Label_rate1", "Label_rate2", "Label_rate3"};

  ViewRowWidgets& r = w_.views[static_cast<std::size_t>(k)];
  r.row = Named(new QWidget, kRows[k]);
  auto* h = new QHBoxLayout(r.row);
  h->setContentsMargins(0, 0, 0, 0);
  h->setSpacing(0);

  // Value zoom column.
  auto* column = Named(new QWidget, k == 0 ? "P_zoomY1" : k == 1 ? "P_zoomY2" : "P_zoomY3");
  column->setFixedWidth(kButtonColumnWidth);
  auto* cv = new QVBoxLayout(column);
  cv->setContentsMargins(1, 2, 1, 2);
  cv->setSpacing(2);
  r.zoom_in = SmallToolButton(QStringLiteral("+"),
                              QCoreApplication::translate("MainWindow", "放大"), kZoomIn[k]);
  r.zoom_out = SmallToolButton(QStringLiteral("-"),
                               QCoreApplication::translate("MainWindow", "缩小"), kZoomOut[k]);
  cv->addWidget(r.zoom_in, 0, Qt::AlignHCenter);
  cv->addWidget(r.zoom_out, 0, Qt::AlignHCenter);
  if (k == 0) {
    w_.pulse_caption = Label(QCoreApplication::translate("MainWindow", "脉\n搏"), "Label_pulse");
    w_.pulse_caption->setAlignment(Qt::AlignCenter);
    cv->addSpacing(8);
    cv->addWidget(w_.pulse_caption, 0, Qt::AlignHCenter);
  }
  cv->addStretch(1);
  h->addWidget(column);

  // Plot place, with the zero-value panel in the same cell over its corner.
  auto* cell = Named(new QWidget, k == 0 ? "P_plot1" : k == 1 ? "P_plot2" : "P_plot3");
  r.plot_cell = new QGridLayout(cell);
  r.plot_cell->setContentsMargins(0, 0, 0, 0);
  r.plot = Named(new QWidget, kPlots[k]);
  {
    // Until the plot arrives: its navy field inside a button-face gutter.
    auto* field = new QWidget(r.plot);
    field->setAutoFillBackground(true);
    QPalette pp = field->palette();
    pp.setColor(QPalette::Window, kNavy);
    field->setPalette(pp);
    auto* fl = new QVBoxLayout(r.plot);
    fl->setContentsMargins(kPlaceholderGutter.left(), kPlaceholderGutter.top(),
                           kPlaceholderGutter.right(), kPlaceholderGutter.bottom());
    fl->addWidget(field);
  }
  r.plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  r.zero_panel = NavyLabel(QCoreApplication::translate("MainWindow", "零点值:"), kZeroPanels[k],
                           kWindowFontPx);
  r.zero_panel->setContentsMargins(4, 2, 4, 2);
  r.plot_cell->addWidget(r.plot, 0, 0);
  r.plot_cell->addWidget(r.zero_panel, 0, 0, Qt::AlignLeft | Qt::AlignTop);
  r.zero_panel->raise();
  h->addWidget(cell, 1);

  // Static-pressure read-out.
  r.box =
      Named(new QGroupBox(QCoreApplication::translate("MainWindow", "通道%1静态压力").arg(k + 1)),
            kBoxes[k]);
  r.box->setFixedWidth(kReadoutBoxWidth);
  auto* bv = new QVBoxLayout(r.box);
  bv->setContentsMargins(6, 4, 6, 4);
  r.readout = NavyLabel(QStringLiteral("0"), kReadouts[k], kReadoutFontPx);
  r.readout->setAlignment(Qt::AlignCenter);
  r.readout->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  r.readout->setFixedHeight(kReadoutHeight);
  bv->addWidget(r.readout);
  auto* bh = new QHBoxLayout;
  if (k == 0) {
    w_.ch_jy =
        Named(new QCheckBox(QCoreApplication::translate("MainWindow", "静态压力曲线")), "ch_jy");
    bh->addWidget(w_.ch_jy);
  }
  if (kUnitLists[k]) {
    r.unit_list = Combo({QCoreApplication::translate("MainWindow", "帕"),
                         QCoreApplication::translate("MainWindow", "毫巴"),
                         QCoreApplication::translate("MainWindow", "毫米汞柱"),
                         QCoreApplication::translate("MainWindow", "毫米水柱")},
                        kUnitLists[k]);
    r.unit_list->setCurrentIndex(kDefaultUnitIndex);
    r.unit_list->setVisible(false);
    bh->addWidget(r.unit_list);
  }
  bh->addStretch(1);
  r.print = Named(new QToolButton, kPrint[k]);
  r.print->setIcon(PrinterIcon());
  r.print->setFixedSize(kSmallButton, kSmallButton);
  bh->addWidget(r.print);
  bv->addLayout(bh);
  r.pulse_rate =
      Named(new QLabel(QCoreApplication::translate("MainWindow", "脉率: --")), kPulseRates[k]);
  {
    QFont f = WindowFont();
    f.setPixelSize(kPulseRateFontPx);
    f.setBold(true);
    r.pulse_rate->setFont(f);
  }
  r.pulse_rate->setAlignment(Qt::AlignCenter);
  bv->addWidget(r.pulse_rate);
  bv->addStretch(1);
  h->addWidget(r.box);
  return r.row;
}

QWidget* MainWindow::BuildTimeStrip() {
  auto* strip = Named(new QFrame, "P_time");
  static_cast<QFrame*>(strip)->setFrameStyle(QFrame::Panel | QFrame::Raised);
  strip->setFixedHeight(kTimeStripHeight);
  auto* h = new QHBoxLayout(strip);
  h->setContentsMargins(kButtonColumnWidth, 1, 2, 1);
  h->setSpacing(2);
  // Beat marks concern all three views; the box sits at the free left end.
  w_.show_beats =
      Named(new QCheckBox(QCoreApplication::translate("MainWindow", "显示心搏")), "ch_beats");
  w_.show_beats->setChecked(true);
  h->addWidget(w_.show_beats, 0);
  auto* caption = Label(QCoreApplication::translate("MainWindow", "时间  单位 秒"), "Label_time");
  caption->setAlignment(Qt::AlignCenter);
  h->addWidget(caption, 1);
  auto time_button = [](const QString& text, const QString& hint, const char* name) {
    auto* b = Button(text, name);
    b->setToolTip(hint);
    b->setFixedSize(2 * kSmallButton, kSmallButton - 2);
    return b;
  };
  w_.Button3 = time_button(QStringLiteral("<-"),
                           QCoreApplication::translate("MainWindow", "向左移"), "Button3");
  w_.Bt_ZoomX1 = time_button(QStringLiteral("-"), QCoreApplication::translate("MainWindow", "缩小"),
                             "Bt_ZoomX1");
  w_.Bt_ZoomX2 = time_button(QStringLiteral("+"), QCoreApplication::translate("MainWindow", "放大"),
                             "Bt_ZoomX2");
  w_.Button1 = time_button(QStringLiteral("->"),
                           QCoreApplication::translate("MainWindow", "向右移"), "Button1");
  w_.SpeedButton1 = Named(new QToolButton, "SpeedButton1");
  w_.SpeedButton1->setToolTip(QCoreApplication::translate("MainWindow", "波形图复位"));
  w_.SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
  w_.SpeedButton1->setFixedSize(kSmallButton, kSmallButton - 2);
  for (QWidget* b : {static_cast<QWidget*>(w_.Button3), static_cast<QWidget*>(w_.Bt_ZoomX1),
                     static_cast<QWidget*>(w_.Bt_ZoomX2), static_cast<QWidget*>(w_.Button1),
                     static_cast<QWidget*>(w_.SpeedButton1)})
    h->addWidget(b);
  w_.session_info = Label(QString(), "Label_session");
  w_.session_info->setParent(strip);
  // Right of 显示心搏, which stays usable while a session runs.
  const int session_x = kButtonColumnWidth + w_.show_beats->sizeHint().width() + 8;
  w_.session_info->setGeometry(session_x, 1, kSessionInfoWidth, kTimeStripHeight - 2);
  w_.session_info->setVisible(false);  // only while a session runs
  w_.time_strip = strip;
  return strip;
}

QWidget* MainWindow::BuildControlStrip() {
  auto* strip = Named(new QFrame, "p_bb");
  static_cast<QFrame*>(strip)->setFrameStyle(QFrame::Panel | QFrame::Raised);
  strip->setFixedHeight(kControlStripHeight);
  auto* h = new QHBoxLayout(strip);
  h->setContentsMargins(2, 0, 2, 2);
  h->setSpacing(4);
  // Listed right to left: device box at the right edge, the record panel takes the rest.
  h->addWidget(BuildRecordPanel(), 1);
  h->addWidget(BuildSamplingBox(), 0);
  h->addWidget(BuildDeviceBox(), 0);
  w_.p_bb = strip;
  return strip;
}

QGroupBox* MainWindow::BuildDeviceBox() {
  auto* box =
      Named(new QGroupBox(QCoreApplication::translate("MainWindow", "设备操作")), "GroupBox1");
  auto* g = new QGridLayout(box);
  g->setContentsMargins(6, 2, 6, 4);
  g->setHorizontalSpacing(4);
  g->setVerticalSpacing(2);

  QStringList ports;
  for (int i = 1; i <= kCommPorts; ++i) ports << QString::number(i);
  w_.e_comm = Combo(ports, "e_comm");
  w_.e_comm->setMaxVisibleItems(kCommVisibleItems);
  w_.e_comm->setCurrentIndex(0);
  w_.e_btl =
      Combo({QStringLiteral("38400"), QStringLiteral("115200"), QStringLiteral("256000")}, "e_btl");
  w_.e_btl->setCurrentIndex(2);
  for (QComboBox* c : {w_.e_comm, w_.e_btl}) c->setMinimumWidth(80);

  g->addWidget(Label(QCoreApplication::translate("MainWindow", "串口号"), "Label_comm"), 0, 0);
  g->addWidget(w_.e_comm, 0, 1);
  g->addWidget(Label(QCoreApplication::translate("MainWindow", "波特率"), "Label_btl"), 1, 0);
  g->addWidget(w_.e_btl, 1, 1);

  // The data-bits pair is kept but hidden: the line always runs 8 data bits.
  w_.data_bits_label = Label(QCoreApplication::translate("MainWindow", "数据位"), "Label_databits");
  w_.data_bits = Edit(QStringLiteral("8"), "e_databits");
  w_.data_bits_label->setVisible(false);
  w_.data_bits->setVisible(false);
  g->addWidget(w_.data_bits_label, 0, 2);
  g->addWidget(w_.data_bits, 1, 2);

  w_.Bt_open = Button(QCoreApplication::translate("MainWindow", "打开设备"), "Bt_open");
  // The captions the logic switches to, which need the same room.
  const QString close = QCoreApplication::translate("TForm1", "关闭设备");
  const QString stop = QCoreApplication::translate("FormViews", "停止采样");
  w_.bt_start = Button(QCoreApplication::translate("MainWindow", "开始采样"), "bt_start");
  w_.bt_start->setEnabled(false);
  w_.Button2 = Button(QCoreApplication::translate("MainWindow", "校零"), "Button2");
  w_.Button4 = Button(QCoreApplication::translate("MainWindow", "零点值"), "Button4");
  w_.Button9 = Button(QCoreApplication::translate("MainWindow", "退出"), "Button9");
  int col = 3;
  for (QPushButton* b : {w_.Bt_open, w_.bt_start, w_.Button2, w_.Button4, w_.Button9}) {
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    const bool wide = b == w_.Bt_open || b == w_.bt_start;
    const QString other = b == w_.Bt_open ? close : b == w_.bt_start ? stop : b->text();
    b->setFixedWidth(FittedWidth(wide ? kWideButtonWidth : kButtonWidth, {b->text(), other}));
    g->addWidget(b, 0, col++, 2, 1);
  }
  w_.device_box = box;
  return box;
}

QGroupBox* MainWindow::BuildSamplingBox() {
  auto* box =
      Named(new QGroupBox(QCoreApplication::translate("MainWindow", "采样设置")), "GroupBox2");
  box->setEnabled(false);  // only while the port is open
  auto* g = new QGridLayout(box);
  g->setContentsMargins(6, 2, 6, 4);
  g->setHorizontalSpacing(4);

  w_.cb_unit1 = Combo({QCoreApplication::translate("MainWindow", "千帕"),
                       QCoreApplication::translate("MainWindow", "毫巴"),
                       QCoreApplication::translate("MainWindow", "毫米汞柱"),
                       QCoreApplication::translate("MainWindow", "毫米水柱")},
                      "cb_unit1");
  w_.cb_unit1->setCurrentIndex(kDefaultUnitIndex);
  w_.cb_unit1->setMinimumWidth(96);
  g->addWidget(Label(QCoreApplication::translate("MainWindow", "单位:"), "Label_unit"), 0, 0);
  g->addWidget(w_.cb_unit1, 0, 1);

  // Device functions kept in the layout but hidden from the operator.
  w_.freq_label = Label(QCoreApplication::translate("MainWindow", "频率:"), "Label_freq");
  w_.Edit_Freq = Edit(QStringLiteral("200"), "Edit_Freq");
  w_.Button6 = Button(QCoreApplication::translate("MainWindow", "设置频率"), "Button6");
  w_.Button7 = Button(QCoreApplication::translate("MainWindow", "生产日期"), "Button7");
  w_.Edit_date = Edit(QString(), "Edit_date", true);
  w_.Button8 = Button(QCoreApplication::translate("MainWindow", "读序列号"), "Button8");
  w_.Edit_sn = Edit(QString(), "Edit_sn", true);
  g->addWidget(w_.freq_label, 1, 0);
  g->addWidget(w_.Edit_Freq, 1, 1);
  g->addWidget(w_.Button6, 1, 2);
  g->addWidget(w_.Button7, 0, 3);
  g->addWidget(w_.Edit_date, 0, 4);
  g->addWidget(w_.Button8, 1, 3);
  g->addWidget(w_.Edit_sn, 1, 4);
  for (QWidget* hidden : {static_cast<QWidget*>(w_.freq_label), static_cast<QWidget*>(w_.Edit_Freq),
                          static_cast<QWidget*>(w_.Button6), static_cast<QWidget*>(w_.Button7),
                          static_cast<QWidget*>(w_.Edit_date), static_cast<QWidget*>(w_.Button8),
                          static_cast<QWidget*>(w_.Edit_sn)})
    hidden->setVisible(false);
  w_.GroupBox2 = box;
  return box;
}

QWidget* MainWindow::BuildRecordPanel() {
  auto* panel = Named(new QFrame, "P_record");
  auto* h = new QHBoxLayout(panel);
  h->setContentsMargins(4, 4, 0, 0);
  h->setSpacing(6);

  auto* g = new QGridLayout;
  g->setHorizontalSpacing(4);
  g->setVerticalSpacing(4);
  w_.Label10 = Label(QStringLiteral("0"), "Label10");
  w_.Label_cnt = Label(QStringLiteral("0"), "Label_cnt");
  for (QLabel* l : {w_.Label10, w_.Label_cnt}) {
    l->setFixedWidth(kRecordButtonWidth);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  w_.CheckBox1 =
      Named(new QCheckBox(QCoreApplication::translate("MainWindow", "记录数据")), "CheckBox1");
  w_.Button20 = Button(QCoreApplication::translate("MainWindow", "保存"), "Button20");
  w_.Button18 = Button(QCoreApplication::translate("MainWindow", "载入"), "Button18");
  w_.Button19 = Button(QCoreApplication::translate("MainWindow", "模拟"), "Button19");
  // Narrow columns leave the log as much of the strip as possible.
  for (QPushButton* b : {w_.Button20, w_.Button18, w_.Button19})
    b->setFixedWidth(FittedWidth(kRecordButtonWidth, {b->text()}));
  g->addWidget(w_.Label10, 0, 0);
  g->addWidget(w_.Label_cnt, 0, 1);
  g->addWidget(w_.CheckBox1, 0, 2);
  g->addWidget(w_.Button20, 1, 0);
  g->addWidget(w_.Button18, 1, 1);
  g->addWidget(w_.Button19, 1, 2);

  // Sessions and export sit after the specified controls, which keep their places.
  w_.session_button = Button(QCoreApplication::translate("MainWindow", "会话记录"), "Bt_session");
  w_.export_button = Button(QCoreApplication::translate("MainWindow", "导出"), "Bt_export");
  w_.export_menu = new QMenu(w_.export_button);
  w_.export_current =
      w_.export_menu->addAction(QCoreApplication::translate("MainWindow", "导出当前记录..."));
  w_.export_loaded =
      w_.export_menu->addAction(QCoreApplication::translate("MainWindow", "导出载入的记录..."));
  w_.export_session =
      w_.export_menu->addAction(QCoreApplication::translate("MainWindow", "导出会话文件..."));
  w_.export_button->setMenu(w_.export_menu);
  w_.session_button->setFixedWidth(
      FittedWidth(kRecordButtonWidth,
                  {w_.session_button->text(),
                   QCoreApplication::translate("SessionControl", window::kSessionStopCaption)}));
  w_.export_button->setFixedWidth(FittedWidth(kRecordButtonWidth, {w_.export_button->text()}));
  g->addWidget(w_.session_button, 0, 3);
  g->addWidget(w_.export_button, 1, 3);
  h->addLayout(g, 0);

  w_.Memo1 = Named(new QPlainTextEdit, "Memo1");
  w_.Memo1->setFrameShape(QFrame::NoFrame);
  w_.Memo1->setReadOnly(true);
  w_.Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont mf = WindowFont();
  mf.setPixelSize(kMemoFontPx);
  w_.Memo1->setFont(mf);
  QPalette mp = w_.Memo1->palette();
  mp.setColor(QPalette::Text, Qt::red);
  w_.Memo1->setPalette(mp);
  h->addWidget(w_.Memo1, 1);
  w_.record_panel = panel;
  return panel;
}

void MainWindow::BuildStatusBar() {
  w_.StatusBar1 = Named(new QStatusBar, "StatusBar1");
  w_.StatusBar1->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < w_.status_panels.size(); ++i) {
    auto* l = new QLabel;
    l->setObjectName(QStringLiteral("StatusBar1_Panel%1").arg(i));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (i == static_cast<std::size_t>(form::StatusPanel::kClock)) {
      // The clock needs more than 150 px in this font; the last panel may grow.
      l->setMinimumWidth(kStatusPanelWidth);
      l->setAlignment(Qt::AlignCenter);
      w_.StatusBar1->addWidget(l, 1);
    } else {
      l->setFixedWidth(kStatusPanelWidth);
      w_.StatusBar1->addWidget(l);
    }
    w_.status_panels[i] = l;
  }
  // Beside the link state it acts on, in the free right end: the device box has no room left
  // at design size, and the specified panels keep their places.
  w_.reconnect =
      Named(new QCheckBox(QCoreApplication::translate("MainWindow", "自动重连")), "ch_reconnect");
  w_.reconnect->setChecked(true);
  w_.StatusBar1->addPermanentWidget(w_.reconnect);
  setStatusBar(w_.StatusBar1);
}

void MainWindow::ReplacePlot(int k, QWidget* plot) {
  ViewRowWidgets& r = w_.views.at(static_cast<std::size_t>(k));
  if (!plot || plot == r.plot) return;
  if (plot->objectName().isEmpty()) plot->setObjectName(r.plot->objectName());
  plot->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  delete r.plot_cell->replaceWidget(r.plot, plot);
  delete r.plot;
  r.plot = plot;
  r.zero_panel->raise();
}

}  // namespace pulse::ui
