// Files held open without sharing by another program (here: a handle this
// test holds, opened with share mode 0): an extraction target, a copy
// target, a settings file and a master file. Each is reported and keeps its
// content. Windows build only, under Wine: share modes are a Windows matter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/update_run.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "tests/reliability/demo_medium.h"
#include "tests/support/session.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

namespace {

using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::TempDir;
using RecordingUi = testing_support::ScriptedUi;
using testing_support::WriteFile;

// An open handle that shares nothing, as another program may hold it.
class Lock {
 public:
  explicit Lock(const std::string& path)
      : h_(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~Lock() { Release(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  bool held() const { return h_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

const char kSuccess[] = "[確認] システムは正常に更新されました。";

struct Row {
  const char* what;
  const char* file;     // relative to the installation; made before the run if missing
  const char* content;  // its content then (null: as the demo has it)
  int result;
  // A message that must be shown (its start), and whether the run may still
  // end in success (a failed conversion does not stop it).
  std::string message;
  bool success;
};

TEST(LockedFile, ReportedAndNothingLost) {
  const Row rows[] = {
      {"extraction target", "prog\\MITSUMO.TXT", "old program\r\n", 1, "[確認] 「", false},
      {"copy target", "doc\\README.TXT", "old readme\r\n", 1, "[確認] ", false},
      {"settings file written last", "tov3.ini", "[HISTORY]\r\n", 1, "[確認] ", false},
      {"main settings file", "morefa1.ini", nullptr, 0, "[エラー] このバージョンへの更新はできません。", false},
      {"master file", "master\\21\\pok001-3.mst", nullptr, 1, "[確認] 材料ｻｲｽﾞ変換が正常に更新されませんでした。", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    reliability::DemoPaths paths = reliability::MakeDemo(dir.path());
    const std::string locked = paths.install + row.file;
    if (row.content) {
      std::string folder = locked.substr(0, locked.rfind('\\'));
      MakeFolders(folder);
      WriteFile(locked, row.content);
    }
    const std::string before = ReadFile(locked);
    UpdateSession session;
    ASSERT_EQ(LoadDescriptor(session, paths.medium), 1);
    session.m_targetFolder = paths.install;
    RecordingUi ui;
    int result;
    {
      Lock lock(locked);
      ASSERT_TRUE(lock.held());
      result = RunUpdate(session, ui, paths.medium);
    }
    EXPECT_EQ(result, row.result);
    bool told = false, success = false;
    for (const std::string& m : ui.shown) {
      told |= m.compare(0, row.message.size(), row.message) == 0 && m != kSuccess;
      success |= m == kSuccess;
    }
    std::string all;
    for (const std::string& m : ui.shown) all += m + "\n";
    EXPECT_TRUE(told) << all;
    EXPECT_EQ(success, row.success) << all;
    // The locked file is mentioned where the message names a file.
    if (row.content) {
      EXPECT_NE(all.find(row.file), std::string::npos) << all;
    }
    EXPECT_EQ(ReadFile(locked), before);
    for (const auto& entry : reliability::TakeSnapshot(paths.install)) {
      EXPECT_EQ(entry.first.find("~brx"), std::string::npos) << "left behind: " << entry.first;
      EXPECT_EQ(entry.first.find("temp.mst"), std::string::npos) << "left behind: " << entry.first;
    }
  }
}

}  // namespace

#endif  // _WIN32
