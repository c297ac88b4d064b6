#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>

// Readable failure messages for Qt strings.
void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

using pulse::ui::MainWindow;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  template <typename W>
  W* Find(const char* name) {
    W* w = window_.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no " << name;
    return w;
  }
  // Visible to the operator: shown, and every ancestor shown too.
  bool Shown(const char* name) { return Find<QWidget>(name)->isVisibleTo(&window_); }

  QString Text(const char* name) {
    QWidget* w = Find<QWidget>(name);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    ADD_FAILURE() << name << " has no text";
    return {};
  }

  MainWindow window_;
};

TEST_F(MainWindowTest, CaptionAndDesignSize) {
  EXPECT_EQ(window_.windowTitle(), QStringLiteral("三通道脉象传感器演示 （T20190923）"));
  EXPECT_EQ(window_.size(), QSize(MainWindow::kDesignWidth, MainWindow::kDesignHeight));
  EXPECT_EQ(window_.font().pixelSize(), 12);
  EXPECT_EQ(Find<QWidget>("p_bb")->height(), 76);
}

TEST_F(MainWindowTest, DeviceControlsHaveTheirTextsAndStartClosed) {
  struct Want {
    const char* name;
    const char* text;
    bool shown;
    bool enabled;
  };
  const Want want[] = {
      {"GroupBox1", "设备操作", true, true},
      {"Bt_open", "打开设备", true, true},
      {"bt_start", "开始采样", true, false},
      {"Button2", "校零", true, true},
      {"Button4", "零点值", true, true},
      {"Button9", "退出", true, true},
      {"Label_comm", "串口号", true, true},
      {"Label_btl", "波特率", true, true},
      {"Label_databits", "数据位", false, true},
      {"e_databits", "8", false, true},
      {"e_comm", "1", true, true},
      {"e_btl", "256000", true, true},
      {"GroupBox2", "采样设置", true, false},
      {"Label_unit", "单位:", true, false},
      {"cb_unit1", "毫米水柱", true, false},
      {"Label_freq", "频率:", false, false},
      {"Edit_Freq", "200", false, false},
      {"Button6", "设置频率", false, false},
      {"Button7", "生产日期", false, false},
      {"Edit_date", "", false, false},
      {"Button8", "读序列号", false, false},
      {"Edit_sn", "", false, false},
      {"Label10", "0", true, true},
      {"Label_cnt", "0", true, true},
      {"CheckBox1", "记录数据", true, true},
      {"Button20", "保存", true, true},
      {"Button18", "载入", true, true},
      {"Button19", "模拟", true, true},
  };
  for (const Want& w : want) {
    SCOPED_TRACE(w.name);
    EXPECT_EQ(Text(w.name), QString::fromUtf8(w.text));
    EXPECT_EQ(Shown(w.name), w.shown);
    EXPECT_EQ(Find<QWidget>(w.name)->isEnabled(), w.enabled);
  }
  EXPECT_FALSE(Find<QCheckBox>("CheckBox1")->isChecked());
  EXPECT_TRUE(Find<QLineEdit>("Edit_date")->isReadOnly());
  EXPECT_TRUE(Find<QLineEdit>("Edit_sn")->isReadOnly());
}

