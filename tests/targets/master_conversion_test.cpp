#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "os/os.h"
#include "os/test_hooks.h"
#include "targets/master_conversion.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// A record of `length` bytes starting with `code` and `sub`; every other byte
// tells its own position, so a removed byte shows.
std::string Record(const std::string& code, const std::string& sub, std::size_t length) {
  std::string r = code + sub;
  while (r.size() < length) r.push_back(static_cast<char>('a' + r.size() % 26));
  r.resize(length);
  return r;
}

std::string Without66(const std::string& r) { return r.substr(0, 66) + r.substr(67); }

TEST(SizeLineRule, Records) {
  struct Case {
    const char* what;
    std::string line;
    std::string expected;
  } cases[] = {
      {"186 bytes, 000107", Record("400400", "000107", 186), Without66(Record("400400", "000107", 186))},
      {"185 bytes, 000111", Record("400400", "000111", 185), Record("400400", "000111", 185)},
      {"185 bytes, 000107", Record("400400", "000107", 185), Record("400400", "000107", 185)},
      {"200 bytes", Record("400400", "000107", 200), Without66(Record("400400", "000107", 200))},
      {"184 bytes", Record("400400", "000111", 184), Without66(Record("400400", "000111", 184))},
      {"67 bytes lose the last", Record("400400", "000111", 67), Record("400400", "000111", 66)},
      {"66 bytes", Record("400400", "000107", 66), Record("400400", "000107", 66)},
      {"code only", "400400000107", "400400000107"},
      {"shorter than a sub-code", "40040000010", "40040000010"},
      {"empty", "", ""},
      {"other sub-code", Record("400400", "000108", 186), Record("400400", "000108", 186)},
      {"other record code", Record("400401", "000107", 186), Record("400401", "000107", 186)},
      {"sub-code moved", Record("400400", " 00010", 186), Record("400400", " 00010", 186)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(targets::ConvertSizeRecord(c.line), c.expected);
  }
}

TEST(TypeLineRule, Records) {
  struct Case {
    const char* what;
    std::string line;
    std::string expected;
  } cases[] = {
      {"A", "1234567890123A rest", "1234567890123Z rest"},
      {"B", "1234567890123B", "1234567890123Z"},
      {"Z kept", "1234567890123Z rest", "1234567890123Z rest"},
      {"other letter", "1234567890123C rest", "1234567890123C rest"},
      {"lower case", "1234567890123a rest", "1234567890123a rest"},
      {"13 bytes", "1234567890123", "1234567890123"},
      {"A elsewhere", "A23456789012AB", "A23456789012AZ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(targets::ConvertTypeRecord(c.line), c.expected);
  }
}

TEST(ConvertMasterText, LineEnds) {
  struct Case {
    const char* what;
    std::string content;
    std::string expected;
  } cases[] = {
      {"empty file", "", ""},
      {"CR LF kept", "a\r\nb\r\n", "a\r\nb\r\n"},
      {"LF becomes CR LF", "a\nb\n", "a\r\nb\r\n"},
      {"final line end added", "a\r\nb", "a\r\nb\r\n"},
      {"empty lines kept", "\n\r\na\n", "\r\n\r\na\r\n"},
      {"lone CR inside a line", "a\rb\n", "a\rb\r\n"},
      {"CR at the end of the file is part of the line", "a\r", "a\r\r\n"},
      {"records converted", "1234567890123A\n1234567890123B", "1234567890123Z\r\n1234567890123Z\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(targets::ConvertMasterText(c.content, targets::ConvertTypeLine), c.expected);
  }
}

// An installation whose settings file names the master folder.
struct Installation {
  TempDir dir;
  std::string settings = dir / "app\\morefa1.ini";

  explicit Installation(const std::string& masterValue = "master\\") {
    MakeFolders(dir / "app\\master\\1");
    MakeFolders(dir / "app\\master\\21");
    WriteFile(settings, "[DIR]\r\nMASTER=" + masterValue + "\r\n");
  }
  std::string File(const std::string& setAndName) const { return dir / ("app\\master\\" + setAndName); }
};

// Only 185 bytes exempt a size record, so a 200-byte record shrinks on
// every run; the sample keeps to records a second run leaves alone.
std::string SampleMaster() {
  return Record("400400", "000107", 186) + "\r\n" + Record("400400", "000111", 185) + "\n" +
         Record("400400", "000107", 66) + "\r\n" + Record("400400", "000108", 186) + "\r\n" +
         Record("500400", "000107", 186) + "\r\n" + "1234567890123A rest\r\n" + "1234567890123B\r\n" +
         "1234567890123Z\r\n" + "1234567890123\r\n" + Record("400400", "000107", 186);  // no final line end
}

TEST(MaterialConversion, BothSetsConvertedAndStableOnSecondRun) {
  Installation inst;
  const std::vector<std::string> files = {"1\\pok001-3.mst", "1\\POK002-3.MST", "21\\pok表01-3.mst",
                                          "21\\pok003-3.mst"};
  for (const std::string& f : files) WriteFile(inst.File(f), SampleMaster());
  WriteFile(inst.File("1\\pok01-3.mst"), "a\n");  // too short a name: not a master file
  WriteFile(inst.File("1\\xpok001-3.mst"), "a\n");
  WriteFile(inst.File("21\\empty"), "");

  ASSERT_EQ(targets::ConvertMaterialSizes(inst.settings), 1);
  ASSERT_EQ(targets::ConvertMaterialTypes(inst.settings), 1);
  const std::string expected = targets::ConvertMasterText(
      targets::ConvertMasterText(SampleMaster(), targets::ConvertSizeLine), targets::ConvertTypeLine);
  EXPECT_NE(expected, SampleMaster());
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    EXPECT_EQ(ReadFile(inst.File(f)), expected);
  }
  EXPECT_EQ(ReadFile(inst.File("1\\pok01-3.mst")), "a\n");
  EXPECT_EQ(ReadFile(inst.File("1\\xpok001-3.mst")), "a\n");
  EXPECT_FALSE(os::Exists(inst.File("1\\temp.mst")));
  EXPECT_FALSE(os::Exists(inst.File("21\\temp.mst")));

  ASSERT_EQ(targets::ConvertMaterialSizes(inst.settings), 1);
  ASSERT_EQ(targets::ConvertMaterialTypes(inst.settings), 1);
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    EXPECT_EQ(ReadFile(inst.File(f)), expected);
  }
}

TEST(MaterialConversion, EveryMatchedFileRewritten) {
  Installation inst;
  WriteFile(inst.File("1\\pok001-3.mst"), "plain\nlast");
  WriteFile(inst.File("1\\pok002-3.mst"), "");
  ASSERT_TRUE(os::MakeFolder(inst.File("1\\pok003-3.mst")));  // a folder that matches
  WriteFile(inst.File("1\\TEMP.MST"), "1234567890123A stale\r\n");  // the same name to Windows
  WriteFile(inst.File("21\\temp.mst"), "1234567890123A stale\r\n");  // no master file beside it
  ASSERT_EQ(targets::ConvertMaterialTypes(inst.settings), 1);
  EXPECT_EQ(ReadFile(inst.File("21\\temp.mst")), "1234567890123A stale\r\n");
  EXPECT_EQ(ReadFile(inst.File("1\\pok001-3.mst")), "plain\r\nlast\r\n");
  EXPECT_EQ(ReadFile(inst.File("1\\pok002-3.mst")), "");
  EXPECT_TRUE(os::IsDirectory(inst.File("1\\pok003-3.mst")));
  EXPECT_FALSE(os::Exists(inst.File("1\\temp.mst")));
  std::vector<std::string> left;
  for (const os::FindEntry& e : os::FindFiles(inst.File("1\\*"))) {
    if (e.name != "." && e.name != "..") left.push_back(e.name);
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"pok001-3.mst", "pok002-3.mst", "pok003-3.mst"}));
}

