#include <gtest/gtest.h>

#include "form/main_controls.h"

namespace {

// A view that mirrors the memo keeps (revision, reset revision, line count)
// and must be able to tell "append these" from "reload everything".
TEST(MemoLines, RevisionsTellAppendsFromResets) {
  TMemoLines lines;
  const uint64_t r0 = lines.Revision();
  const uint64_t reset0 = lines.ResetRevision();
  lines.Add("a");
  lines.Add("b");
  EXPECT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Revision(), r0 + 2);
  EXPECT_EQ(lines.ResetRevision(), reset0);
  EXPECT_EQ(lines[1], "b");

  lines.Clear();
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_NE(lines.ResetRevision(), reset0);
  const uint64_t reset1 = lines.ResetRevision();

  lines.Assign({"x", "y", "z"});
  EXPECT_EQ(lines.Count(), 3);
  EXPECT_NE(lines.ResetRevision(), reset1);
  EXPECT_EQ(lines.Items().front(), "x");
}

TEST(ComboBox, SelectOutsideListKeepsTypedText) {
  TComboBox box;
  box.Items = {"38400", "115200"};
  box.Select(1);
  EXPECT_EQ(box.ItemIndex, 1);
  EXPECT_EQ(box.Text, "115200");
  box.Text = "9600";
  box.Select(5);
  EXPECT_EQ(box.ItemIndex, -1);
  EXPECT_EQ(box.Text, "9600");
}

TEST(MainControls, StartUpLayout) {
  const TMainControls c;
  EXPECT_EQ(c.bt_start.Caption, "开始采样");
  EXPECT_FALSE(c.bt_start.Enabled);
  EXPECT_FALSE(c.GroupBox2.Enabled);
  EXPECT_EQ(c.Bt_open.Caption, "打开设备");
  EXPECT_EQ(c.e_comm.Items.size(), 30u);
  EXPECT_EQ(c.e_comm.Text, "1");
  EXPECT_EQ(c.e_btl.Text, "256000");
  EXPECT_EQ(c.cb_unit1.ItemIndex, 3);
  EXPECT_EQ(c.cb_unit1.Text, "毫米水柱");
  EXPECT_EQ(c.cb_unit2.Items.front(), "帕");
  EXPECT_FALSE(c.cb_unit2.Visible);
  EXPECT_FALSE(c.Button6.Visible);
  EXPECT_FALSE(c.Edit_sn.Visible);
  EXPECT_TRUE(c.Edit_sn.ReadOnly);
  EXPECT_EQ(c.Panel11.Caption, "零点值:");
  EXPECT_EQ(c.P_jy3.Caption, "0");
  EXPECT_FALSE(c.CheckBox1.Checked);
  EXPECT_TRUE(c.StatusBar1.Panels[4].Centered);
  EXPECT_FALSE(c.StatusBar1.Panels[3].Centered);
}

}  // namespace
