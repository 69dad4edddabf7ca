// RunArchiveCommand end to end: archives on disk, a destination folder, the
// reply, and the promise that a failed archive leaves the folder as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "engine/archive_component.h"
#include "os/os.h"
#include "os/test_hooks.h"
#include "tests/lzh/lzh_support.h"
#include "tests/lzh/test_encoders.h"
#include "tests/support/temp_dir.h"
#include "text/cp932.h"

namespace {

using lzhtest::BuildArchive;
using lzhtest::HandMember;
using lzhtest::MixedData;
using lzhtest::Stored;
using lzhtest::ToCp932;
using lzhtest::ToUtf8;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

struct Result {
  int rc;
  std::string reply;
};

Result Extract(const std::string& archiveBase, const std::string& dest, void* owner = nullptr) {
  std::string command = "e -mcw" + os::WindowsFolder() + " \"" + archiveBase + "\" \"" + dest + "\"";
  std::string reply(256, '\x7F');
  int rc = RunArchiveCommand(owner, command.c_str(), &reply[0], 256);
  return {rc, std::string(reply.c_str())};
}

// What a folder holds: name -> content, with the read-only bit.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> s;
  for (const os::FindEntry& e : os::FindFiles(folder + "*")) {
    if (e.name == "." || e.name == "..") continue;
    std::uint32_t attr = 0;
    os::GetAttributes(folder + e.name, attr);
    s[e.name] = e.directory ? "<dir>" : ReadFile(folder + e.name) + ((attr & os::kAttrReadOnly) ? "<ro>" : "");
  }
  return s;
}

HandMember Method(HandMember m, const std::string& method, const std::string& packed) {
  m.method = method;
  m.packed = packed;
  return m;
}

class ArchiveExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    SetArchiveModeA(0);
    SetArchiveModeB(1);
    src_ = tmp_ / "src\\";
    dest_ = tmp_ / "dest\\";
    testing_support::MakeFolders(src_);
    testing_support::MakeFolders(dest_);
  }
  void TearDown() override {
    os::ClearFaults();
    SetArchiveModeA(0);
    SetArchiveModeB(1);
    engine::SetArchiveLanes(0);
  }
  void PutArchive(const std::string& name, const std::string& bytes) { WriteFile(src_ + name, bytes); }

  TempDir tmp_;
  std::string src_;
  std::string dest_;
};

TEST_F(ArchiveExtract, ExtractsEveryMemberByFileNameAlone) {
  std::string a = MixedData(20000, 1), b = MixedData(3000, 2), c = "small";
  HandMember dir;
  dir.method = "-lhd-";
  dir.directory = "sub\xFF";
  HandMember inDir = Stored("b.bin", b, 3);
  inDir.directory = "sub\xFF" "deeper\xFF";
  HandMember bareDir = Stored("old\\path\\", "", 0);  // a directory written as an empty stored member
  PutArchive("DATA2.lzh",
             BuildArchive({Method(Stored("a.txt", a, 1), "-lh1-", lzhtest::Lh1Encoder().Encode(a)), dir,
                           Method(inDir, "-lz5-", lzhtest::EncodeLz5(b)), bareDir,
                           Stored("old\\path\\表.txt", c, 0)}));
  WriteFile(dest_ + "keep.txt", "untouched");
  WriteFile(dest_ + "a.txt", "older a");
  Result r = Extract(src_ + "DATA2", dest_);
  ASSERT_EQ(0, r.rc) << r.reply;
  EXPECT_EQ("", r.reply);
  std::map<std::string, std::string> expected = {
      {"a.txt", a}, {"b.bin", b}, {"表.txt", c}, {"keep.txt", "untouched"}};
  EXPECT_EQ(expected, Snapshot(dest_));
  // The member's own time (Unix time at level 3), set through the open file.
  std::int64_t unixTime = 0;
  std::uint32_t dosTime = 0;
  ASSERT_TRUE(os::LastWriteTime(dest_ + "b.bin", unixTime, dosTime));
  EXPECT_EQ(0x5C000000, unixTime);
}

// The archive is the given name plus ".lzh", matched without regard to case.
TEST_F(ArchiveExtract, FindsArchiveWithoutRegardToCase) {
  PutArchive("Data2.LZH", BuildArchive({Stored("x.txt", "x")}));
  Result r = Extract(src_ + "DATA2", dest_);
  ASSERT_EQ(0, r.rc) << r.reply;
  EXPECT_EQ("x", ReadFile(dest_ + "x.txt"));
}

