// The player bar and the cursors in the Qt window: the bar follows a loaded
// file, the keys drive the player, the context menu places cursors, a handle
// drags without touching the click read-out, which works as before.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "tests/records/record_test_support.h"
#include "tests/support/temp_dir.h"
#include "ui/main_form.h"
#include "ui/player_bar.h"
#include "ui/view_input.h"

namespace {

using pulse::ui::MainForm;
using Which = pulse::window::MeasureCursors::Which;
// The status panel a view's mouse read-out goes to.
constexpr std::size_t kReadoutPanel =
    static_cast<std::size_t>(pulse::form::StatusPanel::kLastCommand);

class PlayerUi : public ::testing::Test {
 protected:
  void SetUp() override {
    pulse::window::FormOptions o;
    o.exe_dir = o.settings_dir = dir_.string() + "/";
    form_ = std::make_unique<MainForm>(o);
    form_->SetHeadless(true);
    form_->Window().resize(1016, 669);
    form_->Window().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_->Window()));
  }
  void TearDown() override { form_.reset(); }
  void LoadFile(int frames) {
    const std::string path = (dir_ / "rec.txt").string();
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < frames; ++i) {
      pulse::test::Raw3 r{};
      for (int c = 0; c < 3; ++c)
        r.w[c] = static_cast<int16_t>(std::lround(1000 * std::sin(i / 40.0)));
      out << pulse::test::Line3(r) << "\r\n";
    }
    out.close();
    form_->SetScriptedOpenName(path);
    form_->Form().Button18Click();
    form_->Sync();
  }
  pulse::ui::PlayerBar& TheBar() { return form_->Bar(); }
  pulse::window::PlayerControl& ThePlayer() { return form_->Form().Player(); }
  QWidget* PlotAt(int k) { return form_->Window().Widgets().views[static_cast<size_t>(k)].plot; }

  pulse::test::TempDir temp_{"player-ui"};
  std::filesystem::path dir_ = temp_.Path();
  std::unique_ptr<MainForm> form_;
};

TEST_F(PlayerUi, TheBarIsEnabledByALoadedFileAndFollowsThePlayer) {
  EXPECT_FALSE(TheBar().Play()->isEnabled());
  EXPECT_FALSE(TheBar().Slider()->isEnabled());
  LoadFile(4000);
  EXPECT_TRUE(TheBar().Play()->isEnabled());
  EXPECT_EQ(TheBar().Slider()->maximum(), 3999);
  EXPECT_EQ(TheBar().Play()->text(), "播放");
  EXPECT_EQ(TheBar().Speed()->count(), 7);

  TheBar().Slider()->setValue(2000);  // as a drag does
  EXPECT_EQ(ThePlayer().Get()->Position(), 2000u);
  form_->Sync();
  EXPECT_TRUE(TheBar().Position()->text().contains("帧 2001/4000")) << TheBar().Position()->text().toStdString();

  QTest::mouseClick(TheBar().JumpBack(), Qt::LeftButton);
  EXPECT_EQ(ThePlayer().Get()->Position(), 1000u);
  TheBar().Speed()->setCurrentIndex(static_cast<int>(pulse::window::PlayerSpeed::kFour));
  EXPECT_EQ(ThePlayer().Get()->Speed(), pulse::window::PlayerSpeed::kFour);

  QTest::mouseClick(TheBar().Play(), Qt::LeftButton);
  form_->Sync();
  EXPECT_EQ(TheBar().Play()->text(), "暂停");
  // Played on the window's own timed steps.
  ASSERT_TRUE(QTest::qWaitFor([&] { return ThePlayer().Get()->Position() > 1100; }, 3000));
}

TEST_F(PlayerUi, KeysDriveThePlayerAnywhereInTheWindow) {
  LoadFile(4000);
  QWidget* window = &form_->Window();
  window->activateWindow();
  QTest::keyClick(window, Qt::Key_Right);
  EXPECT_EQ(ThePlayer().Get()->Position(), 1u);
  QTest::keyClick(window, Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(ThePlayer().Get()->Position(), 1001u);
  QTest::keyClick(window, Qt::Key_Left);
  EXPECT_EQ(ThePlayer().Get()->Position(), 1000u);
  QTest::keyClick(window, Qt::Key_Space);
  EXPECT_TRUE(ThePlayer().Get()->Playing());
  QTest::keyClick(window, Qt::Key_Space);
  EXPECT_FALSE(ThePlayer().Get()->Playing());
}

TEST_F(PlayerUi, ContextMenuPlacesCursorsWhichDragByTheirHandle) {
  QWidget* view2 = PlotAt(1);
  view2->grab();
  const QPoint at(view2->width() / 3, view2->height() / 2);
  QTest::mouseClick(view2, Qt::RightButton, {}, at);
  // The right click still gives the specified read-out.
  form_->Sync();
  const QString readout = form_->Window().Widgets().status_panels[kReadoutPanel]->text();
  EXPECT_TRUE(readout.startsWith(" X=")) << readout.toStdString();
  ASSERT_TRUE(QTest::qWaitFor([&] { return form_->Input().LastMenu() != nullptr; }, 2000));
  QMenu* menu = form_->Input().LastMenu();
  ASSERT_EQ(menu->actions().size(), 3);
  EXPECT_EQ(menu->actions()[0]->text(), "放置光标 A");
  menu->actions()[0]->trigger();
  const auto& cursors = form_->Form().Cursors();
  ASSERT_TRUE(cursors.Cursors(2).Time(Which::kA));
  const double placed = *cursors.Cursors(2).Time(Which::kA);
  EXPECT_EQ(cursors.ActiveView(), 2);

  // A press on the handle and a move drag A; the click read-out stays as it was.
  form_->Sync();
  QTest::mousePress(view2, Qt::LeftButton, {}, at);
  QTest::mouseMove(view2, QPoint(at.x() + 60, at.y()));
  QTest::mouseRelease(view2, Qt::LeftButton, {}, QPoint(at.x() + 60, at.y()));
  const double dragged = *cursors.Cursors(2).Time(Which::kA);
  EXPECT_GT(dragged, placed + 0.5);
  form_->Sync();
  EXPECT_EQ(form_->Window().Widgets().status_panels[kReadoutPanel]->text(), readout);
  // A click away from the cursors is the read-out's, as before.
  QTest::mouseClick(view2, Qt::LeftButton, {}, QPoint(view2->width() - 80, at.y()));
  form_->Sync();
  EXPECT_NE(form_->Window().Widgets().status_panels[kReadoutPanel]->text(), readout);
  EXPECT_DOUBLE_EQ(*cursors.Cursors(2).Time(Which::kA), dragged);
}

}  // namespace
