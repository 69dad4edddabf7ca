#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/source_dir.h"
#include "engine/update_session.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::TempDir;
using testing_support::WriteFile;

// 42 fixed lines with recognisable values, then `records`.
std::string Descriptor(const std::vector<std::string>& records, const char* eol = "\r\n",
                       bool finalEol = true) {
  std::vector<std::string> lines;
  for (int i = 1; i <= 15; ++i) lines.push_back(i == 1 ? "見積原価システム" : (i == 3 ? "Key3" : ""));
  lines.push_back("D:\\APP");   // 16
  lines.push_back("ignored");   // 17
  lines.push_back("1");         // 18
  lines.push_back("morefa1.ini");  // 19
  lines.push_back("5");         // 20
  lines.push_back("9.1S");      // 21
  lines.push_back("back.bmp");  // 22
  lines.push_back("notes.bmp");
  lines.push_back("target.bmp");
  lines.push_back("confirm.bmp");  // 25
  lines.push_back("one\t_two");    // 26
  lines.push_back("表示\t_ソ");     // 27
  for (int i = 1; i <= 15; ++i) lines.push_back("pattern" + std::to_string(i));
  for (const auto& r : records) lines.push_back(r);
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out += lines[i];
    if (i + 1 < lines.size() || finalEol) out += eol;
  }
  return out;
}

TEST(Descriptor, FixedLinesFillTheirFields) {
  TempDir dir;
  WriteFile(dir / "info.txt", Descriptor({}));
  UpdateSession s;
  ASSERT_EQ(LoadDescriptor(s, dir.path()), 1);
  EXPECT_EQ(s.m_uninstallKeys[0], "見積原価システム");
  EXPECT_EQ(s.m_uninstallKeys[2], "Key3");
  EXPECT_EQ(s.m_uninstallKeys[14], "");
  EXPECT_EQ(s.m_targetFolder, "D:\\APP");
  EXPECT_EQ(s.m_masterAdjust, "1");
  EXPECT_EQ(s.m_settingsFile, "morefa1.ini");
  EXPECT_EQ(s.m_category, "5");
  EXPECT_EQ(s.m_versionText, "9.1S");
  EXPECT_EQ(s.m_viewBitmap, "back.bmp");
  EXPECT_EQ(s.m_notesBitmap, "notes.bmp");
  EXPECT_EQ(s.m_targetBitmap, "target.bmp");
  EXPECT_EQ(s.m_confirmBitmap, "confirm.bmp");
  EXPECT_EQ(s.m_notesText, "one\r\ntwo");
  EXPECT_EQ(s.m_targetText, "表示\r\nソ");
  EXPECT_EQ(s.m_titlePatterns[0], "pattern1");
  EXPECT_EQ(s.m_titlePatterns[14], "pattern15");
  EXPECT_EQ(s.m_recordCount, 0);
  EXPECT_EQ(s.m_recordFault, RecordFault::None);
}

TEST(Descriptor, Records) {
  struct Case {
    const char* what;
    std::vector<std::string> records;
    const char* eol;
    bool finalEol;
    int count;
    RecordFault fault;
    int faultyLine;
  } cases[] = {
      {"CR LF", {"1,1,data1,master\\", "3,2,Setup.ini,sub\\"}, "\r\n", true, 2, RecordFault::None, 0},
      {"LF", {"1,1,data1,master\\", "3,2,Setup.ini,sub\\"}, "\n", true, 2, RecordFault::None, 0},
      {"no final line end", {"1,1,data1,master\\", "3,2,Setup.ini,sub\\"}, "\r\n", false, 2, RecordFault::None, 0},
      {"empty line in the middle", {"1,1,A,a\\", "", "1,1,B,b\\"}, "\r\n", true, 3, RecordFault::MissingField, 44},
      {"three fields", {"1,1,A"}, "\r\n", true, 1, RecordFault::MissingField, 43},
      {"empty name", {"1,1,,a\\"}, "\r\n", true, 1, RecordFault::MissingField, 43},
      {"empty subfolder", {"1,1,A,"}, "\r\n", true, 1, RecordFault::MissingField, 43},
      {"32-byte name", {"1,1," + std::string(32, 'N') + ",a\\"}, "\r\n", true, 1, RecordFault::FieldTooLong, 43},
      {"31-byte name", {"1,1," + std::string(31, 'N') + ",a\\"}, "\r\n", true, 1, RecordFault::None, 0},
      {"fourth comma ends the subfolder", {"1,1,A,sub\\,x"}, "\r\n", true, 1, RecordFault::None, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "info.txt", Descriptor(c.records, c.eol, c.finalEol));
    UpdateSession s;
    ASSERT_EQ(LoadDescriptor(s, dir.path()), 1);
    EXPECT_EQ(s.m_recordCount, c.count);
    EXPECT_EQ(s.m_recordFault, c.fault);
    EXPECT_EQ(s.m_faultyLine, c.faultyLine);
  }
}