TEST_F(ArchiveExtract, CreatesMissingDestination) {
  PutArchive("A.lzh", BuildArchive({Stored("x.txt", "x")}));
  std::string deep = tmp_ / "new\\level two\\三\\";
  Result r = Extract(src_ + "A", deep);
  ASSERT_EQ(0, r.rc) << r.reply;
  EXPECT_EQ("x", ReadFile(deep + "x.txt"));
}

// A failed extraction into a folder that did not exist leaves no folder.
TEST_F(ArchiveExtract, FailureRemovesFoldersItMade) {
  PutArchive("A.lzh", BuildArchive({Stored("x.txt", "x"), Stored("..", "bad")}));
  Result r = Extract(src_ + "A", tmp_ / "new\\deeper\\");
  EXPECT_NE(0, r.rc);
  EXPECT_FALSE(os::Exists(tmp_ / "new"));
  EXPECT_TRUE(os::IsDirectory(tmp_.path()));
}

TEST_F(ArchiveExtract, JapaneseAndBlanksInBothPaths) {
  std::string src = tmp_ / "更新 ディスク\\表\\";
  std::string dest = tmp_ / "見積 ソフト\\";
  testing_support::MakeFolders(src);
  WriteFile(src + "START3.lzh", BuildArchive({Stored("表.ini", "[a]")}));
  Result r = Extract(src + "START3", dest);
  ASSERT_EQ(0, r.rc) << r.reply;
  EXPECT_EQ("[a]", ReadFile(dest + "表.ini"));
}

TEST_F(ArchiveExtract, ReplacesReadOnlyFile) {
  WriteFile(dest_ + "ro.txt", "old");
  ASSERT_TRUE(os::SetAttributes(dest_ + "ro.txt", os::kAttrReadOnly));
  PutArchive("A.lzh", BuildArchive({Stored("ro.txt", "new")}));
  Result r = Extract(src_ + "A", dest_);
  ASSERT_EQ(0, r.rc) << r.reply;
  EXPECT_EQ("new", ReadFile(dest_ + "ro.txt"));
  EXPECT_EQ(1u, Snapshot(dest_).size()) << "no backup or temporary file left";
}

// Mode B at 0 keeps read-only files: the whole archive fails untouched.
TEST_F(ArchiveExtract, ModeBZeroRefusesReadOnly) {
  WriteFile(dest_ + "ro.txt", "old");
  ASSERT_TRUE(os::SetAttributes(dest_ + "ro.txt", os::kAttrReadOnly));
  PutArchive("A.lzh", BuildArchive({Stored("first.txt", "1"), Stored("ro.txt", "new")}));
  auto before = Snapshot(dest_);
  SetArchiveModeB(0);
  Result r = Extract(src_ + "A", dest_);
  EXPECT_NE(0, r.rc);
  EXPECT_NE(std::string::npos, text::Find(r.reply, "ro.txt")) << r.reply;
  EXPECT_EQ(before, Snapshot(dest_));
}

// Members named like the component's own temporary files, and two members
// of one name (the later wins), still come out right.
TEST_F(ArchiveExtract, NamesLikeTemporaryFilesAndDuplicates) {
  std::vector<HandMember> members;
  for (int i = 1; i <= 8; ++i) {
    std::string hex = i < 10 ? std::to_string(i) : std::string(1, static_cast<char>('A' + i - 10));
    members.push_back(Stored("~brx" + hex + ".tmp", "member " + std::to_string(i)));
  }
  members.push_back(Stored("dup.txt", "first"));
  members.push_back(Stored("DUP.TXT", "second"));
  PutArchive("T.lzh", BuildArchive(members));
  WriteFile(dest_ + "~BRX3.TMP", "old three");
  Result r = Extract(src_ + "T", dest_);
  ASSERT_EQ(0, r.rc) << ToUtf8(r.reply);
  auto after = Snapshot(dest_);
  EXPECT_EQ(9u, after.size());
  for (int i = 1; i <= 8; ++i) {
    std::string name = i == 3 ? "~BRX3.TMP" : "~brx" + std::to_string(i) + ".tmp";
    EXPECT_EQ("member " + std::to_string(i), after[name]) << name;
  }
  EXPECT_EQ("second", ReadFile(dest_ + "dup.txt"));
}

