#include <gtest/gtest.h>

#include <algorithm>

#include "os/archive_io.h"
#include "os/os.h"
#include "os/targets_io.h"
#include "os/test_hooks.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#endif

namespace {

using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(Paths, TrailByte5CInFolderNames) {
  TempDir dir;
  ASSERT_TRUE(os::MakeFolder(dir / "表示"));
  ASSERT_TRUE(os::MakeFolder(dir / "表示\\ソフト"));
  WriteFile(dir / "表示\\ソフト\\能.txt", "x");
  EXPECT_TRUE(os::Exists(dir / "表示\\ソフト\\能.txt"));
  EXPECT_TRUE(os::Exists(dir / "表示\\\\ソフト\\\\能.txt"));  // doubled separators count as one
  EXPECT_TRUE(os::IsDirectory(dir / "表示\\ソフト\\"));
  EXPECT_FALSE(os::Exists(dir / "表示\\ソ"));
  EXPECT_FALSE(os::MakeFolder(dir / "表示"));  // exists already
  EXPECT_FALSE(os::MakeFolder(dir / "a\\b"));  // one level only
}

TEST(Paths, FileNamedInAnotherCaseIsFound) {
  TempDir dir;
  ASSERT_TRUE(os::MakeFolder(dir / "Bmp"));
  WriteFile(dir / "Bmp\\VOSKE2L.BMP", "b");
  WriteFile(dir / "MoreFa1.INI", "[S]\r\nk=v\r\n");
  EXPECT_TRUE(os::Exists(dir / "morefa1.ini"));
  EXPECT_TRUE(os::Exists(dir / "\\bmp\\voske2l.bmp"));
  EXPECT_EQ(ReadFile(dir / "MOREFA1.INI"), "[S]\r\nk=v\r\n");
  EXPECT_EQ(os::GetProfileValue("s", "K", "", 10, dir / "morefa1.ini"), "v");
}

TEST(Files, LineReaderSplitsAsTextMode) {
  struct Case {
    const char* what;
    std::string content;
    std::vector<std::string> lines;
  } cases[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"LF", "a\nb\n", {"a", "b"}},
      {"no final line end", "a\r\nb", {"a", "b"}},
      {"empty lines kept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"empty file", "", {}},
      {"blanks kept", "  a \t\r\n", {"  a \t"}},
      {"double-byte text", "表示\\\r\nソ\n", {"表示\\", "ソ"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "f.txt", c.content);
    os::LineReader r;
    ASSERT_TRUE(r.Open(dir / "f.txt"));
    std::vector<std::string> got;
    std::string line;
    while (r.ReadLine(line)) got.push_back(line);
    EXPECT_EQ(got, c.lines);
  }
  os::LineReader missing;
  TempDir dir;
  EXPECT_FALSE(missing.Open(dir / "none.txt"));
  EXPECT_EQ(os::LastError(), os::Error::NotFound);
}

TEST(Files, WildcardListing) {
  TempDir dir;
  for (const char* name : {"pok001-3.mst", "POK002-3.MST", "pok01-3.mst", "pok表01-3.mst", "pok0001-3.mst",
                           "temp.mst", "xpok001-3.mst"}) {
    WriteFile(dir / name, "");
  }
  ASSERT_TRUE(os::MakeFolder(dir / "pok003-3.mst"));
  std::vector<os::FindEntry> found = os::FindFiles(dir / "pok???-3.mst");
  std::vector<std::string> files, folders;
  for (const auto& e : found) (e.directory ? folders : files).push_back(e.name);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"POK002-3.MST", "pok001-3.mst", "pok表01-3.mst"}));
  EXPECT_EQ(folders, std::vector<std::string>{"pok003-3.mst"});
  EXPECT_EQ(os::FindFiles(dir / "pok???-3.mst", 2).size(), 2u);
  EXPECT_TRUE(os::FindFiles(dir / "none\\*.*").empty());
}

