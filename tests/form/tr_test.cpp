// The translation door of the window logic: numbered markers and the installed translator.
#include "form/tr.h"

#include <gtest/gtest.h>

#include <string>

namespace pulse::form {
namespace {

TEST(Format, FillsNumberedMarkersInAnyOrderAndLeavesTheRestAlone) {
  EXPECT_EQ(Format("已导出 %1 帧到 \"%2\"", {"12", "a.csv"}), "已导出 12 帧到 \"a.csv\"");
  // A translation may put the markers the other way round.
  EXPECT_EQ(Format("%2 <- %1", {"one", "two"}), "two <- one");
  EXPECT_EQ(Format("%1 and %1", {"x"}), "x and x");
  // Values are not searched for markers again: a file called "%2.txt" stays so.
  EXPECT_EQ(Format("%1: %2", {"%2.txt", "gone"}), "%2.txt: gone");
  // No value for the marker, a bare or trailing % and %0: kept as written.
  EXPECT_EQ(Format("%1 %3", {"a", "b"}), "a %3");
  EXPECT_EQ(Format("100% %0 %", {"a"}), "100% %0 %");
  EXPECT_EQ(Format("", {"a"}), "");
  // A marker right before multi-byte text (a Chinese unit after a number).
  EXPECT_EQ(Format("%1频率设置成功！", {"200"}), "200频率设置成功！");
}

std::string Tagged(const char* context, const char* source) {
  return std::string(context) + ":" + source;
}

TEST(Tr, ReturnsTheSourceUntilATranslatorIsInstalled) {
  EXPECT_EQ(Tr("TForm1", "打开设备"), "打开设备");
  SetTranslator(&Tagged);
  EXPECT_EQ(Tr("TForm1", "打开设备"), "TForm1:打开设备");
  SetTranslator(nullptr);
  EXPECT_EQ(Tr("TForm1", "打开设备"), "打开设备");
}

}  // namespace
}  // namespace pulse::form
