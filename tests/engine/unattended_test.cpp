// Unattended updates: the command-line switches, the update log, and how an
// unattended run chooses its folder and reports its outcome.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/switches.h"
#include "engine/unattended.h"
#include "engine/update_log.h"
#include "os/os.h"
#include "os/test_hooks.h"
#include "tests/lzh/lzh_support.h"
#include "tests/support/session.h"
#include "tests/support/temp_dir.h"

namespace {

using engine::Switches;
using engine::UiMode;
using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

TEST(Switches, Table) {
  struct Row {
    const char* args;
    UiMode mode;
    bool help;
    const char* dir;  // null: no /DIR
    const char* log;  // null: no /LOG; "" the default name
    const char* bad;  // null: understood
  } rows[] = {
      {"", UiMode::Wizard, false, nullptr, nullptr, nullptr},
      {"   ", UiMode::Wizard, false, nullptr, nullptr, nullptr},
      {"/SILENT", UiMode::Silent, false, nullptr, nullptr, nullptr},
      {"-verysilent", UiMode::VerySilent, false, nullptr, nullptr, nullptr},
      {"/VerySilent /silent", UiMode::VerySilent, false, nullptr, nullptr, nullptr},
      {"/SILENT /DIR=\"C:\\ESTIMATE\" /LOG=\"C:\\logs\\a b.log\"", UiMode::Silent, false, "C:\\ESTIMATE",
       "C:\\logs\\a b.log", nullptr},
      {"/dir=C:\\EST /log", UiMode::Wizard, false, "C:\\EST", "", nullptr},
      // The quotes may enclose the whole switch; a final backslash stays.
      {"\"/DIR=C:\\Program Files\\EST\\\"", UiMode::Wizard, false, "C:\\Program Files\\EST\\", nullptr, nullptr},
      {"/DIR=\"\\\\srv\\share\\見積\\表\"", UiMode::Wizard, false, "\\\\srv\\share\\見積\\表", nullptr, nullptr},
      {"/DIR=A /DIR=B", UiMode::Wizard, false, "B", nullptr, nullptr},
      {"/?", UiMode::Wizard, true, nullptr, nullptr, nullptr},
      {"-HELP", UiMode::Wizard, true, nullptr, nullptr, nullptr},
      // Faults name the first argument that is wrong; the rest still counts.
      {"/VERYSILENT /QUIET /LOG", UiMode::VerySilent, false, nullptr, "", "/QUIET"},
      {"/SILENTX", UiMode::Wizard, false, nullptr, nullptr, "/SILENTX"},
      {"/SILENT=1", UiMode::Wizard, false, nullptr, nullptr, "/SILENT=1"},
      {"/DIR", UiMode::Wizard, false, nullptr, nullptr, "/DIR"},
      {"/DIR=\"\"", UiMode::Wizard, false, nullptr, nullptr, "/DIR="},
      {"/LOG=", UiMode::Wizard, false, nullptr, nullptr, "/LOG="},
      {"C:\\EST /X", UiMode::Wizard, false, nullptr, nullptr, "C:\\EST"},
      {"/", UiMode::Wizard, false, nullptr, nullptr, "/"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.args);
    Switches s = engine::ParseSwitches(r.args);
    EXPECT_EQ(s.mode, r.mode);
    EXPECT_EQ(s.help, r.help);
    EXPECT_EQ(s.hasDir, r.dir != nullptr);
    EXPECT_EQ(s.dir, r.dir ? r.dir : "");
    EXPECT_EQ(s.log, r.log != nullptr);
    EXPECT_EQ(s.logPath, r.log ? r.log : "");
    EXPECT_EQ(s.badArgument, r.bad ? r.bad : "");
    EXPECT_EQ(s.badReason.empty(), r.bad == nullptr);
  }
}

TEST(Switches, ProgramNameIsSkipped) {
  const char* rows[][2] = {
      {"\"D:\\UPD 1\\Brelix.exe\" /SILENT", "/SILENT"},
      {"D:\\Brelix.exe   /LOG /SILENT", "/LOG /SILENT"},
      {"\\\\srv\\share\\表\\Brelix.exe", ""},
      {"Brelix.exe", ""},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r[0]);
    EXPECT_EQ(engine::ArgumentsOf(r[0]), r[1]);
  }
}