struct BadCase {
  const char* label;
  std::string archive;  // empty: no archive file at all
  const char* replyHas;  // a part of the reply (code page 932)
};

std::string Flip(std::string s, std::size_t at) {
  s[at] = static_cast<char>(s[at] ^ 0x20);
  return s;
}

std::vector<BadCase> BadCases() {
  std::string good = BuildArchive({Stored("first.txt", "new first"), Stored("second.txt", MixedData(5000, 3))});
  std::size_t firstEnd = lzhtest::BuildMember(Stored("first.txt", "new first")).size();
  std::string d = MixedData(4000, 4);
  HandMember lz5 = Method(Stored("z.bin", d), "-lz5-", lzhtest::EncodeLz5(d));
  std::string compressed = BuildArchive({Stored("first.txt", "new first"), lz5});
  HandMember unknown = Stored("odd.bin", "x");
  unknown.method = "-lh8-";
  HandMember bigger = Stored("second.txt", "0123");
  bigger.original = 0xFFFFFFF0u;
  return {
      {"missing archive", "", "見つかりません"},
      {"not an archive", "plain text, no header here at all", "LZH書庫ではありません"},
      {"empty file", std::string(1, '\0'), "LZH書庫ではありません"},
      {"truncated in second header", good.substr(0, firstEnd + 10), "途中で切れています"},
      {"truncated in data", good.substr(0, good.size() - 100), "second.txt"},
      {"last byte missing", compressed.substr(0, compressed.size() - 2), "z.bin"},
      {"flipped data byte (CRC)", Flip(good, good.size() - 50), "CRC"},
      {"flipped compressed byte", Flip(compressed, compressed.size() - 40), "z.bin"},
      {"flipped header byte", Flip(good, firstEnd + 16), "壊れています"},
      {"absurd size", BuildArchive({Stored("first.txt", "new first"), bigger}), "second.txt"},
      {"unknown method", BuildArchive({Stored("first.txt", "new first"), unknown}), "-lh8-"},
      {"dot dot", BuildArchive({Stored("first.txt", "new first"), Stored("..", "x")}), "「..」"},
      {"device name", BuildArchive({Stored("first.txt", "new first"), Stored("dir\\con.txt", "x", 1)}), "con.txt"},
      {"forbidden character", BuildArchive({Stored("first.txt", "new first"), Stored("a*b", "x")}), "a*b"},
      {"empty name", BuildArchive({Stored("first.txt", "new first"), Stored("dir\\", "x", 0)}), "使えないファイル名"},
  };
}

TEST_F(ArchiveExtract, BadArchivesFailAndLeaveDestinationAsItWas) {
  int n = 0;
  for (const BadCase& c : BadCases()) {
    std::string name = "BAD" + std::to_string(++n);
    if (!c.archive.empty()) PutArchive(name + ".lzh", c.archive);
    for (int lanes : {1, 4}) {
      SCOPED_TRACE(std::string(c.label) + ", lanes " + std::to_string(lanes));
      engine::SetArchiveLanes(lanes);
      WriteFile(dest_ + "first.txt", "old first");
      WriteFile(dest_ + "second.txt", "old second");
      auto before = Snapshot(dest_);
      Result r = Extract(src_ + name, dest_);
      EXPECT_NE(0, r.rc);
      EXPECT_NE(std::string::npos, text::Find(r.reply, c.replyHas)) << ToUtf8(r.reply);
      EXPECT_TRUE(text::IsValidCp932(r.reply));
      EXPECT_EQ(before, Snapshot(dest_));
    }
  }
}

