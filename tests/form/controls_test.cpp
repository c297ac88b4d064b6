#include <gtest/gtest.h>

#include "form/main_controls.h"

using namespace pulse::form;

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
  box.items = {"38400", "115200"};
  box.Select(1);
  EXPECT_EQ(box.item_index, 1);
  EXPECT_EQ(box.text, "115200");
  box.text = "9600";
  box.Select(5);
  EXPECT_EQ(box.item_index, -1);
  EXPECT_EQ(box.text, "9600");
}

}  // namespace