TEST_F(MainWindowTest, DropDownListsOfferTheirEntries) {
  auto* comm = Find<QComboBox>("e_comm");
  ASSERT_EQ(comm->count(), 30);
  EXPECT_EQ(comm->itemText(0), "1");
  EXPECT_EQ(comm->itemText(29), "30");
  EXPECT_EQ(comm->maxVisibleItems(), 10);
  EXPECT_TRUE(comm->isEditable());  // device paths can be typed

  auto* btl = Find<QComboBox>("e_btl");
  EXPECT_EQ((QStringList{btl->itemText(0), btl->itemText(1), btl->itemText(2)}),
            (QStringList{"38400", "115200", "256000"}));
  EXPECT_EQ(btl->count(), 3);

  auto* unit = Find<QComboBox>("cb_unit1");
  ASSERT_EQ(unit->count(), 4);
  EXPECT_EQ(unit->itemText(0), "千帕");
  EXPECT_EQ(unit->itemText(1), "毫巴");
  EXPECT_EQ(unit->itemText(2), "毫米汞柱");
  EXPECT_EQ(unit->currentIndex(), 3);
  for (const char* hidden : {"cb_unit2", "cb_unit3"}) {
    SCOPED_TRACE(hidden);
    auto* c = Find<QComboBox>(hidden);
    EXPECT_FALSE(c->isVisibleTo(&window_));
    EXPECT_EQ(c->itemText(0), "帕");
    EXPECT_EQ(c->currentText(), "毫米水柱");
  }
}

TEST_F(MainWindowTest, ViewRowsCarryTheirButtonsPanelsAndReadouts) {
  const char* zoom_in[] = {"Bt_ZoomY2", "Bt_ZoomY22", "Bt_ZoomY222"};
  const char* zoom_out[] = {"Bt_ZoomY1", "Bt_ZoomY11", "Bt_ZoomY111"};
  const char* plots[] = {"XYPlot1", "XYPlot2", "XYPlot3"};
  const char* zero[] = {"Panel10", "Panel11", "Panel12"};
  const char* boxes[] = {"GroupBox_jy1", "GroupBox_jy2", "GroupBox_jy3"};
  const char* readouts[] = {"P_jy1", "P_jy2", "P_jy3"};
  const char* prints[] = {"SpeedButton2", "SpeedButton3", "SpeedButton4"};
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k + 1);
    EXPECT_EQ(Text(zoom_in[k]), "+");
    EXPECT_EQ(Find<QWidget>(zoom_in[k])->toolTip(), "放大");
    EXPECT_EQ(Text(zoom_out[k]), "-");
    EXPECT_EQ(Find<QWidget>(zoom_out[k])->toolTip(), "缩小");
    EXPECT_TRUE(Shown(plots[k]));
    EXPECT_EQ(Text(zero[k]), "零点值:");
    EXPECT_EQ(Text(boxes[k]), QStringLiteral("通道%1静态压力").arg(k + 1));
    EXPECT_EQ(Find<QWidget>(boxes[k])->width(), 206);
    EXPECT_EQ(Text(readouts[k]), "0");
    EXPECT_EQ(Find<QLabel>(readouts[k])->font().pixelSize(), 21);
    EXPECT_TRUE(Shown(prints[k]));

    // The zero panel lies over the plot's top-left corner, in front of it.
    QWidget* plot = Find<QWidget>(plots[k]);
    QWidget* panel = Find<QWidget>(zero[k]);
    EXPECT_EQ(panel->mapTo(&window_, QPoint(0, 0)), plot->mapTo(&window_, QPoint(0, 0)));
    EXPECT_EQ(plot->parentWidget()->childAt(panel->geometry().topLeft()), panel);
  }
  EXPECT_EQ(Text("ch_jy"), "静态压力曲线");
  EXPECT_FALSE(Find<QCheckBox>("ch_jy")->isChecked());
  EXPECT_EQ(Text("Label_pulse"), "脉\n搏");
  // The button column is 25 px wide and the three rows share the height equally.
  EXPECT_EQ(Find<QWidget>("P_zoomY1")->width(), 25);
  const int h1 = Find<QWidget>("P_01")->height();
  EXPECT_NEAR(Find<QWidget>("P_02")->height(), h1, 1);
  EXPECT_NEAR(Find<QWidget>("P_03")->height(), h1, 1);
}

