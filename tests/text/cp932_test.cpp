#include <gtest/gtest.h>

#include "text/cp932.h"

namespace {

// 表 and ソ end in 0x5C ('\'), 構 in 0x7C... and 能 in 0x5C as well; ｱ is a
// single-byte katakana.
const std::string kHyou = "表";  // 95 5C
const std::string kSo = "ソ";    // 83 5C

TEST(Cp932, TrailBytesAreNotSeparators) {
  ASSERT_EQ(kHyou, std::string("\x95\x5C"));
  ASSERT_EQ(kSo, std::string("\x83\x5C"));
  struct Row {
    std::string path, drive, dir, name, ext;
  };
  const Row rows[] = {
      {"D:\\UPD\\Brelix.exe", "D:", "\\UPD\\", "Brelix", ".exe"},
      {"D:\\Brelix.exe", "D:", "\\", "Brelix", ".exe"},
      {"D:\\表示\\ソフト\\a.b.exe", "D:", "\\表示\\ソフト\\", "a.b", ".exe"},
      {"C:\\表", "C:", "\\", "表", ""},
      {"\\\\srv\\share\\upd\\x.exe", "", "\\\\srv\\share\\upd\\", "x", ".exe"},
      {"/usr/lib/x", "", "/usr/lib/", "x", ""},
      {"表.ソ", "", "", "表", ".ソ"},
      {"", "", "", "", ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    text::PathParts p = text::SplitPath(r.path);
    EXPECT_EQ(p.drive, r.drive);
    EXPECT_EQ(p.dir, r.dir);
    EXPECT_EQ(p.name, r.name);
    EXPECT_EQ(p.ext, r.ext);
  }
}

TEST(Cp932, UpperCaseLeavesDoubleByteCharactersWhole) {
  // "ｚ" is not ASCII; 0x82 0x81 is full-width 'ａ' whose trail byte 0x81 is
  // not a letter, and "ア" is 83 41 whose trail byte 'A' must stay.
  struct Row {
    std::string in, out;
  } rows[] = {
      {"start", "START"},
      {"data2", "DATA2"},
      {"Setup.ini", "SETUP.INI"},
      {"\x83\x61" "b", "\x83\x61" "B"},  // trail byte 0x61 'a' stays
      {"表示\\a", "表示\\A"},
      {"\x83", "\x83"},  // a lone lead byte at the end
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(text::UpperAscii(r.in), r.out);
  }
}

TEST(Cp932, ComparisonIgnoresOnlyAsciiCase) {
  EXPECT_TRUE(text::EqualsNoCaseAscii("MoreFa1.INI", "morefa1.ini"));
  EXPECT_TRUE(text::EqualsNoCaseAscii("種別電気", "種別電気"));
  EXPECT_FALSE(text::EqualsNoCaseAscii("\x83\x61", "\x83\x41"));  // trail bytes differ
  EXPECT_FALSE(text::EqualsNoCaseAscii("気", "議"));
  EXPECT_FALSE(text::EqualsNoCaseAscii("ab", "abc"));
}

TEST(Cp932, FindNeverStartsInsideACharacter) {
  // "\x83\x5C" (ソ) holds '\' as its trail byte; a search for "\\" must not
  // find it, and a search for "\x5C\x83" must not straddle two characters.
  EXPECT_EQ(text::Find("ソ\\", "\\"), 2u);
  EXPECT_EQ(text::Find("ソソ", "\x5C\x83"), std::string::npos);
  EXPECT_EQ(text::Find("abc", ""), 0u);
  EXPECT_EQ(text::FindChar("表|", '|'), 2u);
  EXPECT_EQ(text::FindLastSeparator("表"), std::string::npos);
  EXPECT_EQ(text::FindLastSeparator("a\\表"), 1u);
}

TEST(Cp932, FinalSeparatorIsNeverATrailByte) {
  struct Row {
    std::string folder;
    bool ends;
    std::string withSeparator;
  } rows[] = {
      {"C:\\APP\\", true, "C:\\APP\\"},   {"/srv/app/", true, "/srv/app/"},
      {"C:\\APP", false, "C:\\APP\\"},      {"C:\\帳表", false, "C:\\帳表\\"},
      {"ソ", false, "ソ\\"},                 {"能\\", true, "能\\"},
      {"表/", true, "表/"},                  {"", false, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.folder);
    EXPECT_EQ(text::EndsWithSeparator(r.folder), r.ends);
    EXPECT_EQ(text::WithTrailingSeparator(r.folder), r.withSeparator);
  }
  EXPECT_EQ(text::WithTrailingSeparator("dir/表", '/'), "dir/表/");
}

TEST(Cp932, ShownPathsHaveNoDoubledSeparators) {
  EXPECT_EQ(text::ShownPath("/srv/app\\\\doc\\表\\x"), "/srv/app\\doc\\表\\x");
  EXPECT_EQ(text::ShownPath("/srv/app/\\doc\\ソ\\x", '/'), "/srv/app/doc/ソ/x");
  EXPECT_EQ(text::ShownPath("\\\\srv\\\\share\\", '/'), "//srv/share/");
}

TEST(Cp932, CutKeepsWholeCharacters) {
  EXPECT_EQ(text::CutToBytes("abc", 5), "abc");
  EXPECT_EQ(text::CutToBytes("a表", 2), "a");
  EXPECT_EQ(text::CutToBytes("a表", 3), "a表");
  EXPECT_EQ(text::CutToBytes("表", 0), "");
}

TEST(Cp932, Validity) {
  EXPECT_TRUE(text::IsValidCp932("アップデート ｱｯﾌﾟ abc"));
  EXPECT_FALSE(text::IsValidCp932("\x83"));
  EXPECT_FALSE(text::IsValidCp932("\x83\x20"));
  EXPECT_FALSE(text::IsValidCp932("\xFD"));
}

TEST(Cp932, AtoiSemantics) {
  struct Row {
    const char* in;
    int out;
  } rows[] = {{"1", 1}, {"01x", 1}, {"x", 0}, {"", 0}, {"  -3", -3}, {"+7", 7}, {"2", 2},
              {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}, {"\t5", 5}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.in);
    EXPECT_EQ(text::AtoiLike(r.in), r.out);
  }
}

TEST(Cp932, ReplaceAllDoesNotRescanInsertedText) {
  EXPECT_EQ(text::ReplaceAll("見積 8.0S / 8.0S", "8.0S", "9.1S"), "見積 9.1S / 9.1S");
  EXPECT_EQ(text::ReplaceAll("8.0S", "8.0S", "x8.0Sx"), "x8.0Sx");
  EXPECT_EQ(text::ReplaceAll("abc", "z", "y"), "abc");
}

}  // namespace