TEST(MaterialConversion, AtMostThousandFilesPerSet) {
  Installation inst;
  for (int i = 0; i < 1001; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "1\\pok%03d-3.mst", i % 1000);
    std::string path = inst.File(name);
    if (i == 1000) path = inst.File("1\\pokZZZ-3.mst");
    WriteFile(path, "a\n");
  }
  ASSERT_EQ(targets::ConvertMaterialTypes(inst.settings), 1);
  int converted = 0, untouched = 0;
  for (const os::FindEntry& e : os::FindFiles(inst.File("1\\pok???-3.mst"))) {
    std::string content = ReadFile(inst.File("1\\" + e.name));
    if (content == "a\r\n") ++converted;
    if (content == "a\n") ++untouched;
  }
  EXPECT_EQ(converted, 1000);
  EXPECT_EQ(untouched, 1);
}

TEST(MaterialConversion, FirstSetFailingLeavesSecondUntouched) {
  Installation inst;
  WriteFile(inst.File("1\\pok001-3.mst"), "1234567890123A\n");
  WriteFile(inst.File("21\\pok001-3.mst"), "1234567890123A\n");
  {
    os::InputFile holder;  // another program holds the master open
    ASSERT_TRUE(holder.Open(inst.File("1\\pok001-3.mst"), /*exclusive=*/true));
    EXPECT_EQ(targets::ConvertMaterialTypes(inst.settings), 0);
  }
  EXPECT_EQ(ReadFile(inst.File("1\\pok001-3.mst")), "1234567890123A\n");
  EXPECT_EQ(ReadFile(inst.File("21\\pok001-3.mst")), "1234567890123A\n");
  EXPECT_FALSE(os::Exists(inst.File("1\\temp.mst")));
}