TEST(UpdateLog, Utf8WithBomOneLineAnEvent) {
  TempDir dir;
  const std::string path = dir / "a.log";
  engine::UpdateLog log;
  ASSERT_TRUE(log.Open(path));
  engine::LogTime t{2026, 3, 4, 5, 6, 7};
  log.Line("表示 ｱ", t);
  log.Line("one\r\ntwo\nthree\r", t);
  log.Close();
  log.Line("after close", t);  // ignored
  EXPECT_EQ(ReadFile(path),
            "\xEF\xBB\xBF"
            "2026-03-04 05:06:07  \xE8\xA1\xA8\xE7\xA4\xBA \xEF\xBD\xB1\r\n"
            "2026-03-04 05:06:07  one / two / three / \r\n");
  EXPECT_EQ(engine::DefaultLogPath("C:\\TEMP\\", t), "C:\\TEMP\\Brelix-20260304-050607.log");
  // A log that cannot be made stays closed and takes lines quietly.
  engine::UpdateLog missing;
  EXPECT_FALSE(missing.Open(dir / "no" + (testing_support::kWindows ? "\\" : "/") + "x.log"));
  missing.Line("nothing");
}

class LogUi : public UpdateUi {
 public:
  std::vector<std::string> lines;  // log lines and "[caption] text" messages, in order
  void Message(const std::string& text, const std::string& caption) override {
    lines.push_back("[" + caption + "] " + text);
  }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    lines.push_back("[" + caption + "?] " + text);
    return false;  // unattended: Cancel
  }
  void Log(const std::string& line) override { lines.push_back(line); }
  // Whether a line contains `part`.
  bool Has(const std::string& part) const {
    for (const std::string& l : lines) {
      if (l.find(part) != std::string::npos) return true;
    }
    return false;
  }
};

class UnattendedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<TempDir>();
    s_ = UpdateSession();
    sep_ = testing_support::kWindows ? "\\" : "/";
    medium_ = *dir_ / "medium" + sep_;
    app_ = *dir_ / "app";
    MakeFolders(medium_);
    MakeFolders(app_);
    WriteFile(App("morefa1.ini"), "[SYSTEM]\r\nTITLE=見積原価 8.0S\r\n");
    WriteFile(App("mo2menu.ini"), "");
    WriteFile(App("tessolin.exe"), "");
    MakeFolders(App("bmp"));
    WriteFile(App("bmp") + sep_ + "VOSKE2L.BMP", "");
    WriteFile(App("bmp") + sep_ + "file.BMP", "");
    s_.m_settingsFile = "morefa1.ini";
    s_.m_masterAdjust = "0";
    s_.m_category = "0";
    s_.m_titlePatterns[0] = "見積原価 8.0S";
    for (int i = 1; i < kTitlePatternCount; ++i) s_.m_titlePatterns[i] = "none" + std::to_string(i);
    WriteFile(medium_ + "DATA1.lzh", lzhtest::BuildMember(lzhtest::Stored("a.dat", "A")) +
                                         lzhtest::BuildMember(lzhtest::Stored("b.dat", "BB")) + std::string(1, '\0'));
    WriteFile(medium_ + "README.TXT", "12345");
    AddRecord(1, 1, "DATA1", "master" + sep_);
    AddRecord(1, 2, "README.TXT", "doc" + sep_);
    os::SetRegistryForTesting({});
    os::SetRemovableForTesting(false);
  }
  void TearDown() override { os::SetRemovableForTesting(false); }

  std::string App(const std::string& name) const { return app_ + sep_ + name; }
  void AddRecord(int disk, int kind, const std::string& name, const std::string& sub) {
    testing_support::AddRecordTo(s_, disk, kind, name, sub);
  }

  std::unique_ptr<TempDir> dir_;
  std::string sep_, medium_, app_;
  UpdateSession s_;
  LogUi ui_;
};