// Members decode on several threads at once, yet what is installed, and
// which failure is reported, are those of one member after another: the
// first failure in archive order, whichever lane met it first.
TEST_F(ArchiveExtract, LanesActAsOneMemberAfterAnother) {
  std::vector<std::string> parts;  // each member's bytes, in order
  for (int i = 0; i < 40; ++i) {
    // Every seventh member is large, so that lanes finish out of order; the
    // last bears the name of an earlier one and must win.
    std::string name = i == 39 ? "M3.BIN" : "m" + std::to_string(i) + ".bin";
    std::size_t size = i % 7 == 0 ? 400000 : 2000 + 100 * static_cast<std::size_t>(i);
    parts.push_back(lzhtest::BuildMember(Stored(name, MixedData(size, static_cast<unsigned>(i)))));
  }
  auto archive = [&](std::vector<int> badCrc, int cutIn) {
    std::string a;
    for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
      std::string p = parts[static_cast<std::size_t>(i)];
      for (int b : badCrc) {
        if (b == i) p = Flip(p, p.size() - 10);
      }
      if (i == cutIn) return a + p.substr(0, p.size() / 2);
      a += p;
    }
    return a + '\0';
  };
  struct Row {
    const char* label;
    std::string archive;
    const char* replyHas;  // null: extracts
  } rows[] = {
      {"good", archive({}, -1), nullptr},
      {"CRC errors in 5 and 20", archive({5, 20}, -1), "「m5.bin」"},
      {"large first member bad, second too", archive({0, 1}, -1), "「m0.bin」"},
      {"large first member good, second bad", archive({1}, -1), "「m1.bin」"},
      {"CRC error in 25, cut in 30", archive({25}, 30), "「m25.bin」"},
      {"cut in 30 alone", archive({}, 30), "「m30.bin」"},
  };
  int n = 0;
  for (const Row& row : rows) {
    PutArchive("L.lzh", row.archive);
    std::map<std::string, std::string> oneLane;
    for (int lanes : {1, 2, 4}) {
      SCOPED_TRACE(std::string(row.label) + ", lanes " + std::to_string(lanes));
      engine::SetArchiveLanes(lanes);
      std::string dest = tmp_ / ("lanes" + std::to_string(++n) + "\\");
      testing_support::MakeFolders(dest);
      WriteFile(dest + "m3.bin", "old three");
      Result r = Extract(src_ + "L", dest);
      auto after = Snapshot(dest);
      if (row.replyHas) {
        EXPECT_NE(0, r.rc);
        EXPECT_NE(std::string::npos, text::Find(r.reply, row.replyHas)) << ToUtf8(r.reply);
        EXPECT_EQ("old three", after["m3.bin"]);
        EXPECT_EQ(1u, after.size());
      } else {
        EXPECT_EQ(0, r.rc) << ToUtf8(r.reply);
        EXPECT_EQ(39u, after.size());
      }
      if (lanes == 1) oneLane = after;
      EXPECT_EQ(oneLane, after);
    }
  }
}

TEST_F(ArchiveExtract, UnparsableCommand) {
  char reply[256];
  EXPECT_NE(0, RunArchiveCommand(nullptr, "x nonsense", reply, sizeof reply));
  EXPECT_NE(std::string::npos, text::Find(reply, "解釈できません"));
  EXPECT_NE(0, RunArchiveCommand(nullptr, nullptr, reply, sizeof reply));
}

// A reply longer than the buffer is cut at a character boundary and ends
// with NUL; a zero-sized buffer is not touched.
TEST_F(ArchiveExtract, ReplyIsCutAtCharacterBoundary) {
  std::string longName = src_;
  for (int i = 0; i < 10; ++i) longName += "書庫名";
  std::string command = "e -mcwC:\\W \"" + longName + "\" \"" + dest_ + "\"";
  for (int size : {1, 2, 3, 8, 9, 40, 41}) {
    SCOPED_TRACE(size);
    std::string buf(static_cast<std::size_t>(size) + 4, '\x7F');
    ASSERT_NE(0, RunArchiveCommand(nullptr, command.c_str(), &buf[0], size));
    std::size_t len = std::strlen(buf.c_str());
    EXPECT_LT(len, static_cast<std::size_t>(size));
    EXPECT_EQ('\x7F', buf[static_cast<std::size_t>(size)]) << "wrote past the buffer";
    std::string reply = buf.c_str();
    EXPECT_TRUE(text::IsValidCp932(reply)) << "split character";
  }
  char untouched = '\x7F';
  EXPECT_NE(0, RunArchiveCommand(nullptr, command.c_str(), &untouched, 0));
  EXPECT_EQ('\x7F', untouched);
}

struct HookLog {
  int begins = 0, updates = 0, ends = 0;
  void* owner = nullptr;
  std::string archive;
};
HookLog g_log;

