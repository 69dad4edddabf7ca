#include <gtest/gtest.h>

#include <string>

#include "os/os.h"
#include "targets/template_check.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::MakeFolders;
using testing_support::TempDir;
using testing_support::WriteFile;

const char kTemplate[] = "形式\\横K-R7q.xlsm";

TEST(TemplateIsOutOfDate, WholeCalendarDates) {
  struct Case {
    int year, month, day;
    bool expected;
  } cases[] = {
      {2021, 12, 31, true}, {2022, 1, 31, true}, {2022, 2, 5, true},
      {2022, 2, 6, false},  {2022, 3, 1, false}, {2023, 1, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day));
    EXPECT_EQ(targets::TemplateIsOutOfDate(os::Date{c.year, c.month, c.day}), c.expected);
  }
}

TEST(CheckSpreadsheetTemplate, LastWriteDateInUtc) {
  struct Case {
    int year, month, day, hour;
    int expected;
  } cases[] = {
      {2020, 1, 1, 12, 1}, {2021, 12, 31, 12, 1}, {2022, 2, 5, 23, 1},
      {2022, 2, 6, 0, 0},  {2023, 6, 1, 12, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year) + "-" + std::to_string(c.month) + "-" + std::to_string(c.day));
    TempDir dir;
    MakeFolders(dir / "形式");
    WriteFile(dir / kTemplate, "xlsm");
    ASSERT_TRUE(os::SetLastWriteTime(dir / kTemplate, c.year, c.month, c.day, c.hour));
    EXPECT_EQ(targets::CheckSpreadsheetTemplate(dir.path()), c.expected);
  }
}

TEST(CheckSpreadsheetTemplate, AbsentOrMissingFolder) {
  TempDir dir;
  EXPECT_EQ(targets::CheckSpreadsheetTemplate(dir / "none\\"), 0);
  EXPECT_EQ(targets::CheckSpreadsheetTemplate(dir.path()), 1);  // no 形式 folder
  MakeFolders(dir / "形式");
  EXPECT_EQ(targets::CheckSpreadsheetTemplate(dir.path()), 1);  // folder without template
}

TEST(CheckSpreadsheetTemplate, HeldOpenByAnotherProgramIsDue) {
  TempDir dir;
  MakeFolders(dir / "形式");
  WriteFile(dir / kTemplate, "xlsm");
  ASSERT_TRUE(os::SetLastWriteTime(dir / kTemplate, 2023, 6, 1));
  {
    os::InputFile holder;
    ASSERT_TRUE(holder.Open(dir / kTemplate, /*exclusive=*/true));
    EXPECT_EQ(targets::CheckSpreadsheetTemplate(dir.path()), 1);
  }
  EXPECT_EQ(targets::CheckSpreadsheetTemplate(dir.path()), 0);
}

}  // namespace