TEST(Files, CopyReplaceAndAttributes) {
  TempDir dir;
  WriteFile(dir / "src.txt", "new");
  WriteFile(dir / "dst.txt", "old");
  ASSERT_TRUE(os::CopyFileReplace(dir / "src.txt", dir / "dst.txt"));
  EXPECT_EQ(ReadFile(dir / "dst.txt"), "new");
  ASSERT_TRUE(os::SetAttributes(dir / "dst.txt", os::kAttrReadOnly));
  std::uint32_t attrs = 0;
  ASSERT_TRUE(os::GetAttributes(dir / "dst.txt", attrs));
  EXPECT_TRUE(attrs & os::kAttrReadOnly);
  if (!testing_support::ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
  EXPECT_FALSE(os::CopyFileReplace(dir / "src.txt", dir / "dst.txt"));  // read-only target
  EXPECT_FALSE(os::RemoveFile(dir / "dst.txt"));
  ASSERT_TRUE(os::SetAttributes(dir / "dst.txt", 0));
  ASSERT_TRUE(os::GetAttributes(dir / "dst.txt", attrs));
  EXPECT_FALSE(attrs & os::kAttrReadOnly);
  EXPECT_FALSE(os::CopyFileReplace(dir / "none.txt", dir / "dst.txt"));
  EXPECT_EQ(os::LastError(), os::Error::NotFound);
}

TEST(Files, ReplaceMovesInOneStep) {
  TempDir dir;
  WriteFile(dir / "temp.mst", "converted");
  WriteFile(dir / "pok001-3.mst", "original");
  ASSERT_TRUE(os::SetAttributes(dir / "pok001-3.mst", os::kAttrReadOnly));
  if (!testing_support::ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
  EXPECT_FALSE(os::MoveReplace(dir / "temp.mst", dir / "pok001-3.mst"));
  EXPECT_EQ(ReadFile(dir / "pok001-3.mst"), "original");
  EXPECT_TRUE(os::MoveReplace(dir / "temp.mst", dir / "pok001-3.mst", true));
  EXPECT_EQ(ReadFile(dir / "pok001-3.mst"), "converted");
  EXPECT_FALSE(os::Exists(dir / "temp.mst"));
}

TEST(Files, LastWriteDateInUtc) {
  TempDir dir;
  WriteFile(dir / "t.xlsm", "x");
  struct Row {
    int y, m, d, h;
  } rows[] = {{2020, 1, 1, 0}, {2021, 12, 31, 23}, {2022, 2, 5, 12}, {2023, 6, 1, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.y * 10000 + r.m * 100 + r.d);
    ASSERT_TRUE(os::SetLastWriteTime(dir / "t.xlsm", r.y, r.m, r.d, r.h));
    os::Date date;
    ASSERT_TRUE(os::LastWriteDateExclusive(dir / "t.xlsm", date));
    EXPECT_EQ(date.year, r.y);
    EXPECT_EQ(date.month, r.m);
    EXPECT_EQ(date.day, r.d);
  }
  os::Date date;
  EXPECT_FALSE(os::LastWriteDateExclusive(dir / "none.xlsm", date));
}

TEST(Files, ExclusiveOpenFailsWhileHeld) {
  TempDir dir;
  WriteFile(dir / "held.xlsm", "x");
  os::InputFile holder;
  ASSERT_TRUE(holder.Open(dir / "held.xlsm", true));
  os::Date date;
  EXPECT_FALSE(os::LastWriteDateExclusive(dir / "held.xlsm", date));
  holder.Close();
  EXPECT_TRUE(os::LastWriteDateExclusive(dir / "held.xlsm", date));
}

#ifndef _WIN32
TEST(Faults, NthOperationFailsWithTheChosenError) {
  TempDir dir;
  os::ClearFaults();
  os::InjectFault(os::Op::Create, 2, os::Error::DiskFull);
  os::OutputFile a, b, c;
  EXPECT_TRUE(a.Create(dir / "a"));
  EXPECT_FALSE(b.Create(dir / "b"));
  EXPECT_EQ(os::LastError(), os::Error::DiskFull);
  EXPECT_TRUE(c.Create(dir / "c"));
  EXPECT_EQ(os::OperationCount(os::Op::Create), 3);
  os::ClearFaults();
}

// Every file the run creates gets the permissions umask gives; a file it
// replaces keeps its own (only the read-only attribute travels with a copy).
TEST(Files, PermissionsComeFromUmaskOrTheReplacedFile) {
  struct Case {
    const char* what;
    mode_t before;  // 0: the target "f" does not exist yet
    std::function<bool(const TempDir&)> make;
    mode_t after;
  } cases[] = {
      {"new settings file", 0, [](const TempDir& d) { return os::SetProfileValue("S", "k", "v", d / "f"); }, 0600},
      {"replaced settings file", 0644,
       [](const TempDir& d) { return os::SetProfileValue("S", "k", "v", d / "f"); }, 0644},
      {"new copy", 0, [](const TempDir& d) { return os::CopyFileReplace(d / "src", d / "f"); }, 0600},
      {"replaced by a copy", 0640, [](const TempDir& d) { return os::CopyFileReplace(d / "src", d / "f"); }, 0640},
      {"replaced by a move", 0644, [](const TempDir& d) { return os::MoveReplace(d / "src", d / "f"); }, 0644},
      {"new output file", 0,
       [](const TempDir& d) {
         os::OutputFile f;
         return f.Create(d / "f") && f.Close();
       },
       0600},
      {"new master temporary file", 0,
       [](const TempDir& d) {
         os::NamedOutputFile f;
         return f.Create(d.path(), "f") && f.Close();
       },
       0600},
      {"new extracted file", 0,
       [](const TempDir& d) {
         os::ExtractFolder folder;
         os::FolderFile f;
         return folder.Open(d.path()) && folder.CreateNew("f", f) && f.Close();
       },
       0600},
      {"replaced by an extracted file", 0640,
       [](const TempDir& d) {
         os::ExtractFolder folder;
         os::FolderFile f;
         return folder.Open(d.path()) && folder.CreateNew("t", f) && f.Close() && folder.Rename("f", "b") &&
                folder.Rename("t", "f") && folder.Remove("b");
       },
       0640},
      {"extracted file renamed over the old one", 0444,
       [](const TempDir& d) {
         os::ExtractFolder folder;
         os::FolderFile f;
         return folder.Open(d.path()) && folder.CreateNew("t", f) && f.Close() && folder.Rename("t", "f");
       },
       0644},
  };
  mode_t saved = ::umask(077);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteFile(dir / "src", "[S]\r\nk=1\r\n");
    ::chmod((dir / "src").c_str(), 0666);
    if (c.before) {
      WriteFile(dir / "f", "old");
      ::chmod((dir / "f").c_str(), c.before);
    }
    ASSERT_TRUE(c.make(dir));
    struct stat st;
    ASSERT_EQ(::stat((dir / "f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.after);
  }
  ::umask(saved);
}

// A FIFO or a device where a file is expected fails at once, as an unreadable
// file does; none of these calls may wait for a writer or read without end.
TEST(Files, FifoOrDeviceIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(dir / "plain", "[S]\r\nk=1\r\n");
  ::alarm(20);  // a regression hangs; end it rather than the test run
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(os::GetProfileValue("S", "k", "none", 10, path), "none");
    os::InputFile in;
    EXPECT_FALSE(in.Open(path));
    EXPECT_EQ(os::LastError(), os::Error::AccessDenied);
    os::LineReader lines;
    EXPECT_FALSE(lines.Open(path));
    EXPECT_EQ(os::LastError(), os::Error::AccessDenied);
    EXPECT_FALSE(os::CopyFileReplace(path, dir / "copy"));
    EXPECT_EQ(os::LastError(), os::Error::AccessDenied);
    os::Date date;
    EXPECT_FALSE(os::LastWriteDateExclusive(path, date));
  }
  EXPECT_FALSE(os::SetProfileValue("S", "k", "2", fifo));
  EXPECT_EQ(os::LastError(), os::Error::AccessDenied);
  EXPECT_FALSE(os::CopyFileReplace(dir / "plain", fifo));
  EXPECT_EQ(os::LastError(), os::Error::AccessDenied);
  os::OutputFile out;
  EXPECT_FALSE(out.Create(fifo));
  os::NamedOutputFile named;
  EXPECT_FALSE(named.Create(dir.path(), "fifo"));
  ::alarm(0);
  struct stat st;
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
#endif

}  // namespace
