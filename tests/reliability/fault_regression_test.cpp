// Faults the fault walk found, each pinned down on its own (native only: the
// failures are injected through the POSIX side of os/).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/update_run.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "os/test_hooks.h"
#include "tests/reliability/demo_medium.h"
#include "tests/support/session.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using Ui = testing_support::ScriptedUi;
using testing_support::WriteFile;

// The demo update with the nth operation of kind `op` failing.
int RunDemoWithFault(const reliability::DemoPaths& paths, os::Op op, int n, Ui& ui) {
  UpdateSession session;
  EXPECT_EQ(LoadDescriptor(session, paths.medium), 1);
  session.m_targetFolder = paths.install;
  os::ClearFaults();
  os::InjectFault(op, n, os::Error::DiskFull);
  int result = RunUpdate(session, ui, paths.medium);
  os::ClearFaults();
  return result;
}

TEST(FaultRegression, CopyCutShortKeepsTheOldFile) {
  TempDir dir;
  reliability::DemoPaths paths = reliability::MakeDemo(dir.path());
  testing_support::MakeFolders(paths.install + "doc");
  WriteFile(paths.install + "doc\\SETUP.INI", "[SETUP]\r\nVERSION=8.0S\r\n");
  Ui ui;
  // The second copy of the demo is Setup.ini.
  EXPECT_EQ(RunDemoWithFault(paths, os::Op::Copy, 2, ui), 1);
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_NE(ui.shown.back().find("SETUP.INI"), std::string::npos) << ui.shown.back();
  EXPECT_EQ(ReadFile(paths.install + "doc\\SETUP.INI"), "[SETUP]\r\nVERSION=8.0S\r\n");
  EXPECT_FALSE(os::Exists(paths.install + "doc\\~brxcopy.tmp"));
}

// The template is the one file the demo's archives replace; its old copy is
// kept aside under a temporary name until every member is in place.
TEST(FaultRegression, ReplacedFileKeptAsideIsRemovedDespiteOneFailure) {
  TempDir dir;
  reliability::DemoPaths paths = reliability::MakeDemo(dir.path());
  Ui ui;
  EXPECT_EQ(RunDemoWithFault(paths, os::Op::Remove, 1, ui), 1);
  EXPECT_EQ(ui.shown.back(), "[確認] システムは正常に更新されました。");
  EXPECT_EQ(ReadFile(paths.install + "形式\\横K-R7q.xlsm"), "demo template 9.1S\r\n");
  for (const os::FindEntry& e : os::FindFiles(paths.install + "形式\\*")) {
    EXPECT_TRUE(e.name == "." || e.name == ".." || e.name == "横K-R7q.xlsm") << e.name;
  }
}

}  // namespace

#endif  // _WIN32
