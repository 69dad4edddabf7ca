// The medium checker over a table of faulty media: each row spoils a clean
// medium in one way and lists every warning and error the checker must give
// (code and descriptor line, or code and file), no more and no fewer.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "check/medium_check.h"
#include "engine/archive_component.h"
#include "os/os.h"
#include "tests/lzh/lzh_support.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::MakeFolders;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Archive(const std::vector<std::pair<std::string, std::string>>& members) {
  std::vector<lzhtest::HandMember> hand;
  for (const auto& m : members) hand.push_back(lzhtest::Stored(m.first, m.second));
  return lzhtest::BuildArchive(hand);
}

// A 2 x 2 picture of 24 bits.
std::string Bitmap() {
  std::string b = "BM";
  lzhtest::Put32(b, 14 + 40 + 16);
  lzhtest::Put32(b, 0);
  lzhtest::Put32(b, 14 + 40);
  lzhtest::Put32(b, 40);
  lzhtest::Put32(b, 2);
  lzhtest::Put32(b, 2);
  lzhtest::Put16(b, 1);
  lzhtest::Put16(b, 24);
  for (int i = 0; i < 6; ++i) lzhtest::Put32(b, 0);
  return b + std::string(16, '\x40');
}

const char kTemplate[] = "横K-R7q.xlsm";

// A medium as data: the descriptor's lines and the files beside it, by path
// relative to the medium's folder.
struct Medium {
  std::vector<std::string> lines;
  std::map<std::string, std::string> files;
  std::string infoFolder;  // "" or "disk1\\"

  std::string& Line(int n) {
    if (static_cast<int>(lines.size()) < n) lines.resize(static_cast<std::size_t>(n));
    return lines[static_cast<std::size_t>(n - 1)];
  }
  // Moves every file to the folder of its disk: `disks` maps a file to a
  // disk other than 1.
  void PerDisk(const std::map<std::string, int>& disks) {
    std::map<std::string, std::string> moved;
    for (const auto& f : files) {
      auto d = disks.find(f.first);
      moved["disk" + std::to_string(d == disks.end() ? 1 : d->second) + "\\" + f.first] = f.second;
    }
    files = moved;
    infoFolder = "disk1\\";
  }
};

Medium CleanMedium() {
  Medium m;
  m.Line(1) = "見積原価システム";
  m.Line(16) = "C:\\ESTIMATE";
  m.Line(18) = "1";
  m.Line(19) = "morefa1.ini";
  m.Line(20) = "5";
  m.Line(21) = "9.1S";
  m.Line(22) = "back.bmp";
  m.Line(23) = "notes.bmp";
  m.Line(24) = "target.bmp";
  m.Line(25) = "confirm.bmp";
  m.Line(26) = "一行目\t_二行目";
  m.Line(27) = "フォルダを選んでください。";
  for (int i = 1; i <= 15; ++i) m.Line(27 + i) = "見積原価 " + std::to_string(i) + ".0S";
  m.Line(43) = "1,1,PROG,prog\\";
  m.Line(44) = "1,1,start,prog\\";
  m.Line(45) = "1,2,readme.txt,doc\\";
  m.Line(46) = "2,1,EXCEL,形式\\";
  for (const char* bmp : {"back.bmp", "notes.bmp", "target.bmp", "confirm.bmp"}) m.files[bmp] = Bitmap();
  m.files["PROG.lzh"] = Archive({{"tool.exe", "new tool"}, {"PROG.INI", "[P]\r\n"}});
  for (int i = 1; i <= 15; ++i) m.files["START" + std::to_string(i) + ".lzh"] = Archive({{"START.TXT", "start"}});
  m.files["readme.txt"] = "read me\r\n";
  m.files["EXCEL.lzh"] = Archive({{kTemplate, "template"}});
  return m;
}

std::string Sep() { return testing_support::kWindows ? "\\" : "/"; }