TEST_F(UnattendedTest, FolderChoice) {
  struct Row {
    const char* name;
    bool dirSwitch;
    bool registered;
    bool line16;
    engine::FolderSource source;
    const char* folder;
  } rows[] = {
      {"switch first", true, true, true, engine::FolderSource::Switch, "C:\\BY-SWITCH"},
      {"then registry", false, true, true, engine::FolderSource::Registry, "C:\\REG"},
      {"then line 16", false, false, true, engine::FolderSource::Descriptor, "C:\\LINE16"},
      {"none", false, false, false, engine::FolderSource::None, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // The registry a test sets up exists in the Linux build only.
    if (testing_support::kWindows && r.registered) continue;
    UpdateSession s;
    s.m_uninstallKeys[0] = "EST";
    s.m_targetFolder = r.line16 ? "C:\\LINE16" : "";
    os::SetRegistryForTesting(
        {{"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\EST",
          {{"UninstallString", r.registered ? "X:\\UNINST.EXE -fC:\\REG\\REMOVE.LOG" : "X:\\UNINST.EXE"}}}});
    Switches sw;
    sw.hasDir = r.dirSwitch;
    sw.dir = "C:\\BY-SWITCH";
    std::string folder = "old";
    EXPECT_EQ(engine::ChooseUnattendedFolder(s, sw, folder), r.source);
    EXPECT_EQ(folder, r.folder);
  }
  os::SetRegistryForTesting({});
}

TEST_F(UnattendedTest, Outcomes) {
  enum Setup { Good, WrongFolder, NoFolder, NoDescriptor, FloppyTwo, FaultyLine, BadArchive };
  struct Row {
    const char* name;
    Setup setup;
    RunOutcome outcome;
    const char* logged;  // a line the log must hold
  } rows[] = {
      {"applied", Good, RunOutcome::Applied, "展開しました: 2 個のファイル"},
      {"wrong folder", WrongFolder, RunOutcome::TargetRefused, "[エラー] ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。"},
      {"no folder", NoFolder, RunOutcome::TargetRefused,
       "インストール先が決まりません（/DIR も登録も info.txt の 16 行目もありません）"},
      {"no info.txt", NoDescriptor, RunOutcome::MediumUnusable, nullptr},
      {"floppy 2", FloppyTwo, RunOutcome::CancelledAtDisk, "[確認?] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。"},
      {"faulty line", FaultyLine, RunOutcome::MediumUnusable, nullptr},
      {"bad archive", BadArchive, RunOutcome::FailedAfterChanges, nullptr},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    // A removable medium is simulated in the Linux build only.
    if (testing_support::kWindows && r.setup == FloppyTwo) continue;
    SetUp();
    Switches sw;
    sw.hasDir = r.setup != NoFolder;
    sw.dir = r.setup == WrongFolder ? *dir_ / "elsewhere" : app_;
    if (r.setup == FloppyTwo) {
      os::SetRemovableForTesting(true);
      AddRecord(2, 2, "DISK2.TXT", "doc" + sep_);
    }
    if (r.setup == FaultyLine) {
      s_.m_recordFault = RecordFault::MissingField;
      s_.m_faultyLine = 45;
    }
    if (r.setup == BadArchive) WriteFile(medium_ + "DATA1.lzh", "not an archive");
    RunOutcome outcome = engine::RunUnattended(s_, ui_, medium_, r.setup != NoDescriptor, sw);
    EXPECT_EQ(outcome, r.outcome);
    if (r.logged) {
      EXPECT_TRUE(ui_.Has(r.logged));
    }
    const bool applied = r.outcome == RunOutcome::Applied;
    EXPECT_EQ(ReadFile(App("doc") + sep_ + "README.TXT") == "12345", applied || r.setup == FloppyTwo);
    EXPECT_EQ(ReadFile(App("tov3.ini")) != "<missing>", applied);
    if (applied) {
      EXPECT_TRUE(ui_.Has("README.TXT（5 バイト）"));
    }
    TearDown();
    ui_.lines.clear();
  }
}

}  // namespace
