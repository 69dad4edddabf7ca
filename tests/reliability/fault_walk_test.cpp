// Fault injection over a whole update run of the demo medium and over each
// material conversion: for every kind of operation, the Nth one fails (N from
// 1 to the number a clean run performs), and after each run the installation
// must hold every file either as it was or as the clean run leaves it, with
// no temporary file left, and the user must have been told. The injection is
// a test mode of the POSIX side of os/, so this test is native only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "engine/update_run.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "os/test_hooks.h"
#include "targets/master_conversion.h"
#include "tests/reliability/demo_medium.h"
#include "tests/support/session.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32

namespace {

using reliability::Differences;
using reliability::MakeDemo;
using reliability::Snapshot;
using reliability::TakeSnapshot;
using testing_support::TempDir;
using RecordingUi = testing_support::ScriptedUi;

const char kSuccess[] = "[確認] システムは正常に更新されました。";
const char kTemplate[] = "[確認] 原価計算書のエクセルひな形を更新しました。";
const char kSizeFailed[] = "[確認] 材料ｻｲｽﾞ変換が正常に更新されませんでした。";
const char kTypeFailed[] = "[確認] 材料ﾀｲﾌﾟ変換が正常に更新されませんでした。";

// Settings files are edited one entry at a time, so between "before" and
// "after" they pass through states of their own; they are checked entry by
// entry instead of as whole files.
const char* const kSettingsFiles[] = {"morefa1.ini", "tov3.ini"};

struct Entry {
  const char* file;
  const char* section;
  const char* key;
};
const Entry kEntries[] = {
    {"morefa1.ini", "SYSTEM", "TITLE"},       {"morefa1.ini", "SYSTEM", "Version"},
    {"morefa1.ini", "SYSTEM", "GENGOU"},      {"morefa1.ini", "SYSTEM", "種別水道"},
    {"morefa1.ini", "SYSTEM", "種別設備"},    {"morefa1.ini", "DIR", "MASTER"},
    {"tov3.ini", "HISTORY", "抽出開始日ON"}, {"tov3.ini", "HISTORY", "抽出終了日ON"},
};

const os::Op kOps[] = {os::Op::Create,       os::Op::Write,         os::Op::Flush,  os::Op::Close,
                       os::Op::Rename,       os::Op::Copy,          os::Op::MakeFolder, os::Op::ProfileWrite,
                       os::Op::SetAttributes, os::Op::Remove};
const char* OpName(os::Op op) {
  static const char* const names[] = {"Create", "Write", "Flush", "Close", "Rename", "Copy",
                                      "MakeFolder", "ProfileWrite", "SetAttributes", "Remove"};
  return names[static_cast<int>(op)];
}
// The errors cycle with N, so every kind of failure is met.
const os::Error kErrors[] = {os::Error::DiskFull, os::Error::AccessDenied, os::Error::SharingViolation};

std::string Joined(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += s + "\n";
  return out;
}

bool IsSettings(const std::string& name) {
  for (const char* s : kSettingsFiles) {
    if (name == s) return true;
  }
  return false;
}

bool IsMaster(const std::string& name) {
  for (const char* m : reliability::kMasterFiles) {
    if (name == m) return true;
  }
  return false;
}

std::string Lookup(const Snapshot& s, const std::string& name) {
  auto it = s.find(name);
  return it == s.end() ? "<missing>" : it->second;
}

// A master file as it was, or as one or both conversions leave it (each
// conversion is a step of its own; a failed size conversion does not stop the
// type conversion).
std::set<std::string> ConvertedStates(const std::string& base) {
  const std::string sized = targets::ConvertMasterText(base, targets::ConvertSizeLine);
  return {base, sized, targets::ConvertMasterText(base, targets::ConvertTypeLine),
          targets::ConvertMasterText(sized, targets::ConvertTypeLine)};
}

std::set<std::string> MasterStates(const Snapshot& before, const std::string& name) {
  auto it = before.find(name);
  if (it != before.end()) return ConvertedStates(it->second);
  // Not installed before: missing, or extracted and then converted or not.
  std::set<std::string> states = ConvertedStates(reliability::ExtractedMaster());
  states.insert("<missing>");
  return states;
}

// Every file is as it was before or as the clean run leaves it (a master file
// may also stand between its conversions); nothing else (no temporary file)
// is present. Settings entries are old or new one by one.
void ExpectOldOrNew(const Snapshot& before, const Snapshot& clean, const Snapshot& after,
                    const std::string& install) {
  for (const auto& a : after) {
    EXPECT_TRUE(before.count(a.first) || clean.count(a.first)) << "left behind: " << a.first;
  }
  std::vector<std::string> names;
  for (const auto& b : before) names.push_back(b.first);
  for (const auto& c : clean) names.push_back(c.first);
  for (const std::string& name : names) {
    if (IsSettings(name)) continue;
    std::string now = Lookup(after, name);
    if (IsMaster(name)) {
      EXPECT_TRUE(MasterStates(before, name).count(now)) << name << " is half converted";
      continue;
    }
    EXPECT_TRUE(now == Lookup(before, name) || now == Lookup(clean, name)) << name << " is neither old nor new";
  }
  for (const char* settings : kSettingsFiles) {
    if (before.count(settings)) {
      EXPECT_TRUE(after.count(settings)) << settings << " lost";
    }
  }
  TempDir scratch;
  for (const Entry& e : kEntries) {
    auto value = [&](const Snapshot& s) {
      std::string path = scratch / "settings.ini";
      testing_support::WriteFile(path, Lookup(s, e.file) == "<missing>" ? "" : Lookup(s, e.file));
      return os::GetProfileValue(e.section, e.key, "<none>", 256, path);
    };
    std::string now = value(after);
    EXPECT_TRUE(now == value(before) || now == value(clean)) << e.file << " [" << e.section << "] " << e.key << "=" << now;
  }
  (void)install;
}

struct RunOutcome {
  int result = 0;
  std::vector<std::string> shown;
  Snapshot before;
  Snapshot after;
  std::string install;
  int counts[static_cast<int>(os::Op::Count)] = {};
};

// One update run of a fresh demo installation, with the nth operation of
// kind `op` failing (n 0: none).
RunOutcome RunDemo(const TempDir& dir, os::Op op, int n, os::Error error) {
  reliability::DemoPaths paths = MakeDemo(dir.path());
  RunOutcome out;
  out.install = paths.install;
  out.before = TakeSnapshot(paths.install);
  UpdateSession session;
  EXPECT_EQ(LoadDescriptor(session, paths.medium), 1);
  session.m_targetFolder = paths.install.substr(0, paths.install.size() - 1);
  RecordingUi ui;
  os::ClearFaults();
  if (n > 0) os::InjectFault(op, n, error);
  out.result = RunUpdate(session, ui, paths.medium);
  for (os::Op kind : kOps) out.counts[static_cast<int>(kind)] = os::OperationCount(kind);
  os::ClearFaults();
  out.shown = ui.shown;
  out.after = TakeSnapshot(paths.install);
  return out;
}

TEST(FaultWalk, EveryOperationOfTheDemoUpdate) {
  os::SetRemovableForTesting(false);
  TempDir cleanDir;
  RunOutcome clean = RunDemo(cleanDir, os::Op::Create, 0, os::Error::None);
  const int* counts = clean.counts;
  ASSERT_EQ(clean.result, 1);
  ASSERT_EQ(clean.shown, (std::vector<std::string>{kTemplate, kSuccess}));
  for (const char* master : reliability::kMasterFiles) ASSERT_TRUE(clean.after.count(master)) << master;
  ASSERT_NE(clean.after.at("master\\1\\pok001-3.mst"), clean.before.at("master\\1\\pok001-3.mst"));

  int runs = 0;
  for (os::Op op : kOps) {
    const int total = counts[static_cast<int>(op)];
    for (int n = 1; n <= total; ++n) {
      const os::Error error = kErrors[n % 3];
      SCOPED_TRACE(std::string(OpName(op)) + " #" + std::to_string(n) + " of " + std::to_string(total));
      TempDir dir;
      RunOutcome r = RunDemo(dir, op, n, error);
      ++runs;
      SCOPED_TRACE("messages:\n" + Joined(r.shown));
      EXPECT_EQ(r.result, 1);  // the target is accepted before anything is written
      const bool success = std::find(r.shown.begin(), r.shown.end(), kSuccess) != r.shown.end();
      bool conversionFailed = false;
      for (const std::string& s : r.shown) conversionFailed |= s == kSizeFailed || s == kTypeFailed;
      if (success && !conversionFailed) {
        // Only a failure the run recovered from may end in success, and then
        // the installation is exactly what a clean run leaves.
        EXPECT_EQ(Differences(clean.after, r.after), std::vector<std::string>{}) << "silent success";
      } else if (success) {
        // A failed conversion is reported and the run goes on: everything but
        // the master files is complete.
        for (const auto& c : clean.after) {
          if (!IsMaster(c.first)) {
            EXPECT_EQ(Lookup(r.after, c.first), c.second) << c.first;
          }
        }
      } else {
        bool told = false;
        for (const std::string& s : r.shown) told |= s != kTemplate;
        EXPECT_TRUE(told) << "failure without a message";
      }
      ExpectOldOrNew(r.before, clean.after, r.after, r.install);
    }
  }
  std::string summary;
  for (os::Op op : kOps) summary += std::string(" ") + OpName(op) + "=" + std::to_string(counts[static_cast<int>(op)]);
  std::printf("fault walk: %d runs of the demo update;%s\n", runs, summary.c_str());
}

struct Conversion {
  const char* name;
  int (*convert)(const std::string& settingsPath);
  const char* message;
};

TEST(FaultWalk, EveryOperationOfEachMaterialConversion) {
  const Conversion conversions[] = {{"sizes", targets::ConvertMaterialSizes, kSizeFailed},
                                    {"types", targets::ConvertMaterialTypes, kTypeFailed}};
  for (const Conversion& c : conversions) {
    SCOPED_TRACE(c.name);
    Snapshot before, converted;
    int counts[static_cast<int>(os::Op::Count)];
    {
      TempDir dir;
      reliability::DemoPaths paths = MakeDemo(dir.path());
      before = TakeSnapshot(paths.install);
      os::ClearFaults();
      ASSERT_EQ(c.convert(paths.install + "morefa1.ini"), 1);
      for (os::Op op : kOps) counts[static_cast<int>(op)] = os::OperationCount(op);
      converted = TakeSnapshot(paths.install);
    }
    ASSERT_EQ(Differences(before, converted),
              (std::vector<std::string>{"*master\\1\\pok001-3.mst", "*master\\21\\pok001-3.mst"}));
    for (os::Op op : kOps) {
      const int total = counts[static_cast<int>(op)];
      for (int n = 1; n <= total; ++n) {
        SCOPED_TRACE(std::string(OpName(op)) + " #" + std::to_string(n) + " of " + std::to_string(total));
        TempDir dir;
        reliability::DemoPaths paths = MakeDemo(dir.path());
        os::ClearFaults();
        os::InjectFault(op, n, kErrors[n % 3]);
        int result = c.convert(paths.install + "morefa1.ini");
        os::ClearFaults();
        Snapshot after = TakeSnapshot(paths.install);
        // A conversion that hit a failure says so (its caller then shows
        // its message); one that did not is complete.
        if (result != 0) {
          EXPECT_EQ(Differences(converted, after), std::vector<std::string>{});
        }
        ExpectOldOrNew(before, converted, after, paths.install);
      }
    }
  }
}

}  // namespace

#endif  // _WIN32
