#include "pack/pack.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/update_session.h"
#include "os/os.h"
#include "tests/support/temp_dir.h"
#include "text/convert.h"

namespace {

using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string TinyBitmap() {
  std::string b = "BM";
  auto put = [&b](unsigned v, int n) {
    for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(14 + 40 + 16, 4), put(0, 4), put(14 + 40, 4);
  put(40, 4), put(2, 4), put(2, 4), put(1, 2), put(24, 2), put(0, 4), put(16, 4), put(2835, 4), put(2835, 4);
  put(0, 4), put(0, 4);
  return b + std::string(16, '\x7F');
}

// Bytes no compressor shrinks.
std::string Noise(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// medium.ini of a small valid source; `records` replaces its record sections.
std::string Ini(const std::string& records) {
  return "[medium]\n"                       // 1
         "key=見積原価システム テスト\n"     // 2
         "folder=C:\\ESTIMATE\n"            // 3
         "master-adjust=0\n"                // 4
         "settings=morefa1.ini\n"           // 5
         "category=1\n"                     // 6
         "version=9.1S\n"                   // 7
         "picture.main=back.bmp\n"          // 8
         "[notes]\n"                        // 9
         "line=一行目\n"                     // 10
         "line=二行目\n"                     // 11
         "[titles]\n"                       // 12
         "1=見積原価システム 8.0S\n"         // 13
         "2=見積原価システム 予備\n"          // 14
         "3=見積原価システム 予備3\n"         // 15
         + std::string(records);             // 16...
}

const char kRecords[] =
    "[archive PROG]\n"  // 16
    "folder=prog\n"     // 17
    "into=prog\\\n"     // 18
    "[file readme.txt]\n"
    "into=doc\\\n";

struct Source {
  TempDir dir;
  std::string src = dir / "src\\";
  std::string out = dir / "out";
  explicit Source(const std::string& ini) {
    MakeFolders(src + "prog");
    // The author's file is UTF-8; the test's literals are code page 932.
    WriteFile(src + "medium.ini", text::Cp932ToUtf8(ini));
    WriteFile(src + "back.bmp", TinyBitmap());
    WriteFile(src + "prog\\MITSUMO.TXT", "本体\r\n");
    WriteFile(src + "readme.txt", "read me\r\n");
  }
};

pack::Options NoExe(pack::Media media) {
  pack::Options o;
  o.media = media;
  return o;
}

TEST(Pack, RulesAreCheckedBeforeAnythingIsWritten) {
  std::string longInto = std::string(32, 'd') + "\\";
  std::string manyFiles;
  for (int i = 0; i < 101; ++i) manyFiles += "[file readme.txt]\ninto=doc" + std::to_string(i) + "\\\n";
  struct Row {
    const char* what;
    std::string ini;
    std::function<void(Source&)> prepare;
    pack::Media media;
    std::string where;
    std::string message;  // part of the English text
  };
  const std::vector<Row> rows = {
      {"subfolder over 31 bytes", Ini("[archive PROG]\nfolder=prog\ninto=" + longInto + "\n"), nullptr,
       pack::Media::Folder, "medium.ini:16", "longer than 31 bytes"},
      {"archive name over 31 bytes", Ini("[archive " + std::string(32, 'P') + "]\nfolder=prog\ninto=p\\\n"), nullptr,
       pack::Media::Folder, "medium.ini:16", "longer than 31 bytes"},
      {"101 records", Ini(manyFiles), nullptr, pack::Media::Folder, "medium.ini:216", "at most 100 records"},
      {"text code page 932 cannot hold", Ini(kRecords),
       [](Source& s) {
         WriteFile(s.src + "medium.ini", ReadFile(s.src + "medium.ini") + "[target-text]\nline=caf\xC3\xA9 \xF0\x9F\x98\x80\n");
       },
       pack::Media::Folder, "medium.ini:22", "code page 932"},
      {"subfolder climbing out", Ini("[file readme.txt]\ninto=..\\other\\\n"), nullptr, pack::Media::Folder,
       "medium.ini:16", "leads out of the installation folder"},
      {"subfolder naming a drive", Ini("[file readme.txt]\ninto=C:\\x\\\n"), nullptr, pack::Media::Folder,
       "medium.ini:16", "leads out of the installation folder"},
      {"START without variants", Ini("[archive START]\ninto=prog\\\n"), nullptr, pack::Media::Folder, "medium.ini:16",
       "no folder for version(s) 1, 2, 3, 4"},
      {"START missing one variant", Ini("[archive START]\nfolder.1=prog\nfolder.2=prog\nfolder.3=prog\ninto=prog\\\n"),
       nullptr, pack::Media::Folder, "medium.ini:16", "version(s) 4;"},
      {"picture the wizard cannot draw", Ini(kRecords), [](Source& s) { WriteFile(s.src + "back.bmp", "\x89PNG not a bitmap at all"); },
       pack::Media::Folder, "medium.ini:8", "no BMP file"},
      {"file larger than a floppy", Ini("[file big.bin]\ninto=doc\\\n"),
       [](Source& s) { WriteFile(s.src + "big.bin", Noise(pack::kFloppyBytes + 1, 1)); }, pack::Media::Floppy,
       "medium.ini:16", "does not fit on one floppy"},
      {"START larger than a floppy", Ini("[archive START]\nfolder=big\ninto=prog\\\n"),
       [](Source& s) {
         MakeFolders(s.src + "big");
         WriteFile(s.src + "big\\a.bin", Noise(400000, 2));
       },
       pack::Media::Floppy, "medium.ini:16", "cannot be split"},
      {"missing archive folder", Ini("[archive DATA]\nfolder=nowhere\ninto=data\\\n"), nullptr, pack::Media::Folder,
       "medium.ini:17", "the folder nowhere is missing"},
      {"missing single file", Ini("[file gone.txt]\ninto=doc\\\n"), nullptr, pack::Media::Folder, "medium.ini:16",
       "the file gone.txt is missing"},
      {"unknown section", Ini(kRecords) + "[titles2]\n", nullptr, pack::Media::Folder, "medium.ini:21",
       "unknown section"},
      {"section given twice", Ini("") + "[titles]\n", nullptr, pack::Media::Folder, "medium.ini:16",
       "appears twice"},
      {"unknown key", Ini(kRecords) + "[archive X]\nfolder=prog\ninto=x\\\ndisk=2\n", nullptr, pack::Media::Folder,
       "medium.ini:24", "unknown key"},
      {"character no file name holds", Ini("[file a*b.txt]\ninto=doc\\\n"), nullptr, pack::Media::Folder,
       "medium.ini:16", "takes neither folder nor"},
      {"comma in a name", Ini("[file a,b.txt]\ninto=doc\\\n"), nullptr, pack::Media::Folder, "medium.ini:16", "comma"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Source s(row.ini);
    if (row.prepare) row.prepare(s);
    pack::Outcome o = pack::Pack(s.src, s.out, NoExe(row.media));
    ASSERT_FALSE(o.Ok());
    bool found = false;
    for (const pack::Problem& p : o.problems) {
      found = found || (p.Where() == row.where && p.en.find(row.message) != std::string::npos);
    }
    if (!found) {
      for (const pack::Problem& p : o.problems) ADD_FAILURE() << p.Where() << ": " << p.en;
    }
    EXPECT_TRUE(found) << row.where << " " << row.message;
    EXPECT_FALSE(os::Exists(s.out));
    EXPECT_FALSE(os::Exists(s.out + ".pack1"));
    EXPECT_FALSE(os::Exists(s.out + ".pack1.tmp"));
  }
}

TEST(Pack, TitlePatternLongerThanATitleIsRefused) {
  Source s(Ini(kRecords));
  std::string ini = Ini(kRecords);
  ini.replace(ini.find("2=見積原価システム 予備"), std::string("2=見積原価システム 予備").size(), "2=" + std::string(100, 'x'));
  WriteFile(s.src + "medium.ini", text::Cp932ToUtf8(ini));
  pack::Outcome o = pack::Pack(s.src, s.out, NoExe(pack::Media::Folder));
  ASSERT_EQ(o.problems.size(), 1u);
  EXPECT_EQ(o.problems[0].Where(), "medium.ini:14");
}

TEST(Pack, NonEmptyOutputIsKeptUnlessForced) {
  Source s(Ini(kRecords));
  MakeFolders(s.out);
  WriteFile(s.out + "\\keep.txt", "mine");
  pack::Outcome o = pack::Pack(s.src, s.out, NoExe(pack::Media::Folder));
  EXPECT_FALSE(o.Ok());
  EXPECT_EQ(ReadFile(s.out + "\\keep.txt"), "mine");
  pack::Options force = NoExe(pack::Media::Folder);
  force.force = true;
  o = pack::Pack(s.src, s.out, force);
  ASSERT_TRUE(o.Ok()) << (o.problems.empty() ? "" : o.problems[0].en);
  EXPECT_FALSE(os::Exists(s.out + "\\keep.txt"));
  EXPECT_TRUE(os::Exists(s.out + "\\PROG.lzh"));
}

// A folder larger than a floppy becomes one archive per disk with the same
// destination; records follow the disks in order and every disk fits.
TEST(Pack, FloppyLayoutSplitsALargeFolder) {
  Source s(Ini("[archive PROG]\nfolder=prog\ninto=prog\\\n"
               "[archive BIG]\nfolder=big\ninto=data\\\n"
               "[file readme.txt]\ninto=doc\\\n"));
  MakeFolders(s.src + "big");
  for (int i = 0; i < 4; ++i) WriteFile(s.src + "big\\part" + std::to_string(i) + ".bin", Noise(500000, 10 + i));
  pack::Outcome o = pack::Pack(s.src, s.out, NoExe(pack::Media::Floppy));
  ASSERT_TRUE(o.Ok()) << (o.problems.empty() ? "" : o.problems[0].en);
  EXPECT_EQ(o.report.Count(check::Severity::Error), 0);
  ASSERT_EQ(o.disks.size(), 2u);
  for (const pack::Disk& d : o.disks) {
    SCOPED_TRACE(d.folder);
    EXPECT_LE(d.occupied, pack::kFloppyBytes);
    EXPECT_LE(d.entries, pack::kFloppyRootEntries - 1);
  }
  UpdateSession session;
  ASSERT_EQ(LoadDescriptor(session, s.out + "\\disk1\\"), 1);
  ASSERT_EQ(session.m_recordCount, 4);
  const struct {
    int disk;
    const char* name;
    const char* into;
  } expected[] = {{1, "PROG", "prog\\"}, {1, "BIG", "data\\"}, {2, "BIG_2", "data\\"}, {2, "README.TXT", "doc\\"}};
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(session.m_diskNumbers[k], expected[k].disk);
    EXPECT_EQ(session.m_archiveNames[k], expected[k].name);
    EXPECT_EQ(session.m_subFolders[k], expected[k].into);
  }
  EXPECT_TRUE(os::Exists(s.out + "\\disk1\\BIG.lzh"));
  EXPECT_TRUE(os::Exists(s.out + "\\disk2\\BIG_2.lzh"));
  EXPECT_TRUE(os::Exists(s.out + "\\disk2\\readme.txt"));
}

TEST(Pack, DirectoryEntriesCountLongNameParts) {
  EXPECT_EQ(pack::DirectoryEntries("info.txt"), 2);
  EXPECT_EQ(pack::DirectoryEntries("abcdefghijklm"), 2);
  EXPECT_EQ(pack::DirectoryEntries("abcdefghijklmn"), 3);
  EXPECT_EQ(pack::DirectoryEntries("横K-R7q.xlsm"), 2);
}

}  // namespace