TEST(MaterialConversion, ReadOnlyMasterFailsTheSet) {
  Installation inst;
  WriteFile(inst.File("21\\pok001-3.mst"), "1234567890123A\n");
  ASSERT_TRUE(os::SetAttributes(inst.File("21\\pok001-3.mst"), os::kAttrReadOnly));
  EXPECT_EQ(targets::ConvertMaterialTypes(inst.settings), 0);
  EXPECT_EQ(ReadFile(inst.File("21\\pok001-3.mst")), "1234567890123A\n");
  EXPECT_FALSE(os::Exists(inst.File("21\\temp.mst")));
}

TEST(MaterialConversion, ReadOnlyStaleTemporaryFileFailsTheSet) {
  Installation inst;
  WriteFile(inst.File("1\\pok001-3.mst"), "1234567890123A\n");
  WriteFile(inst.File("1\\temp.mst"), "stale");
  ASSERT_TRUE(os::SetAttributes(inst.File("1\\temp.mst"), os::kAttrReadOnly));
  if (!testing_support::ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
  EXPECT_EQ(targets::ConvertMaterialTypes(inst.settings), 0);
  EXPECT_EQ(ReadFile(inst.File("1\\pok001-3.mst")), "1234567890123A\n");
  EXPECT_EQ(ReadFile(inst.File("1\\temp.mst")), "stale");
}

TEST(MaterialConversion, StreamingMatchesWholeText) {
  // Lines cross every read boundary, and one line is longer than the buffer.
  std::string content;
  for (int i = 0; content.size() < 2600000; ++i) {
    content += Record("400400", i % 3 ? "000107" : "000111", 150 + i % 60) + (i % 2 ? "\n" : "\r\n");
  }
  content += Record("400400", "000107", 3000000) + "\r";
  content += "\n1234567890123B";
  Installation inst;
  WriteFile(inst.File("1\\pok001-3.mst"), content);
  ASSERT_EQ(targets::ConvertMaterialSizes(inst.settings), 1);
  EXPECT_TRUE(ReadFile(inst.File("1\\pok001-3.mst")) == targets::ConvertMasterText(content, targets::ConvertSizeLine));
}

// A text-mode read keeps a CR that ends the file in the last line, so a
// 185-byte size record followed by that CR is 186 bytes long and loses one.
TEST(MaterialConversion, CrAtTheEndOfTheFileCountsForTheSizeRule) {
  const std::string record = Record("400400", "000107", 185);
  const std::string content = "1234567890123A\r\n" + record + "\r";
  const std::string expected = "1234567890123A\r\n" + Without66(record + "\r") + "\r\n";
  EXPECT_EQ(targets::ConvertMasterText(content, targets::ConvertSizeLine), expected);
  Installation inst;
  WriteFile(inst.File("1\\pok001-3.mst"), content);
  ASSERT_EQ(targets::ConvertMaterialSizes(inst.settings), 1);
  EXPECT_EQ(ReadFile(inst.File("1\\pok001-3.mst")), expected);
}

TEST(MaterialConversion, MasterFolderSetting) {
  struct Case {
    const char* what;
    std::string value;
    std::string expected;
  } cases[] = {
      {"separator added", "D:\\APP\\master", "D:\\APP\\master\\"},
      {"separator kept", "D:\\APP\\master\\", "D:\\APP\\master\\"},
      {"slash counts", "/srv/master/", "/srv/master/"},
      {"trail byte 0x5C is no separator", "D:\\表", "D:\\表\\"},
      {"cut to 63 bytes", std::string(70, 'm'), std::string(63, 'm') + "\\"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "morefa1.ini", "[dir]\r\nmaster=" + c.value + "\r\n");
    EXPECT_EQ(targets::MasterFolderSetting(dir / "morefa1.ini"), c.expected);
  }
  TempDir dir;
  EXPECT_EQ(targets::MasterFolderSetting(dir / "morefa1.ini"), "");
}

TEST(MaterialConversion, MasterFolderResolution) {
  const std::string folder48 = std::string(47, 'm') + "\\";  // pattern of set 21: 48 + 3 + 12 = 63 bytes
  const std::string folder49 = std::string(48, 'm') + "\\";  // set 1 would fit in 63 bytes, set 21 does not
  struct Case {
    const char* what;
    const char* settingsContent;  // nullptr: no settings file
    std::string masterValue;
    std::string masterOnDisk;     // relative to app\ ; "" for none
    int expected;
    bool set1Converted, set21Converted;
  } cases[] = {
      {"relative, without separator", "", "master", "master\\", 1, true, true},
      {"longest pattern allowed", "", folder48, folder48, 1, true, true},
      {"set 21 pattern too long", "", folder49, folder49, 0, false, false},
      {"missing entry converts nothing", "[DIR]\r\n", "", "1\\..\\", 0, false, false},
      {"empty entry converts nothing", "", "", "1\\..\\", 0, false, false},
      {"no settings file", nullptr, "", "1\\..\\", 0, false, false},
      {"set folders missing", "", "nowhere\\", "", 1, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    MakeFolders(dir / "app");
    const std::string settings = dir / "app\\morefa1.ini";
    if (c.settingsContent) {
      WriteFile(settings, *c.settingsContent ? std::string(c.settingsContent)
                                             : "[DIR]\r\nMASTER=" + c.masterValue + "\r\n");
    }
    std::string set1, set21;
    if (!c.masterOnDisk.empty()) {
      set1 = dir / ("app\\" + c.masterOnDisk + "1\\pok001-3.mst");
      set21 = dir / ("app\\" + c.masterOnDisk + "21\\pok001-3.mst");
      MakeFolders(dir / ("app\\" + c.masterOnDisk + "1"));
      MakeFolders(dir / ("app\\" + c.masterOnDisk + "21"));
      WriteFile(set1, "x\n");
      WriteFile(set21, "x\n");
    }
    EXPECT_EQ(targets::ConvertMaterialSizes(settings), c.expected);
    if (!c.masterOnDisk.empty()) {
      EXPECT_EQ(ReadFile(set1), c.set1Converted ? "x\r\n" : "x\n");
      EXPECT_EQ(ReadFile(set21), c.set21Converted ? "x\r\n" : "x\n");
    }
  }
}

#ifndef _WIN32
// Failures of the file system, injected through the os layer: the master
// stays byte-identical and no temporary file remains.
TEST(MaterialConversion, FailureLeavesMasterIntact) {
  std::string big;
  while (big.size() < 2500000) big += Record("400400", "000107", 186) + "\n";
  struct Case {
    const char* what;
    os::Op op;
    int nth;
    std::string content;
  } cases[] = {
      {"create", os::Op::Create, 1, "1234567890123A\n"},
      {"first write", os::Op::Write, 1, "1234567890123A\n"},
      {"later write", os::Op::Write, 2, big},
      {"flush", os::Op::Flush, 1, "1234567890123A\n"},
      {"close", os::Op::Close, 1, "1234567890123A\n"},
      {"move", os::Op::Rename, 1, "1234567890123A\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Installation inst;
    WriteFile(inst.File("1\\pok001-3.mst"), c.content);
    WriteFile(inst.File("21\\pok001-3.mst"), "1234567890123A\n");
    os::InjectFault(c.op, c.nth, os::Error::DiskFull);
    EXPECT_EQ(targets::ConvertMaterialSizes(inst.settings), 0);
    os::ClearFaults();
    EXPECT_TRUE(ReadFile(inst.File("1\\pok001-3.mst")) == c.content);
    EXPECT_EQ(ReadFile(inst.File("21\\pok001-3.mst")), "1234567890123A\n");
    EXPECT_FALSE(os::Exists(inst.File("1\\temp.mst")));
  }
}

TEST(MaterialConversion, FailureStopsTheSetAfterEarlierFiles) {
  Installation inst;
  for (const char* name : {"1\\pok001-3.mst", "1\\pok002-3.mst", "1\\pok003-3.mst"}) WriteFile(inst.File(name), "x\n");
  os::InjectFault(os::Op::Rename, 2, os::Error::AccessDenied);
  EXPECT_EQ(targets::ConvertMaterialTypes(inst.settings), 0);
  os::ClearFaults();
  int converted = 0;
  for (const char* name : {"1\\pok001-3.mst", "1\\pok002-3.mst", "1\\pok003-3.mst"}) {
    converted += ReadFile(inst.File(name)) == "x\r\n";
  }
  EXPECT_EQ(converted, 1);
  EXPECT_FALSE(os::Exists(inst.File("1\\temp.mst")));
}
#endif

}  // namespace