// Writes the medium under `dir` (ending with a separator); `\\` in the
// relative paths becomes the platform's separator.
void Write(const Medium& m, const std::string& dir) {
  auto native = [](std::string p) {
    std::replace(p.begin(), p.end(), '\\', Sep()[0]);
    return p;
  };
  std::string info;
  for (const std::string& l : m.lines) info += l + "\r\n";
  MakeFolders(dir + native(m.infoFolder));
  WriteFile(dir + native(m.infoFolder) + "info.txt", info);
  for (const auto& f : m.files) {
    std::string path = dir + native(f.first);
    std::size_t cut = path.find_last_of(Sep());
    MakeFolders(path.substr(0, cut));
    WriteFile(path, f.second);
  }
}

// "code@line" for descriptor findings, "code@file" for the others; info
// findings left out.
std::vector<std::string> Problems(const check::Report& r) {
  std::vector<std::string> out;
  for (const check::Finding& f : r.findings) {
    if (f.severity == check::Severity::Info) continue;
    out.push_back(f.code + "@" + (f.line > 0 ? std::to_string(f.line) : f.file));
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct Row {
  const char* name;
  std::function<void(Medium&)> spoil;
  std::vector<std::string> expected;
};

std::string Join(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += "  " + x + "\n";
  return s;
}

TEST(MediumCheck, CleanMediumHasNoFindingsButItsPictures) {
  TempDir dir;
  Write(CleanMedium(), dir.path());
  check::Report r = check::CheckMedium(dir.path());
  EXPECT_EQ(Problems(r), std::vector<std::string>{});
  EXPECT_EQ(r.ExitStatus(), 0);
  ASSERT_EQ(r.Count(check::Severity::Info), 4);
  EXPECT_EQ(r.findings[0].code, "picture.ok");
  EXPECT_EQ(r.findings[0].Where(), "back.bmp");
  EXPECT_NE(r.findings[0].messageEn.find("2x2, 24 bits"), std::string::npos) << r.findings[0].messageEn;
}

TEST(MediumCheck, FaultyMedia) {
  const std::vector<Row> rows = {
      {"descriptor shorter than 42 lines", [](Medium& m) { m.lines.resize(30); },
       {"descriptor.short@info.txt", "title.empty-pattern@31"}},
      {"faulty records, each reported",
       [](Medium& m) {
         m.Line(47) = "1,1,PROG";
         m.Line(48) = "1,2,readme.txt," + std::string(32, 'x') + "\\";
         m.Line(49) = "";
         m.Line(50) = "1,1,,prog\\";
       },
       {"record.missing-field@47", "record.field-too-long@48", "record.missing-field@49", "record.missing-field@50"}},
      {"more than 100 records",
       [](Medium& m) {
         for (int i = 0; i < 97; ++i) {
           m.Line(47 + i) = "1,2,f" + std::to_string(i) + ".txt,doc\\";
           m.files["f" + std::to_string(i) + ".txt"] = "x";
         }
       },
       {"record.too-many@143"}},
      {"text after a fourth comma", [](Medium& m) { m.Line(45) += ",old"; }, {"record.extra-field@45"}},
      {"key names after an empty one",
       [](Medium& m) {
         m.Line(2) = "EST2";
         m.Line(4) = "EST4";
         m.Line(6) = "EST6";
       },
       {"descriptor.key-after-empty@4", "descriptor.key-after-empty@6"}},
      {"no first key name", [](Medium& m) { m.Line(1) = ""; }, {"descriptor.no-key-name@1"}},
      {"master adjustment 2", [](Medium& m) { m.Line(18) = "2"; }, {"descriptor.master-adjust@18"}},
      {"master adjustment abc", [](Medium& m) { m.Line(18) = "abc"; }, {"descriptor.master-adjust@18"}},
      {"master adjustment 1 with a blank", [](Medium& m) { m.Line(18) = " 1"; }, {"descriptor.master-adjust@18"}},
      {"category 7", [](Medium& m) { m.Line(20) = "7"; }, {"descriptor.category@20"}},
      {"category empty", [](Medium& m) { m.Line(20) = ""; }, {"descriptor.category@20"}},
      {"no version text with a START record", [](Medium& m) { m.Line(21) = ""; }, {"descriptor.no-version@21"}},
      {"no version text, no START record",
       [](Medium& m) {
         m.Line(21) = "";
         m.lines.erase(m.lines.begin() + 43);
       },
       {}},
      {"empty settings file name", [](Medium& m) { m.Line(19) = ""; }, {"descriptor.no-settings-file@19"}},
      {"TAB at the end of the notes and target texts",
       [](Medium& m) {
         m.Line(26) += "\t";
         m.Line(27) += "\t";
       },
       {"descriptor.trailing-tab@26", "descriptor.trailing-tab@27"}},
      {"text not in code page 932",
       [](Medium& m) {
         m.Line(27) = "abc\x81";
         m.Line(26) = "\xE8\xA6\x8B\xE7\xA9\x8D";  // UTF-8
       },
       {"descriptor.invalid-cp932@27", "descriptor.utf8-text@26"}},
      {"UTF-8 byte order mark", [](Medium& m) { m.Line(1) = "\xEF\xBB\xBF" + m.Line(1); }, {"descriptor.utf8-bom@1"}},
      {"missing archive", [](Medium& m) { m.files.erase("PROG.lzh"); }, {"record.missing-archive@43"}},
      {"archive named with its extension", [](Medium& m) { m.Line(43) = "1,1,PROG.lzh,prog\\"; },
       {"record.missing-archive@43"}},
      {"missing file", [](Medium& m) { m.files.erase("readme.txt"); }, {"record.missing-file@45"}},
      {"archive failing its CRC",
       [](Medium& m) {
         lzhtest::HandMember bad = lzhtest::Stored("tool.exe", "new tool");
         bad.crc ^= 0x1234;
         m.files["PROG.lzh"] = lzhtest::BuildArchive({bad});
       },
       {"archive.crc@PROG.lzh"}},
      {"archive with an unsupported method",
       [](Medium& m) {
         lzhtest::HandMember odd = lzhtest::Stored("tool.exe", "new tool");
         odd.method = "-lhx-";
         m.files["PROG.lzh"] = lzhtest::BuildArchive({odd});
       },
       {"archive.unsupported-method@PROG.lzh"}},
      {"archive that is no LZH archive", [](Medium& m) { m.files["PROG.lzh"] = "PK\x03\x04" + std::string(200, 'z'); },
       {"archive.not-lzh@PROG.lzh"}},
      {"truncated archive", [](Medium& m) { m.files["PROG.lzh"].resize(m.files["PROG.lzh"].size() - 8); },
       {"archive.truncated@PROG.lzh"}},
      {"member name Windows cannot create", [](Medium& m) { m.files["PROG.lzh"] = Archive({{"CON.txt", "x"}}); },
       {"archive.bad-member-name@PROG.lzh"}},
      {"EXCEL archive without the template", [](Medium& m) { m.files["EXCEL.lzh"] = Archive({{"other.xlsm", "x"}}); },
       {"excel.no-template@46"}},
      {"EXCEL archive into another folder", [](Medium& m) { m.Line(46) = "2,1,EXCEL,excel\\"; },
       {"excel.subfolder@46"}},
      {"START variants missing",
       [](Medium& m) {
         m.files.erase("START7.lzh");
         m.files.erase("START15.lzh");
       },
       {"start.missing-variant@44", "start.missing-variant@44"}},
      {"maker variant needs START0 and START99",
       [](Medium& m) {
         m.Line(19) = "PILUNET1.ini";
         m.files["START0.lzh"] = Archive({{"START.TXT", "maker"}});
         m.files.erase("START99.lzh");
       },
       {"start.missing-variant@44"}},
      {"NULL settings needs the title and maker variants", [](Medium& m) { m.Line(19) = "NULL"; },
       {"start.missing-variant@44", "start.missing-variant@44"}},
      {"empty title pattern accepts every title",
       [](Medium& m) {
         for (int n = 31; n <= 42; ++n) m.Line(n) = "";
         m.Line(33) = "見積原価 6.0S";
         for (int i = 5; i <= 15; ++i) m.files.erase("START" + std::to_string(i) + ".lzh");
       },
       {"title.empty-pattern@31", "title.pattern-never-used@33"}},
      {"catch-all pattern without its START archive",
       [](Medium& m) {
         for (int n = 30; n <= 42; ++n) m.Line(n) = "";
         m.files.erase("START3.lzh");
       },
       {"title.empty-pattern@30", "start.missing-variant@44"}},
      {"subfolders without a final separator",
       [](Medium& m) {
         m.Line(43) = "1,1,PROG,prog";
         m.Line(45) = "1,2,readme.txt,C:\\doc\\";
       },
       {"record.subfolder-separator@43", "record.subfolder-drive@45"}},
      {"two records writing the same file",
       [](Medium& m) {
         m.Line(47) = "2,2,readme.txt,DOC/";
         m.files["PROG.lzh"] = Archive({{"tool.exe", "x"}, {"start.txt", "y"}});
       },
       {"record.same-target@44", "record.same-target@47"}},
      {"kind and disk number out of use",
       [](Medium& m) {
         m.Line(45) = "0,3,readme.txt,doc\\";
       },
       {"record.disk-number@45", "record.kind@45"}},
      {"pictures missing, unreadable or unnamed",
       [](Medium& m) {
         m.files.erase("back.bmp");
         m.files["notes.bmp"] = "BM but nothing else";
         m.Line(24) = "";
         m.files["confirm.bmp"].resize(60);
       },
       {"picture.missing@22", "picture.unreadable@notes.bmp", "picture.no-name@24", "picture.unreadable@confirm.bmp"}},
      {"extraction command over 255 bytes for the proposed folder",
       [](Medium& m) { m.Line(16) = "C:\\" + std::string(220, 'a'); },
       {"record.command-too-long@43", "record.command-too-long@44", "record.command-too-long@46"}},
      {"no records", [](Medium& m) { m.lines.resize(42); }, {"record.none@info.txt"}},
      {"one folder per disk, clean",
       [](Medium& m) { m.PerDisk({{"EXCEL.lzh", 2}}); },
       {}},
      {"one folder per disk, archive on the wrong disk",
       [](Medium& m) {
         m.PerDisk({{"EXCEL.lzh", 3}});
         m.files["disk2\\other.txt"] = "x";
       },
       {"record.wrong-disk@46"}},
      {"one folder per disk, disk 1 record after disk 2",
       [](Medium& m) {
         m.Line(47) = "1,2,late.txt,doc\\";
         m.files["late.txt"] = "x";
         m.PerDisk({{"EXCEL.lzh", 2}});
       },
       {"record.disk-not-asked@47"}},
      {"one folder per disk, a disk folder missing",
       [](Medium& m) {
         m.Line(46) = "4,1,EXCEL,形式\\";
         m.PerDisk({{"EXCEL.lzh", 2}});
       },
       {"record.wrong-disk@46"}},
      {"disk1 folder without info.txt beside the medium's own",
       [](Medium& m) { m.files["disk1\\old.txt"] = "x"; },
       {"medium.disk1-without-info@disk1/"}},
      {"no info.txt",
       [](Medium& m) {
         m.lines.clear();
         m.infoFolder = "elsewhere\\";
       },
       {"descriptor.missing@info.txt"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    Medium m = CleanMedium();
    row.spoil(m);
    Write(m, dir.path());
    check::Report r = check::CheckMedium(dir.path());
    std::vector<std::string> expected = row.expected;
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> got = Problems(r);
    EXPECT_EQ(got, expected) << "got:\n" << Join(got) << "expected:\n" << Join(expected);
    EXPECT_EQ(r.ExitStatus() == 0, expected.empty());
  }
}

TEST(MediumCheck, SeveritiesAndMessages) {
  TempDir dir;
  Medium m = CleanMedium();
  m.Line(18) = "2";
  m.files.erase("PROG.lzh");
  Write(m, dir.path());
  check::Report r = check::CheckMedium(dir.path());
  EXPECT_EQ(r.ExitStatus(), 2);
  for (const check::Finding& f : r.findings) {
    SCOPED_TRACE(f.code);
    EXPECT_FALSE(f.messageJa.empty());
    EXPECT_FALSE(f.messageEn.empty());
    if (f.code == "descriptor.master-adjust") {
      EXPECT_EQ(f.severity, check::Severity::Warning);
      EXPECT_EQ(f.Where(), "info.txt:18");
    }
    if (f.code == "record.missing-archive") {
      EXPECT_EQ(f.severity, check::Severity::Error);
      EXPECT_NE(f.messageEn.find("PROG.lzh"), std::string::npos) << f.messageEn;
    }
  }
}

TEST(MediumCheck, UnreadablePictureSaysWhy) {
  auto patched = [](std::size_t at, char value) {
    std::string b = Bitmap();
    b[at] = value;
    return b;
  };
  const struct {
    const char* name;
    std::string content;
    const char* reason;
  } cases[] = {
      {"GIF", "GIF89a" + std::string(80, '\0'), "no BMP file"},
      {"headers cut", Bitmap().substr(0, 30), "ends inside its headers"},
      {"OS/2 core header", patched(14, 12), "OS/2"},
      {"embedded JPEG", patched(30, 4), "compression"},
      {"pixels cut", Bitmap().substr(0, 60), "pixel data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    Medium m = CleanMedium();
    m.files["notes.bmp"] = c.content;
    Write(m, dir.path());
    check::Report r = check::CheckMedium(dir.path());
    ASSERT_EQ(Problems(r), std::vector<std::string>{"picture.unreadable@notes.bmp"});
    for (const check::Finding& f : r.findings) {
      if (f.code == "picture.unreadable") {
        EXPECT_NE(f.messageEn.find(c.reason), std::string::npos) << f.messageEn;
      }
    }
  }
}

TEST(MediumCheck, PerDiskFindingsNameTheDiskFolder) {
  TempDir dir;
  Medium m = CleanMedium();
  m.PerDisk({{"EXCEL.lzh", 2}});
  m.files["disk2\\EXCEL.lzh"] = "broken";
  Write(m, dir.path());
  check::Report r = check::CheckMedium(dir.path());
  EXPECT_EQ(Problems(r), std::vector<std::string>{"archive.not-lzh@disk2/EXCEL.lzh"});
  EXPECT_EQ(r.diskFolders, (std::vector<std::string>{"disk1", "disk2"}));
}

// The check refuses exactly the archives the extraction refuses. A nameless,
// empty stored member (a directory as some archivers write it) is passed over
// by both.
TEST(MediumCheck, JudgesEveryMemberAsTheExtractionDoes) {
  using lzhtest::BuildArchive;
  using lzhtest::Stored;
  auto method = [](lzhtest::HandMember m, const char* id) {
    m.method = id;
    return m;
  };
  lzhtest::HandMember badCrc = Stored("tool.exe", "new tool");
  badCrc.crc ^= 1;
  const lzhtest::HandMember tool = Stored("tool.exe", "new tool");
  const struct {
    const char* label;
    std::string archive;
    const char* code;  // the check's finding for PROG.lzh; "" when both accept it
  } rows[] = {
      {"nameless, empty member at level 0", BuildArchive({Stored("", "", 0), tool}), ""},
      {"nameless, empty member at level 2", BuildArchive({tool, Stored("", "")}), ""},
      {"directory entry", BuildArchive({method(Stored("sub", ""), "-lhd-"), tool}), ""},
      {"nameless member with data", BuildArchive({tool, Stored("", "x")}), "archive.bad-member-name"},
      {"device name", BuildArchive({tool, Stored("con.txt", "x")}), "archive.bad-member-name"},
      {"unknown method", BuildArchive({method(tool, "-lzx-")}), "archive.unsupported-method"},
      {"CRC error", BuildArchive({badCrc}), "archive.crc"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    TempDir dir;
    Medium m = CleanMedium();
    m.files["PROG.lzh"] = r.archive;
    Write(m, dir.path());
    std::vector<std::string> expected;
    if (*r.code) expected.push_back(std::string(r.code) + "@PROG.lzh");
    EXPECT_EQ(Problems(check::CheckMedium(dir.path())), expected);
    std::string command = "e -mcwC:\\WINDOWS \"" + dir.path() + "PROG\" \"" + dir.path() + "out\\\"";
    char reply[256] = {};
    EXPECT_EQ(RunArchiveCommand(nullptr, command.c_str(), reply, sizeof reply) == 0, *r.code == '\0');
  }
}

// ---- against an installation ----------------------------------------------------

// Every file and folder under `root` with its content and last-write time.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(root))) {
    std::string key = e.path().generic_string();
    std::string value = std::to_string(e.last_write_time().time_since_epoch().count());
    if (e.is_regular_file()) value += ":" + lzhtest::ReadAll(e.path());
    out[key] = value;
  }
  return out;
}

// A medium and an installation beside it.
class Installation {
 public:
  Installation() {
    medium_ = dir_ / "medium" + Sep();
    app_ = dir_ / "app";
    MakeFolders(medium_);
    MakeFolders(app_);
  }
  std::string App(const std::string& name) const { return app_ + Sep() + name; }

  void Install(const std::string& title = "見積原価 2.0S (8.0S)") {
    WriteFile(App("morefa1.ini"), "[SYSTEM]\r\nTITLE=" + title + "\r\n[DIR]\r\nMASTER=master\\\r\n");
    WriteFile(App("mo2menu.ini"), "");
    WriteFile(App("tessolin.exe"), "MZ");
    MakeFolders(App("bmp"));
    WriteFile(App("bmp") + Sep() + "VOSKE2L.BMP", "");
    WriteFile(App("bmp") + Sep() + "file.BMP", "");
    MakeFolders(App("prog"));
    WriteFile(App("prog") + Sep() + "tool.exe", "old tool");
  }

  check::Report Check(const Medium& m, check::Options options = check::Options()) {
    Write(m, medium_);
    options.target = app_;
    return check::CheckMedium(medium_, options);
  }

  // The codes of the findings, in order, with their line where they have one.
  static std::vector<std::string> Codes(const check::Report& r) {
    std::vector<std::string> out;
    for (const check::Finding& f : r.findings) {
      if (f.code == "picture.ok") continue;
      out.push_back(f.code + (f.line > 0 ? "@" + std::to_string(f.line) : ""));
    }
    return out;
  }

  TempDir dir_;
  std::string medium_, app_;
};

class TargetCheck : public ::testing::Test, public Installation {};

TEST_F(TargetCheck, PlansTheRunRecordByRecordAndChangesNothing) {
  Install();
  MakeFolders(App("形式"));
  WriteFile(App("形式") + Sep() + kTemplate, "old template");
  ASSERT_TRUE(os::SetLastWriteTime(App("形式") + Sep() + kTemplate, 2021, 6, 1));
  std::map<std::string, std::string> before = Snapshot(app_);

  check::Report r = Check(CleanMedium());
  EXPECT_EQ(r.ExitStatus(), 0);
  EXPECT_EQ(Codes(r), (std::vector<std::string>{
                          "target.settings-file", "target.classified@29",
                          "plan.extract@43",
                          "plan.setting@44", "plan.extract@44",
                          "plan.make-folder@45", "plan.copy@45",
                          "plan.disk@46", "plan.template@46", "plan.extract@46",
                          "plan.setting", "plan.setting@21", "plan.setting", "plan.setting@20", "plan.setting@20",
                          "plan.convert-masters@18"}));
  for (const check::Finding& f : r.findings) {
    if (f.code == "plan.extract" && f.line == 44) {
      EXPECT_NE(f.messageEn.find("would extract START2.lzh into"), std::string::npos) << f.messageEn;
    }
    if (f.code == "plan.setting" && f.line == 21) {
      EXPECT_NE(f.messageEn.find("TITLE=見積原価 2.0S (9.1S)"), std::string::npos) << f.messageEn;
    }
  }
  EXPECT_EQ(Snapshot(app_), before);
}

TEST_F(TargetCheck, TemplateUpToDateIsSkipped) {
  Install();
  MakeFolders(App("形式"));
  WriteFile(App("形式") + Sep() + kTemplate, "new template");
  ASSERT_TRUE(os::SetLastWriteTime(App("形式") + Sep() + kTemplate, 2024, 3, 1));
  check::Report r = Check(CleanMedium());
  std::vector<std::string> codes = Codes(r);
  EXPECT_NE(std::find(codes.begin(), codes.end(), "plan.skip@46"), codes.end());
  EXPECT_EQ(std::find(codes.begin(), codes.end(), "plan.extract@46"), codes.end());
}

TEST(TargetChecks, RefusalsOfTheRun) {
  struct Case {
    const char* name;
    std::function<void(Installation&, Medium&, check::Options&)> setup;
    const char* code;
  };
  const std::vector<Case> cases = {
      {"no settings file", [](Installation& t, Medium&, check::Options&) { t.Install(); os::RemoveFile(t.App("morefa1.ini")); },
       "target.settings-not-found"},
      {"installed files missing",
       [](Installation& t, Medium&, check::Options&) {
         t.Install();
         os::RemoveFile(t.App("bmp") + Sep() + "file.BMP");
       },
       "target.installed-files"},
      {"title not recognised", [](Installation& t, Medium&, check::Options&) { t.Install("他社製品"); },
       "target.not-recognised"},
      {"command over 255 bytes",
       [](Installation& t, Medium&, check::Options& o) {
         t.Install();
         o.windowsFolder = "C:\\" + std::string(200, 'w');
       },
       "target.command-too-long"},
      {"faulty record", [](Installation& t, Medium& m, check::Options&) { t.Install(); m.Line(47) = "1,1"; },
       "plan.refused"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Installation t;
    Medium m = CleanMedium();
    check::Options options;
    c.setup(t, m, options);
    check::Report r = t.Check(m, options);
    bool found = false;
    bool planned = false;
    for (const check::Finding& f : r.findings) {
      found = found || f.code == c.code;
      planned = planned || f.code == "plan.extract";
    }
    EXPECT_TRUE(found) << c.code;
    EXPECT_FALSE(planned) << "the run stops before any record";
  }
}

// Where a record would fail, the plan stops: no later record, no settings.
TEST_F(TargetCheck, PlanStopsAtARecordThatWouldFail) {
  const struct {
    const char* name;
    std::function<void(TargetCheck&, Medium&)> spoil;
    std::vector<std::string> problems;
    int stopLine;
  } cases[] = {
      {"read-only copy target",
       [](TargetCheck& t, Medium&) {
         MakeFolders(t.App("doc"));
         WriteFile(t.App("doc") + Sep() + "README.TXT", "old");
         ASSERT_TRUE(os::SetAttributes(t.App("doc") + Sep() + "README.TXT", os::kAttrReadOnly));
       },
       {"target.read-only@45"}, 45},
      {"missing archive", [](TargetCheck&, Medium& m) { m.files.erase("PROG.lzh"); }, {"record.missing-archive@43"}, 43},
      {"damaged archive", [](TargetCheck&, Medium& m) { m.files["START2.lzh"] = "damaged"; },
       {"archive.not-lzh@START2.lzh"}, 44},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TargetCheck& t = *this;
    TempDir fresh;
    t.medium_ = fresh / "medium" + Sep();
    t.app_ = fresh / "app";
    MakeFolders(t.medium_);
    MakeFolders(t.app_);
    t.Install();
    Medium m = CleanMedium();
    c.spoil(t, m);
    check::Report r = t.Check(m);
    EXPECT_EQ(Problems(r), c.problems);
    ASSERT_FALSE(r.findings.empty());
    EXPECT_EQ(r.findings.back().code, "plan.stop");
    EXPECT_EQ(r.findings.back().line, c.stopLine);
    for (const check::Finding& f : r.findings) {
      EXPECT_FALSE(f.code == "plan.setting" && f.line == 0) << "settings planned";
    }
    os::SetAttributes(t.App("doc") + Sep() + "README.TXT", 0);
  }
}

TEST_F(TargetCheck, MissingMasterFolderIsAWarning) {
  Install();
  WriteFile(App("morefa1.ini"), "[SYSTEM]\r\nTITLE=見積原価 3.0S\r\n");
  check::Report r = Check(CleanMedium());
  EXPECT_EQ(Problems(r), std::vector<std::string>{"target.no-master-folder@18"});
}

}  // namespace