const engine::ArchiveProgressHook kHook = {
    [](void* owner, const char* archive) -> void* {
      ++g_log.begins;
      g_log.owner = owner;
      g_log.archive = archive;
      return &g_log;
    },
    [](void*, const char*, int) { ++g_log.updates; },
    [](void*) { ++g_log.ends; },
};

TEST_F(ArchiveExtract, ProgressShownOnlyWithOwnerAndNotQuiet) {
  PutArchive("P.lzh", BuildArchive({Stored("p1.txt", "1"), Stored("p2.txt", "2")}));
  engine::SetArchiveProgressHook(&kHook);
  engine::SetArchiveProgressDelayMs(0);
  int owner = 0;
  struct Row {
    const char* label;
    void* owner;
    int quiet;
    bool shown;
  } rows[] = {{"owner", &owner, 0, true}, {"no owner", nullptr, 0, false}, {"quiet", &owner, 1, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    g_log = HookLog();
    SetArchiveModeA(row.quiet);
    ASSERT_EQ(0, Extract(src_ + "P", dest_, row.owner).rc);
    EXPECT_EQ(row.shown ? 1 : 0, g_log.begins);
    EXPECT_EQ(g_log.begins, g_log.ends);
    if (row.shown) {
      EXPECT_EQ(&owner, g_log.owner);
      EXPECT_EQ("P.lzh", g_log.archive);
      EXPECT_GE(g_log.updates, 1);
    }
  }
  engine::SetArchiveProgressHook(nullptr);
  engine::SetArchiveProgressDelayMs(500);
}

// Failures of the file system (injected on Linux): a full disk while
// writing, and a failed rename half-way through installing, both leave the
// destination as it was.
TEST_F(ArchiveExtract, FileSystemFailuresRollBack) {
  if (testing_support::kWindows) GTEST_SKIP() << "fault injection exists on Linux only";
  PutArchive("F.lzh", BuildArchive({Stored("first.txt", "new first"), Stored("second.txt", "new second"),
                                    Stored("third.txt", "new third")}));
  struct Row {
    const char* label;
    os::Op op;
    int nth;
    os::Error error;
    const char* replyHas;
  } rows[] = {
      {"disk full", os::Op::Write, 2, os::Error::DiskFull, "ディスクの空き"},
      {"cannot create", os::Op::Create, 1, os::Error::AccessDenied, "書き込めません"},
      {"rename fails late", os::Op::Rename, 4, os::Error::SharingViolation, "書き込めません"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    WriteFile(dest_ + "first.txt", "old first");
    WriteFile(dest_ + "second.txt", "old second");
    auto before = Snapshot(dest_);
    os::ClearFaults();
    os::InjectFault(row.op, row.nth, row.error);
    Result r = Extract(src_ + "F", dest_);
    os::ClearFaults();
    EXPECT_NE(0, r.rc);
    EXPECT_NE(std::string::npos, text::Find(r.reply, row.replyHas)) << ToUtf8(r.reply);
    EXPECT_EQ(before, Snapshot(dest_));
  }
}

// Whichever step fails, at the first member, in the middle or at the last,
// nothing is installed, no temporary file stays, and the failure reported
// is the first in archive order.
TEST_F(ArchiveExtract, WriterFailuresLeaveNothingInstalled) {
  if (testing_support::kWindows) GTEST_SKIP() << "fault injection exists on Linux only";
  std::vector<HandMember> members;
  std::map<std::string, std::string> expected;
  for (int i = 1; i <= 24; ++i) {
    std::string name = "m" + std::to_string(i) + ".bin";
    std::string data = MixedData(60000 + 1000 * static_cast<std::size_t>(i), static_cast<unsigned>(i));
    members.push_back(Stored(name, data));
    expected[name] = data;
  }
  std::string good = BuildArchive(members);
  PutArchive("W.lzh", good);
  PutArchive("C.lzh", Flip(good, good.size() - 100));  // the last member's CRC
  PutArchive("T.lzh", good.substr(0, good.size() / 2));  // data ends in a middle member

  // A clean run first: it shows how many calls of each kind an extraction makes.
  os::ClearFaults();
  ASSERT_EQ(0, Extract(src_ + "W", tmp_ / "clean\\").rc);
  EXPECT_EQ(expected, Snapshot(tmp_ / "clean\\"));
  const int writes = os::OperationCount(os::Op::Write);
  const int closes = os::OperationCount(os::Op::Close);
  ASSERT_GE(writes, 24);

  struct Row {
    const char* label;
    const char* archive;
    os::Op op;
    int nth;  // 0: no fault
    const char* replyHas;
    // Counted operations come in archive order on one lane only; on
    // several, the failing write falls to whichever member comes to it.
    int lanes;
  } rows[] = {
      {"first write", "W", os::Op::Write, 1, "m1.bin", 1},
      {"middle write", "W", os::Op::Write, writes / 2, "ディスクの空き", 1},
      {"last write", "W", os::Op::Write, writes, "m24.bin", 1},
      {"create of the 20th", "W", os::Op::Create, 20, "m20.bin", 1},
      {"last close", "W", os::Op::Close, closes, "m24.bin", 1},
      {"CRC of the last", "C", os::Op::Write, 0, "CRC", 1},
      {"cut in the middle", "T", os::Op::Write, 0, "途中で切れています", 1},
      {"middle write, four lanes", "W", os::Op::Write, writes / 2, "ディスクの空き", 4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    engine::SetArchiveLanes(row.lanes);
    WriteFile(dest_ + "m1.bin", "old one");
    WriteFile(dest_ + "m24.bin", "old last");
    auto before = Snapshot(dest_);
    os::ClearFaults();
    if (row.nth) os::InjectFault(row.op, row.nth, os::Error::DiskFull);
    Result r = Extract(src_ + row.archive, dest_);
    os::ClearFaults();
    EXPECT_NE(0, r.rc);
    EXPECT_NE(std::string::npos, text::Find(r.reply, row.replyHas)) << ToUtf8(r.reply);
    EXPECT_EQ(before, Snapshot(dest_));
  }
}

// Windows: a target another program holds open cannot be replaced; the
// files already moved are moved back.
TEST_F(ArchiveExtract, LockedTargetRollsBack) {
  if (!testing_support::kWindows) GTEST_SKIP() << "sharing modes exist on Windows only";
  PutArchive("L.lzh", BuildArchive({Stored("first.txt", "new first"), Stored("second.txt", "new second"),
                                    Stored("third.txt", "new third")}));
  WriteFile(dest_ + "first.txt", "old first");
  WriteFile(dest_ + "second.txt", "old second");
  auto before = Snapshot(dest_);
  os::InputFile holder;
  ASSERT_TRUE(holder.Open(dest_ + "second.txt", true));
  Result r = Extract(src_ + "L", dest_);
  holder.Close();
  EXPECT_NE(0, r.rc);
  EXPECT_NE(std::string::npos, text::Find(r.reply, "second.txt")) << r.reply;
  EXPECT_EQ(before, Snapshot(dest_));
}

// Archives from a third-party encoder, through the whole component.
TEST_F(ArchiveExtract, JlhaArchivesEveryMethod) {
  if (!lzhtest::HaveTool("jlha")) GTEST_SKIP() << "jlha is not installed";
  lzhtest::TempDir work;
  std::map<std::string, std::string> files = {
      {"text.txt", MixedData(50000, 7)}, {u8"表計算.dat", MixedData(90000, 8)}, {"one", "1"}, {"zero", ""}};
  for (const auto& f : files) lzhtest::WriteAll(work.path() / lzhtest::fs::u8path(f.first), f.second);
  int n = 0;
  for (const char* opt : {"o5y0", "o6y1", "o7y2", "zy2"}) {
    SCOPED_TRACE(opt);
    std::string name = "J" + std::to_string(++n);
    std::string archive = (work.path() / (name + ".lzh")).string();
    ASSERT_EQ(0, lzhtest::Shell("cd " + lzhtest::Quote(work.path().string()) + " && jlha c" + opt + "q " +
                                lzhtest::Quote(archive) + " text.txt " + lzhtest::Quote(u8"表計算.dat") +
                                " one zero >/dev/null 2>&1"));
    std::string out = tmp_ / (name + "\\");
    Result r = Extract(ToCp932(work.path().string()) + "/" + name, out);
    ASSERT_EQ(0, r.rc) << ToUtf8(r.reply);
    for (const auto& f : files) {
      std::string cp = ToCp932(f.first);
      EXPECT_TRUE(ReadFile(out + cp) == f.second) << f.first;
    }
  }
}

}  // namespace