TEST_F(MainWindowTest, TimeStripButtonsAndHints) {
  EXPECT_EQ(Text("Label_time"), "时间  单位 秒");
  const std::pair<const char*, const char*> buttons[] = {
      {"Button3", "<-"}, {"Bt_ZoomX1", "-"}, {"Bt_ZoomX2", "+"}, {"Button1", "->"}};
  const char* hints[] = {"向左移", "缩小", "放大", "向右移"};
  int last_x = -1;
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(buttons[i].first);
    EXPECT_EQ(Text(buttons[i].first), buttons[i].second);
    EXPECT_EQ(Find<QWidget>(buttons[i].first)->toolTip(), QString::fromUtf8(hints[i]));
    const int x = Find<QWidget>(buttons[i].first)->x();
    EXPECT_GT(x, last_x);  // left to right in this order
    last_x = x;
  }
  EXPECT_EQ(Find<QWidget>("SpeedButton1")->toolTip(), "波形图复位");
  EXPECT_GT(Find<QWidget>("SpeedButton1")->x(), last_x);
}

TEST_F(MainWindowTest, ControlStripRunsRightToLeftAndMemoIsAReadOnlyRedLog) {
  auto x_of = [&](const char* n) { return Find<QWidget>(n)->mapTo(&window_, QPoint()).x(); };
  EXPECT_LT(x_of("P_record"), x_of("GroupBox2"));
  EXPECT_LT(x_of("GroupBox2"), x_of("GroupBox1"));
  const QRect device = Find<QWidget>("GroupBox1")->geometry();
  EXPECT_GE(device.right(), Find<QWidget>("p_bb")->width() - 8);  // at the right edge

  auto* memo = Find<QPlainTextEdit>("Memo1");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(memo->font().pixelSize(), 14);
  EXPECT_EQ(memo->palette().color(QPalette::Text), QColor(Qt::red));
}

TEST_F(MainWindowTest, StatusBarHasFivePanelsAndTheClockFits) {
  const auto& w = window_.Widgets();
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(w.status_panels[i], nullptr);
    if (i < 4)
      EXPECT_EQ(w.status_panels[i]->width(), 150);
    else
      EXPECT_GE(w.status_panels[i]->width(), 150);
    EXPECT_EQ(w.status_panels[i]->parentWidget(), w.StatusBar1);
    if (i > 0) {
      EXPECT_GT(w.status_panels[i]->x(), w.status_panels[i - 1]->x());
    }
  }
  QLabel* clock = w.status_panels[static_cast<std::size_t>(pulse::form::StatusPanel::kClock)];
  clock->setText(QStringLiteral("当前时间 : 2026-12-09 09:39:59"));
  EXPECT_GE(clock->contentsRect().width(), clock->fontMetrics().horizontalAdvance(clock->text()));
  EXPECT_TRUE(clock->alignment() & Qt::AlignHCenter);
  EXPECT_EQ(window_.statusBar(), w.StatusBar1);
}

TEST_F(MainWindowTest, ReplacePlotKeepsTheZeroPanelOnTop) {
  auto* plot = new QWidget;
  window_.ReplacePlot(1, plot);
  EXPECT_EQ(window_.Widgets().views[1].plot, plot);
  EXPECT_EQ(plot->objectName(), "XYPlot2");
  EXPECT_EQ(window_.findChildren<QWidget*>("XYPlot2").size(), 1);
  QTest::qWait(0);
  QWidget* panel = window_.Widgets().views[1].zero_panel;
  EXPECT_EQ(plot->parentWidget()->childAt(panel->geometry().topLeft()), panel);
  EXPECT_GT(plot->width(), 300);  // it took the placeholder's space
}

TEST_F(MainWindowTest, ResizingKeepsFixedStripsAndColumns) {
  window_.resize(1600, 1000);
  QTest::qWait(0);
  EXPECT_EQ(Find<QWidget>("p_bb")->height(), 76);
  EXPECT_EQ(Find<QWidget>("GroupBox_jy1")->width(), 206);
  EXPECT_EQ(Find<QWidget>("P_zoomY2")->width(), 25);
  EXPECT_GT(Find<QWidget>("XYPlot1")->width(), 1600 - 206 - 25 - 10);
}

}  // namespace
