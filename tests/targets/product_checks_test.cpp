#include <gtest/gtest.h>

#include <string>

#include "os/os.h"
#include "targets/product_checks.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::MakeFolders;
using testing_support::TempDir;
using testing_support::WriteFile;

struct Patterns {
  std::string p[targets::kTitlePatternSlots];
};

Patterns Numbered() {
  Patterns s;
  for (int i = 0; i < targets::kTitlePatternSlots; ++i) s.p[i] = "P" + std::to_string(i + 1) + "#";
  return s;
}

TEST(ClassifyInstalledProduct, MakerAndTitleVariants) {
  const std::string longTitle = std::string(95, 'x') + "P1#";  // pattern spans bytes 95 to 97
  const std::string cutTitle = std::string(97, 'x') + "P1#";   // pattern spans bytes 97 to 99
  struct Case {
    const char* what;
    const char* settingsName;  // as passed in
    const char* fileOnDisk;    // nullptr: no settings file
    std::string content;
    int emptyPattern;          // 1-based slot made empty, 0 none, -1 all
    int expected;
  } cases[] = {
      {"maker 2", "pilunet1.ini", "pilunet1.ini", "[SYSTEM]\r\nMAKER=2\r\n", 0, 99},
      {"maker 01x reads as 1", "PILUNET1.INI", "pilunet1.ini", "[SYSTEM]\r\nMAKER=01x\r\n", 0, 0},
      {"maker without digits reads as 0", "Pilunet1.Ini", "pilunet1.ini", "[SYSTEM]\r\nMAKER=x\r\n", 0, 99},
      {"maker empty reads as 0", "pilunet1.ini", "pilunet1.ini", "[SYSTEM]\r\nMAKER=\r\n", 0, 99},
      {"maker key missing", "pilunet1.ini", "pilunet1.ini", "[SYSTEM]\r\nTITLE=P1#\r\n", 0, 0},
      {"maker section and key in other case", "pilunet1.ini", "pilunet1.ini", "[system]\r\nmaker=3\r\n", 0, 99},
      {"no settings file, maker", "pilunet1.ini", nullptr, "", 0, 0},
      {"titles 3 and 7: descriptor order", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nTITLE=a P7# b P3#\r\n", 0, 3},
      {"case-sensitive", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nTITLE=p1#\r\n", 0, -1},
      {"no pattern found", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nTITLE=plain\r\n", 0, -1},
      {"no title key", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nMAKER=1\r\n", 0, -1},
      {"no settings file, title", "morefa1.ini", nullptr, "", 0, -1},
      {"empty pattern decides after earlier misses", "zerbis1.ini", "zerbis1.ini", "[SYSTEM]\r\nTITLE=P9#\r\n", 5, 5},
      {"earlier pattern beats empty one", "zerbis1.ini", "zerbis1.ini", "[SYSTEM]\r\nTITLE=P2#\r\n", 5, 2},
      {"empty pattern matches missing title", "morefa1.ini", nullptr, "", 4, 4},
      {"all patterns empty", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nTITLE=anything\r\n", -1, 1},
      {"title inside first 99 bytes", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nTITLE=" + longTitle + "\r\n", 0, 1},
      {"title cut to 99 bytes", "morefa1.ini", "morefa1.ini", "[SYSTEM]\r\nTITLE=" + cutTitle + "\r\n", 0, -1},
      {"settings name in other case opens the file", "MoreFa1.INI", "morefa1.ini", "[SYSTEM]\r\nTITLE=P6#\r\n", 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    if (c.fileOnDisk) WriteFile(dir / c.fileOnDisk, c.content);
    Patterns patterns = Numbered();
    if (c.emptyPattern > 0) patterns.p[c.emptyPattern - 1].clear();
    if (c.emptyPattern < 0) {
      for (std::string& p : patterns.p) p.clear();
    }
    EXPECT_EQ(targets::ClassifyInstalledProduct(dir.path(), c.settingsName, patterns.p), c.expected);
  }
}

TEST(ClassifyInstalledProduct, PatternNeverMatchesInsideDoubleByteCharacter) {
  TempDir dir;
  // 表 is 0x95 0x5C: its trail byte is a backslash.
  WriteFile(dir / "morefa1.ini", "[SYSTEM]\r\nTITLE=表示 版\r\n");
  Patterns patterns = Numbered();
  patterns.p[0] = "\\";
  patterns.p[1] = "版";
  EXPECT_EQ(targets::ClassifyInstalledProduct(dir.path(), "morefa1.ini", patterns.p), 2);
}

// Which files an installation holds, relative to its folder.
enum Has : unsigned {
  kMo2Menu = 1,
  kMo1Menu = 2,
  kTool = 4,
  kVoske = 8,
  kFileBmp = 16,
  kBitmaps = kVoske | kFileBmp,
};

TEST(CheckInstalledFiles, Stages) {
  struct Case {
    const char* what;
    const char* settingsName;
    unsigned has;
    bool folderWithSeparator;
    int expected;
    const char* appended;  // what the check leaves appended to the folder string
  } cases[] = {
      {"other product: bitmaps decide", "pilunet1.ini", kBitmaps, true, 1, "\\"},
      {"other product without bitmaps", "pilunet1.ini", kTool, true, 0, ""},
      {"neither menu nor tool", "morefa1.ini", kBitmaps, true, 0, "\\\\"},
      {"second menu name", "MOREFA1.INI", kMo1Menu | kBitmaps, true, 1, "\\"},
      {"first menu name", "ZERBIS1.ini", kMo2Menu | kBitmaps, true, 1, "\\"},
      {"menu absent, tool present", "zerbis1.INI", kTool | kBitmaps, true, 1, "\\"},
      {"menu and tool", "morefa1.ini", kMo2Menu | kTool | kBitmaps, true, 1, ""},
      {"file.BMP missing", "morefa1.ini", kMo2Menu | kTool | kVoske, true, 0, ""},
      {"VOSKE2L.BMP missing", "morefa1.ini", kMo2Menu | kTool | kFileBmp, true, 0, ""},
      {"folder without separator", "morefa1.ini", kMo2Menu | kTool | kBitmaps, false, 1, "\\"},
      {"folder without separator, tool only", "morefa1.ini", kTool | kBitmaps, false, 1, "\\"},
      {"folder without separator, other product", "pilunet1.ini", kTool | kBitmaps, false, 1, "\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    MakeFolders(dir / "app\\bmp");
    if (c.has & kMo2Menu) WriteFile(dir / "app\\mo2menu.ini", "");
    if (c.has & kMo1Menu) WriteFile(dir / "app\\mo1menu.ini", "");
    if (c.has & kTool) WriteFile(dir / "app\\tessolin.exe", "");
    if (c.has & kVoske) WriteFile(dir / "app\\bmp\\VOSKE2L.BMP", "");
    if (c.has & kFileBmp) WriteFile(dir / "app\\bmp\\file.BMP", "");
    const std::string given = c.folderWithSeparator ? dir / "app\\" : dir / "app";
    std::string folder = given;
    EXPECT_EQ(targets::CheckInstalledFiles(folder, c.settingsName), c.expected);
    EXPECT_EQ(folder, given + c.appended);
  }
}

TEST(CheckInstalledFiles, MissingFolderIsRefusedAndLeftAlone) {
  TempDir dir;
  for (const char* name : {"morefa1.ini", "pilunet1.ini"}) {
    SCOPED_TRACE(name);
    std::string folder = dir / "none\\";
    EXPECT_EQ(targets::CheckInstalledFiles(folder, name), 0);
    EXPECT_EQ(folder, dir / "none\\");
  }
}

}  // namespace
