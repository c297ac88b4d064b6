// Number and date-time label patterns.
#include <gtest/gtest.h>

#include "plot/label_format.h"

namespace {

using pulse::plot::FormatDateTime;
using pulse::plot::FormatNumber;

TEST(NumberPattern, DefaultTickPattern) {
  EXPECT_EQ(FormatNumber("###0.##", 2.5), "2.5");
  EXPECT_EQ(FormatNumber("###0.##", 10), "10");
  EXPECT_EQ(FormatNumber("###0.##", 1.0 / 3), "0.33");
  EXPECT_EQ(FormatNumber("###0.##", -1.25), "-1.25");
  EXPECT_EQ(FormatNumber("###0.##", 0), "0");
  EXPECT_EQ(FormatNumber("###0.##", 12345.678), "12345.68");
  // Tick values carry last-bit noise; it must not show.
  EXPECT_EQ(FormatNumber("###0.##", 0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatNumber("###0.##", 1.7 * 3), "5.1");
}

TEST(NumberPattern, RoundingAndSigns) {
  EXPECT_EQ(FormatNumber("0.00", 0.125), "0.13");  // half away from zero
  EXPECT_EQ(FormatNumber("0.00", -0.125), "-0.13");
  EXPECT_EQ(FormatNumber("0.0", 9.96), "10.0");     // carry into a new digit
  EXPECT_EQ(FormatNumber("###0.##", -0.001), "0");  // no "-0"
  EXPECT_EQ(FormatNumber("000", 7), "007");
  EXPECT_EQ(FormatNumber("#.##", 0.5), ".5");
  EXPECT_EQ(FormatNumber("0", 2.5), "3");
}

TEST(NumberPattern, GroupingExponentSectionsLiterals) {
  EXPECT_EQ(FormatNumber("#,##0", 1234567), "1,234,567");
  EXPECT_EQ(FormatNumber("0.00E+00", 12345), "1.23E+04");
  EXPECT_EQ(FormatNumber("0.0E-0", 0.00025), "2.5E-4");
  EXPECT_EQ(FormatNumber("0.0E+00", 9.99), "1.0E+01");
  EXPECT_EQ(FormatNumber("0.0E+000", 5e-324), "4.9E-324");  // smallest denormal
  EXPECT_EQ(FormatNumber("0.0E+000", 1.5e308), "1.5E+308");
  EXPECT_EQ(FormatNumber("0.0;(0.0)", -2), "(2.0)");
  EXPECT_EQ(FormatNumber("0.0;(0.0);\"zero\"", 0), "zero");
  EXPECT_EQ(FormatNumber("0 'kPa'", 12), "12 kPa");
  EXPECT_EQ(FormatNumber("", 0.1 + 0.2), "0.3");
}

// 2019-09-23 14:05:09.250 as days since 30 December 1899.
constexpr double kStamp = 43731 + (14 * 3600 + 5 * 60 + 9.25) / 86400.0;

TEST(DateTimePattern, CommonLetters) {
  EXPECT_EQ(FormatDateTime("hh:nn:ss", kStamp), "14:05:09");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", kStamp), "2019-09-23");
  EXPECT_EQ(FormatDateTime("yy/m/d h:n:s.zzz", kStamp), "19/9/23 14:5:9.250");
  EXPECT_EQ(FormatDateTime("hh:mm", kStamp), "14:05");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("h:nn am/pm", kStamp), "2:05 pm");
  EXPECT_EQ(FormatDateTime("ddd d mmm", kStamp), "Mon 23 Sep");
  EXPECT_EQ(FormatDateTime("'t='ss", kStamp), "t=09");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", 0), "1899-12-30 00:00");
  EXPECT_EQ(FormatDateTime("nn:ss.zzz", 0.5 / 86400), "00:00.500");
  // Rounding up to the next day moves the date too.
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", 1 - 1e-12), "1899-12-31 00:00:00");
}

}  // namespace