TEST(Descriptor, RecordPathsStayInsideTheirFolders) {
  const RecordFault inside = RecordFault::None;
  const RecordFault sub = RecordFault::SubfolderOutside;
  const RecordFault name = RecordFault::NameOutside;
  struct Row {
    const char* line;
    RecordFault fault;
  } rows[] = {
      {"1,1,A,..\\", sub},
      {"1,2,F.TXT,..\\sibling\\", sub},
      {"1,1,A,a\\..\\..\\", sub},
      {"1,1,A,a/../", sub},
      {"1,1,A,\\x\\", sub},
      {"1,1,A,/x/", sub},
      {"1,1,A,C:\\x\\", sub},
      {"1,1,A,C:x\\", sub},
      {"1,1,A,.. \\", sub},  // Windows drops the blank: still ".."
      {"1,1,A,...\\", sub},
      {"1,2,..\\F.TXT,a\\", name},
      {"1,1,\\A,a\\", name},
      {"1,1,D:A,a\\", name},
      {"1,1,A,a\\", inside},
      {"1,1,A,.\\", inside},
      {"1,1,A,..a\\b..\\", inside},
      {"1,1,A,表\\ソ\\", inside},  // trail bytes 0x5C are not separators
      {"1,2,SUB\\F.TXT,a\\", inside},
      {"1,1,A,..", sub},  // without its final separator too
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.line);
    EXPECT_EQ(SplitRecordLine(r.line).fault, r.fault);
  }
}

TEST(Descriptor, RecordFieldsAreConvertedAndUpperCased) {
  TempDir dir;
  WriteFile(dir / "info.txt",
            Descriptor({"3,2,Setup.ini,sub\\", " 2,1,start,Master\\", "x,-1,表示a,表示\\", "1,1,A,sub\\,x"}));
  UpdateSession s;
  ASSERT_EQ(LoadDescriptor(s, dir.path()), 1);
  ASSERT_EQ(s.m_recordCount, 4);
  EXPECT_EQ(s.m_diskNumbers[0], 3);
  EXPECT_EQ(s.m_recordKinds[0], 2);
  EXPECT_EQ(s.m_archiveNames[0], "SETUP.INI");
  EXPECT_EQ(s.m_subFolders[0], "sub\\");
  EXPECT_EQ(s.m_diskNumbers[1], 2);
  EXPECT_EQ(s.m_archiveNames[1], "START");
  EXPECT_EQ(s.m_subFolders[1], "Master\\");  // the subfolder keeps its case
  EXPECT_EQ(s.m_diskNumbers[2], 0);
  EXPECT_EQ(s.m_recordKinds[2], -1);
  EXPECT_EQ(s.m_archiveNames[2], "表示A");
  EXPECT_EQ(s.m_subFolders[2], "表示\\");
  EXPECT_EQ(s.m_subFolders[3], "sub\\");
  // The record view: kind 1 is an archive, any other number a file.
  EXPECT_TRUE(s.RecordAt(1).IsArchive());
  EXPECT_EQ(s.RecordAt(2).kind, RecordKind::File);
  EXPECT_EQ(s.RecordAt(2).kindNumber, -1);
  EXPECT_EQ(&s.RecordAt(2).name, &s.m_archiveNames[2]);
}

