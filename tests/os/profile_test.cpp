// Profile strings: the same table runs against our POSIX implementation and,
// in the Windows build under Wine, against the real Windows functions.
#include <gtest/gtest.h>

#include "os/os.h"
#include "os/profile_text.h"
#include "os/test_hooks.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

// The bytes of a UTF-16LE file with its byte-order mark.
std::string Utf16File(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (char16_t u : text) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

struct ReadCase {
  const char* what;
  std::string content;  // empty: the file does not exist
  std::string section, key, def;
  std::size_t size;
  std::string expected;
};

TEST(ProfileRead, MatchesWindowsRules) {
  const std::string std =
      "[SYSTEM]\r\nTITLE=見積 8.0S\r\nMAKER = 2 \r\nQuoted=\"a b\"\r\n"
      "Path=D:\\表示\\ソフト\\\r\nBar=ポ|ポ\r\n気=kanji-ki\r\nDup=first\r\nDup=second\r\n"
      "\r\n; comment\r\n[HISTORY]\r\n抽出開始日ON=1\r\n[system]\r\nLater=x\r\n";
  const ReadCase cases[] = {
      {"missing file", "", "SYSTEM", "TITLE", "dflt", 100, "dflt"},
      {"missing section", std, "NONE", "TITLE", "dflt", 100, "dflt"},
      {"missing key", std, "SYSTEM", "NONE", "1", 100, "1"},
      {"exact", std, "SYSTEM", "TITLE", "", 100, "見積 8.0S"},
      {"names without case", std, "system", "title", "", 100, "見積 8.0S"},
      {"blanks trimmed", std, "SYSTEM", "maker", "", 100, "2"},
      {"quotes stripped", std, "SYSTEM", "Quoted", "", 100, "a b"},
      {"trail byte 0x5C", std, "SYSTEM", "Path", "", 100, "D:\\表示\\ソフト\\"},
      {"trail byte 0x7C", std, "SYSTEM", "Bar", "", 100, "ポ|ポ"},
      {"double-byte key exact", std, "SYSTEM", "気", "no", 100, "kanji-ki"},
      {"気 is not 議", std, "SYSTEM", "議", "no", 100, "no"},
      {"first duplicate key", std, "SYSTEM", "Dup", "", 100, "first"},
      {"first section only", std, "SYSTEM", "Later", "none", 100, "none"},
      {"japanese section and key", std, "history", "抽出開始日ON", "0", 100, "1"},
      {"cut to size - 1", std, "SYSTEM", "Dup", "", 4, "fir"},
      {"default cut too", std, "SYSTEM", "none", "abcdef", 3, "ab"},
      {"default trailing blanks", std, "SYSTEM", "none", "x  ", 100, "x"},
      {"LF only", "[A]\nk=v\n", "A", "k", "", 100, "v"},
      {"no final line end", "[A]\r\nk=v", "A", "k", "", 100, "v"},
      {"file ends in a lone CR", "[A]\r\nk=v\r", "A", "k", "", 100, "v"},
      {"lone CR ends every line", "[section1]\rname1=val1\r", "section1", "name1", "", 100, "val1"},
      {"lone CR, a later section", "[A]\rk=1\r[B]\rk=2", "B", "k", "", 100, "2"},
      {"'[' without ']' is an ordinary line", "[A]\r\n[s\r\nk=v\r\n", "A", "k", "", 100, "v"},
      {"'[' without ']' opens no section", "[A]\r\n[s\r\nk=v\r\n", "s", "k", "none", 100, "none"},
      {"header name runs to the last ']'", "[s]x]\r\nk=v\r\n", "s]x", "k", "", 100, "v"},
      {"header name is not cut at the first ']'", "[s]x]\r\nk=v\r\n", "s", "k", "none", 100, "none"},
      {"blanks around requested names", std, "  SYSTEM ", " TITLE  ", "", 100, "見積 8.0S"},
      {"UTF-16 file", Utf16File(u"[S]\r\nk=見積 ポ\r\n[T]\r\nk=2\r\n"), "s", "K", "", 100, "見積 ポ"},
      {"UTF-16, a later section", Utf16File(u"[S]\r\nk=1\r\n[表]\r\nキー=2\r\n"), "表", "キー", "", 100, "2"},
      {"UTF-16, key missing", Utf16File(u"[S]\r\nk=1\r\n"), "S", "x", "d", 100, "d"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::string file = dir / "test.ini";
    if (!c.content.empty()) WriteFile(file, c.content);
    EXPECT_EQ(os::GetProfileValue(c.section, c.key, c.def, c.size, file), c.expected);
  }
}

TEST(ProfileWrite, ReadsBackWhatWasWritten) {
  struct Entry {
    std::string section, key, value;
  } entries[] = {
      {"SYSTEM", "GENGOU", "令和"},
      {"SYSTEM", "TITLE", "見積 9.1S"},
      {"HISTORY", "抽出開始日ON", "1"},
      {"HISTORY", "抽出終了日ON", "1"},
      {"SYSTEM", "種別電気", "1"},
      {"DIR", "MASTER", "D:\\表示\\ソフト\\"},
      {"SYSTEM", "Bar", "ポ|ポ"},
      {"system", "gengou", "平成"},  // replaces GENGOU
  };
  TempDir dir;
  std::string file = dir / "new.ini";
  WriteFile(file, "[SYSTEM]\r\nTITLE=見積 8.0S\r\n");
  for (const Entry& e : entries) ASSERT_TRUE(os::SetProfileValue(e.section, e.key, e.value, file)) << e.key;
  EXPECT_EQ(os::GetProfileValue("SYSTEM", "GENGOU", "", 100, file), "平成");
  EXPECT_EQ(os::GetProfileValue("SYSTEM", "TITLE", "", 100, file), "見積 9.1S");
  EXPECT_EQ(os::GetProfileValue("HISTORY", "抽出開始日ON", "", 100, file), "1");
  EXPECT_EQ(os::GetProfileValue("HISTORY", "抽出終了日ON", "", 100, file), "1");
  EXPECT_EQ(os::GetProfileValue("SYSTEM", "種別電気", "", 100, file), "1");
  EXPECT_EQ(os::GetProfileValue("DIR", "MASTER", "", 100, file), "D:\\表示\\ソフト\\");
  EXPECT_EQ(os::GetProfileValue("SYSTEM", "Bar", "", 100, file), "ポ|ポ");
}

// A write must land where a read finds it, whatever the file's line ends or
// encoding: a second copy of the section would hide the new value.
TEST(ProfileWrite, ReadsBackInEveryLineEndAndEncoding) {
  const struct {
    const char* what;
    std::string content;
  } cases[] = {
      {"CR LF", "[section1]\r\nname1=val1\r\n"},
      {"LF", "[section1]\nname1=val1\n"},
      {"lone CR", "[section1]\rname1=val1\r"},
      {"UTF-16", Utf16File(u"[section1]\r\nname1=val1\r\n")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    std::string file = dir / "s.ini";
    WriteFile(file, c.content);
    ASSERT_TRUE(os::SetProfileValue("section1", "name1", "新", file));
    ASSERT_TRUE(os::SetProfileValue(" section1 ", " name2 ", "2", file));
    ASSERT_TRUE(os::SetProfileValue("section2", "name3", "3", file));
    EXPECT_EQ(os::GetProfileValue("section1", "name1", "", 100, file), "新");
    EXPECT_EQ(os::GetProfileValue("section1", "name2", "", 100, file), "2");
    EXPECT_EQ(os::GetProfileValue("section2", "name3", "", 100, file), "3");
    if (c.content[0] == '\xFF') {
      std::string bytes = ReadFile(file);
      EXPECT_EQ(bytes.compare(0, 2, "\xFF\xFE"), 0);
      EXPECT_EQ(bytes.size() % 2, 0u);
    }
  }
}

TEST(ProfileWrite, CreatesAMissingFileButNotAMissingFolder) {
  TempDir dir;
  EXPECT_TRUE(os::SetProfileValue("HISTORY", "抽出開始日ON", "1", dir / "tov3.ini"));
  EXPECT_EQ(os::GetProfileValue("HISTORY", "抽出開始日ON", "", 100, dir / "tov3.ini"), "1");
  EXPECT_FALSE(os::SetProfileValue("A", "k", "v", dir / "nofolder\\x.ini"));
  EXPECT_FALSE(os::Exists(dir / "nofolder"));
}

TEST(ProfileWrite, ReadOnlyFileIsRefused) {
  TempDir dir;
  std::string file = dir / "ro.ini";
  WriteFile(file, "[A]\r\nk=old\r\n");
  ASSERT_TRUE(os::SetAttributes(file, os::kAttrReadOnly));
  if (!testing_support::ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
  EXPECT_FALSE(os::SetProfileValue("A", "k", "new", file));
  EXPECT_EQ(os::GetProfileValue("A", "k", "", 100, file), "old");
  os::SetAttributes(file, 0);
}

// Byte-exact editing is our own promise; Windows rewrites the file its own way.
TEST(ProfileText, KeepsEveryByteItDoesNotEdit) {
  struct Case {
    const char* what;
    std::string before, section, key, value, after;
  } cases[] = {
      {"replace value, keep spacing before '='", "; head\r\n\r\n[S]\r\nKey =  old \r\n; c\r\n\r\n[T]\r\n", "s", "key",
       "new", "; head\r\n\r\n[S]\r\nKey =new\r\n; c\r\n\r\n[T]\r\n"},
      {"new key after the last key", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "S", "c", "3",
       "[S]\r\na=1\r\nc=3\r\n\r\n[T]\r\nb=2\r\n"},
      {"new section at the end", "[S]\na=1", "T", "b", "2", "[S]\na=1\n[T]\nb=2\n"},
      {"empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
      {"section header last without line end", "x=1\r\n[S]", "S", "k", "v", "x=1\r\n[S]\r\nk=v\r\n"},
      {"new key after a last line ending in a lone CR", "[S]\na=1\r", "S", "b", "2", "[S]\na=1\r\nb=2\n"},
      {"new section after a lone CR", "[S]\r\na=1\r", "T", "b", "2", "[S]\r\na=1\r\n[T]\r\nb=2\r\n"},
      {"leading blanks of value dropped", "", "S", "k", "  v", "[S]\r\nk=v\r\n"},
      {"気 does not match 議", "[S]\r\n議=1\r\n", "S", "気", "2", "[S]\r\n議=1\r\n気=2\r\n"},
      {"']' as a trail byte inside a section name", "[\x83\x5D]\r\nk=1\r\n", "\x83\x5D", "k", "2",
       "[\x83\x5D]\r\nk=2\r\n"},
      {"CR-only file, new key", "[S]\ra=1\r[T]\r", "S", "b", "2", "[S]\ra=1\rb=2\r[T]\r"},
      {"CR-only file, new value", "[S]\ra=1\r[T]\r", "S", "a", "9", "[S]\ra=9\r[T]\r"},
      {"CR-only file, new section", "[S]\ra=1\r", "T", "b", "2", "[S]\ra=1\r[T]\rb=2\r"},
      {"CR-only file without a last line end", "[S]\ra=1", "S", "b", "2", "[S]\ra=1\rb=2\r"},
      {"the first line end sets the style", "[S]\r\na=1\rb=2\n", "S", "c", "3", "[S]\r\na=1\rb=2\nc=3\r\n"},
      {"blanks around requested names", "[S]\r\nk=1\r\n", " S ", " k ", "2", "[S]\r\nk=2\r\n"},
      {"new names without their blanks", "", " S ", " k ", "v", "[S]\r\nk=v\r\n"},
      {"'[' without ']' stays inside the section", "[S]\r\n[x\r\nk=1\r\n", "S", "k", "2",
       "[S]\r\n[x\r\nk=2\r\n"},
      {"header name to the last ']'", "[s]x]\r\nk=1\r\n", "s]x", "k", "2", "[s]x]\r\nk=2\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(os::ProfileWrite(c.before, c.section, c.key, c.value), c.after);
  }
}

TEST(ProfileText, CutNeverSplitsADoubleByteCharacter) {
  EXPECT_EQ(os::ProfileRead("[S]\r\nk=a表\r\n", "S", "k", "", 3), "a");
  EXPECT_EQ(os::ProfileRead("[S]\r\nk=a表\r\n", "S", "k", "", 4), "a表");
  EXPECT_EQ(os::ProfileRead("[S]\r\nk=v\r\n", "S", "k", "", 0), "");
}

#ifndef _WIN32
TEST(ProfileFile, AWriteThatFailsHalfWayKeepsTheOldFile) {
  TempDir dir;
  std::string file = dir / "morefa1.ini";
  const std::string before = "[SYSTEM]\r\nTITLE=見積 8.0S\r\n";
  WriteFile(file, before);
  os::ClearFaults();
  os::InjectFault(os::Op::Write, 1, os::Error::DiskFull);
  EXPECT_FALSE(os::SetProfileValue("SYSTEM", "GENGOU", "令和", file));
  EXPECT_EQ(os::LastError(), os::Error::DiskFull);
  os::ClearFaults();
  EXPECT_EQ(ReadFile(file), before);
  std::vector<os::FindEntry> left = os::FindFiles(dir / "*");
  for (const auto& e : left) EXPECT_TRUE(e.name == "." || e.name == ".." || e.name == "morefa1.ini") << e.name;
}

TEST(ProfileFile, Utf16FileKeepsEveryUnitItDoesNotEdit) {
  TempDir dir;
  std::string file = dir / "u.ini";
  WriteFile(file, Utf16File(u"; 注\r\n[S]\r\nk = 見積\r\n\r\n[T]\r\n") + "\x7F");  // odd last byte
  ASSERT_TRUE(os::SetProfileValue("S", "k", "令和", file));
  ASSERT_TRUE(os::SetProfileValue("S", "新", "1", file));
  EXPECT_EQ(ReadFile(file), Utf16File(u"; 注\r\n[S]\r\nk =令和\r\n新=1\r\n\r\n[T]\r\n") + "\x7F");
}

// The temporary file of the replace must fit where the settings name fits.
TEST(ProfileFile, NameAtTheFileNameLimit) {
  for (std::size_t length : {250u, 255u}) {
    SCOPED_TRACE(length);
    TempDir dir;
    std::string file = dir / (std::string(length - 4, 'm') + ".ini");
    WriteFile(file, "[S]\r\nk=1\r\n");
    ASSERT_TRUE(os::SetProfileValue("S", "k", "2", file));
    EXPECT_EQ(os::GetProfileValue("S", "k", "", 10, file), "2");
    EXPECT_EQ(os::FindFiles(dir / "*").size(), 3u);  // ".", ".." and the file
  }
}

TEST(ProfileFile, KeepsCommentsAndBlankLinesOnDisk) {
  TempDir dir;
  std::string file = dir / "morefa1.ini";
  const std::string before = "; settings\r\n\r\n[SYSTEM]\r\nTITLE=見積 8.0S\r\n\r\n;end\r\n";
  WriteFile(file, before);
  ASSERT_TRUE(os::SetProfileValue("SYSTEM", "GENGOU", "令和", file));
  EXPECT_EQ(ReadFile(file), "; settings\r\n\r\n[SYSTEM]\r\nTITLE=見積 8.0S\r\nGENGOU=令和\r\n\r\n;end\r\n");
}
#endif

}  // namespace
