#include <gtest/gtest.h>

#include "core/date.h"

using core::Date;

TEST(Dates, TextFormsAndArithmetic) {
  Date d = Date::fromYmd(2018, 5, 2);
  EXPECT_EQ(d.toText(), "02.05.2018");
  EXPECT_EQ(d.dtos(), "20180502");
  EXPECT_EQ(Date::fromDtos("20180502"), d);
  EXPECT_EQ(Date::fromText("02.05.2018"), d);
  EXPECT_EQ((d + 30).toText(), "01.06.2018");
  EXPECT_EQ((Date::fromYmd(2016, 3, 1) - 1).toText(), "29.02.2016");
  EXPECT_EQ(Date::fromYmd(2018, 12, 31) - Date::fromYmd(2018, 1, 1), 364);
}

TEST(Dates, DayOfWeekCountsFromSunday) {
  EXPECT_EQ(Date::fromYmd(2018, 3, 25).dow(), 1);   // a Sunday
  EXPECT_EQ(Date::fromYmd(2018, 3, 31).dow(), 7);   // a Saturday
  EXPECT_EQ(Date::fromYmd(2026, 12, 11).dow(), 6);  // a Friday
}

TEST(Dates, EmptyAndInvalidDates) {
  EXPECT_TRUE(Date().empty());
  EXPECT_EQ(Date().dtos(), "        ");
  EXPECT_EQ(Date().toText(), "  .  .    ");
  EXPECT_EQ(Date().dow(), 0);
  EXPECT_TRUE((Date() + 5).empty());
  for (const char* bad : {"20180230", "2018050", "abcdefgh", "        ", "20181302"})
    EXPECT_TRUE(Date::fromDtos(bad).empty()) << bad;
  for (const char* bad : {"31.04.2018", "1.1.2018", "", "xx.yy.zzzz"})
    EXPECT_TRUE(Date::fromText(bad).empty()) << bad;
  EXPECT_LT(Date(), Date::fromYmd(1900, 1, 1));
}