TEST(Descriptor, AHundredAndFirstRecordIsFaultyAndNotStored) {
  std::vector<std::string> records(101, "1,1,A,a\\");
  TempDir dir;
  WriteFile(dir / "info.txt", Descriptor(records));
  UpdateSession s;
  ASSERT_EQ(LoadDescriptor(s, dir.path()), 1);
  EXPECT_EQ(s.m_recordCount, 100);
  EXPECT_EQ(s.m_recordFault, RecordFault::TooManyRecords);
  EXPECT_EQ(s.m_faultyLine, 143);
  records.pop_back();
  WriteFile(dir / "info.txt", Descriptor(records));
  UpdateSession t;
  ASSERT_EQ(LoadDescriptor(t, dir.path()), 1);
  EXPECT_EQ(t.m_recordCount, 100);
  EXPECT_EQ(t.m_recordFault, RecordFault::None);
}

TEST(Descriptor, ShortOrMissingFile) {
  TempDir dir;
  UpdateSession s;
  s.m_targetFolder = "kept";
  EXPECT_EQ(LoadDescriptor(s, dir.path()), 0);
  EXPECT_EQ(s.m_targetFolder, "kept");
  EXPECT_EQ(s.m_recordCount, 0);
  WriteFile(dir / "info.txt", "only\r\ntwo lines\r\n");
  EXPECT_EQ(LoadDescriptor(s, dir.path()), 1);
  EXPECT_EQ(s.m_uninstallKeys[1], "two lines");
  EXPECT_EQ(s.m_targetFolder, "");
  EXPECT_EQ(s.m_recordCount, 0);
}

TEST(LineBreaks, TabAndFillerBecomeCrLf) {
  std::string tabs101;
  for (int i = 0; i < 101; ++i) tabs101 += "\t_";
  std::string expected101;
  for (int i = 0; i < 100; ++i) expected101 += "\r\n";
  expected101 += "\t_";
  struct Row {
    const char* what;
    std::string in, out;
  } rows[] = {
      {"one break", "one\t_two", "one\r\ntwo"},
      {"no tab", "plain", "plain"},
      {"101 tabs keep the last", tabs101, expected101},
      {"tab at the very end", "end\t", "end\r\n"},
      {"double-byte filler replaced whole", "a\t表b", "a\r\nb"},
      {"two tabs in a row", "a\t\tb", "a\r\nb"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::string s = r.in;
    RestoreLineBreaks(s);
    EXPECT_EQ(s, r.out);
  }
}

TEST(SourceDir, FromExecutablePath) {
  std::string longDir = "D:\\" + std::string(100, 'x') + "\\表示\\";
  struct Row {
    std::string exe, dir;
  } rows[] = {
      {"D:\\UPD\\Brelix.exe", "D:\\UPD\\"},
      {"D:\\Brelix.exe", "D:"},
      {"\\\\server\\share\\upd\\Brelix.exe", "\\\\server\\share\\upd\\"},
      {"A:\\表示\\Brelix.exe", "A:\\表示\\"},
      {longDir + "Brelix.exe", longDir},
      {"/media/cdrom/brelix-cli", "/media/cdrom/"},
      // Wine reports a program started from a share without its leading two backslashes.
      {"UNC\\srv\\share\\表\\Brelix.exe", "\\\\srv\\share\\表\\"},
      {"unc\\srv\\share\\Brelix.exe", "\\\\srv\\share\\"},
      {"UNCLE\\Brelix.exe", "UNCLE\\"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.exe);
    EXPECT_EQ(SourceDirFromExecutable(r.exe), r.dir);
  }
}

}  // namespace
