// The faulty media of the reliability tests (the demo medium spoiled one way
// each: faulty records, binary garbage, a missing, foreign or truncated
// archive, a text file as picture), checked before they ship: each fault is
// found with its line or file.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "check/medium_check.h"
#include "os/os.h"
#include "tests/reliability/demo_medium.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t nl = text.find("\r\n", pos);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back(text.substr(pos, nl - pos));
    pos = nl + 2;
  }
  return lines;
}

void EditInfo(const std::string& medium, const std::function<void(std::vector<std::string>&)>& edit) {
  std::vector<std::string> lines = Lines(ReadFile(medium + "info.txt"));
  edit(lines);
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  WriteFile(medium + "info.txt", out);
}

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < size; ++i) s += static_cast<char>(rng() & 0xFF);
  return s;
}

// The reliability demo carries START2 only, the one its installation needs;
// a medium that ships carries every variant its title patterns select.
reliability::DemoPaths ShippableDemo(const std::string& root) {
  reliability::DemoPaths paths = reliability::MakeDemo(root);
  std::string start = ReadFile(paths.medium + "START2.lzh");
  for (int i = 1; i <= 15; ++i) {
    if (i != 2) WriteFile(paths.medium + "START" + std::to_string(i) + ".lzh", start);
  }
  return paths;
}

std::vector<std::string> Problems(const check::Report& r) {
  std::vector<std::string> out;
  for (const check::Finding& f : r.findings) {
    if (f.severity != check::Severity::Info) out.push_back(f.code + "@" + (f.line > 0 ? std::to_string(f.line) : f.file));
  }
  std::sort(out.begin(), out.end());
  return out;
}

struct Row {
  const char* what;
  std::function<void(const std::string& medium)> spoil;
  std::vector<std::string> expected;
  bool exact;  // false: the expected findings are among others
};

TEST(ReliabilityBadMedia, EachFaultIsFoundBeforeShipping) {
  std::vector<std::string> duplicates;
  for (int line = 49; line <= 142; ++line) duplicates.push_back("record.same-target@" + std::to_string(line));
  duplicates.push_back("record.too-many@143");
  const Row rows[] = {
      {"unspoiled", [](const std::string&) {}, {}, true},
      {"record line without its subfolder",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1,PROG"; }); },
       {"record.missing-field@43"}, true},
      {"empty line among the records",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[43] = ""; }); },
       {"record.missing-field@44"}, true},
      {"overlong name",
       [](const std::string& m) {
         EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1," + std::string(32, 'P') + ",prog\\"; });
       },
       {"record.field-too-long@43"}, true},
      {"overlong subfolder",
       [](const std::string& m) {
         EditInfo(m, [](std::vector<std::string>& l) { l[43] = "1,1,start," + std::string(31, 's') + "\\"; });
       },
       {"record.field-too-long@44"}, true},
      {"101 records",
       [](const std::string& m) {
         EditInfo(m, [](std::vector<std::string>& l) {
           while (l.size() < 42 + 101) l.push_back("1,2,readme.txt,doc\\");
         });
       },
       duplicates, true},
      {"subfolder climbing out of the installation",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[44] = "1,2,readme.txt,..\\doc\\"; }); },
       {"record.subfolder-escapes@45"}, true},
      {"absolute subfolder",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1,PROG,\\prog\\"; }); },
       {"record.subfolder-escapes@43"}, true},
      {"name climbing out of the medium",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[44] = "1,2,..\\readme.txt,doc\\"; }); },
       {"record.name-escapes@45"}, true},
      {"binary garbage", [](const std::string& m) { WriteFile(m + "info.txt", Noise(4096, 7)); },
       {"descriptor.short@info.txt"}, false},
      {"binary garbage with line ends",
       [](const std::string& m) {
         std::string noise = Noise(8192, 11);
         for (std::size_t i = 0; i < noise.size(); i += 37) noise[i] = '\n';
         WriteFile(m + "info.txt", noise);
       },
       {"record.missing-field@43", "descriptor.invalid-cp932@43"}, false},
      {"invalid code page 932 sequence in a name",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1,PR\x81\x7FOG,prog\\"; }); },
       {"descriptor.invalid-cp932@43", "record.missing-archive@43"}, true},
      {"record naming a missing archive", [](const std::string& m) { os::RemoveFile(m + "PROG.lzh"); },
       {"record.missing-archive@43"}, true},
      {"archive of another format renamed .lzh",
       [](const std::string& m) {
         WriteFile(m + "PROG.lzh", std::string("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + Noise(200, 3));
       },
       {"archive.not-lzh@PROG.lzh"}, true},
      {"truncated archive",
       [](const std::string& m) {
         std::string a = ReadFile(m + "PROG.lzh");
         WriteFile(m + "PROG.lzh", a.substr(0, a.size() / 2));
       },
       {"archive.truncated@PROG.lzh"}, true},
      {"pictures that are text files",
       [](const std::string& m) {
         WriteFile(m + "notes.bmp", "BMP pictures are not text.\r\nBM\r\n" + std::string(2000, 'x'));
         WriteFile(m + "target.bmp", "BM");
       },
       {"picture.unreadable@notes.bmp", "picture.unreadable@target.bmp"}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    reliability::DemoPaths paths = ShippableDemo(dir.path());
    row.spoil(paths.medium);
    check::Report r = check::CheckMedium(paths.medium);
    std::vector<std::string> got = Problems(r);
    std::vector<std::string> expected = row.expected;
    std::sort(expected.begin(), expected.end());
    if (row.exact) {
      EXPECT_EQ(got, expected);
    } else {
      for (const std::string& e : expected) {
        EXPECT_NE(std::find(got.begin(), got.end(), e), got.end()) << e;
      }
    }
    EXPECT_EQ(r.ExitStatus(), expected.empty() ? 0 : 2);
  }
}

// Against the reliability demo's installation: the plan asks for START2 and
// the installation is left exactly as it was.
TEST(ReliabilityBadMedia, DemoInstallationIsPlannedNotChanged) {
  TempDir dir;
  reliability::DemoPaths paths = ShippableDemo(dir.path());
  reliability::Snapshot before = reliability::TakeSnapshot(paths.install);
  check::Options options;
  options.target = paths.install;
  check::Report r = check::CheckMedium(paths.medium, options);
  EXPECT_EQ(r.ExitStatus(), 0);
  bool start2 = false;
  for (const check::Finding& f : r.findings) {
    start2 = start2 || (f.code == "plan.extract" && f.messageEn.find("START2.lzh") != std::string::npos);
  }
  EXPECT_TRUE(start2);
  EXPECT_EQ(reliability::Differences(before, reliability::TakeSnapshot(paths.install)), std::vector<std::string>{});
}

}  // namespace
