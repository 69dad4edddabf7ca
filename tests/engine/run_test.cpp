// The update run as scenarios: a scripted user interface records every
// message in order; each scenario checks the result and the installation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/update_plan.h"
#include "engine/update_run.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "os/test_hooks.h"
#include "tests/lzh/lzh_support.h"
#include "tests/support/session.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::AddRecordTo;
using testing_support::MakeFolders;
using testing_support::ScriptedUi;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

const char kSuccess[] = "[確認] システムは正常に更新されました。";
const char kWrongFolder[] = "[エラー] ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。";
const char kRefused[] = "[エラー] このバージョンへの更新はできません。";

std::string Archive(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string out;
  for (const auto& m : members) out += lzhtest::BuildMember(lzhtest::Stored(m.first, m.second));
  return out + std::string(1, '\0');
}

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    medium_ = dir_ / "medium" + Sep();
    app_ = dir_ / "app";  // no final separator, as a user may type it
    MakeFolders(medium_);
    MakeFolders(app_);
    os::SetRemovableForTesting(false);
    s_.m_settingsFile = "morefa1.ini";
    s_.m_targetFolder = app_;
    s_.m_masterAdjust = "0";
    s_.m_category = "0";
    s_.m_titlePatterns[0] = "見積原価 7.0";
    s_.m_titlePatterns[1] = "見積原価 8.0S";
    for (int i = 2; i < kTitlePatternCount; ++i) s_.m_titlePatterns[i] = "none" + std::to_string(i);
  }
  void TearDown() override { os::SetRemovableForTesting(false); }

  static std::string Sep() { return testing_support::kWindows ? "\\" : "/"; }
  std::string App(const std::string& name) const { return app_ + Sep() + name; }

  // An installation that passes the checks: settings file, menu file, tool,
  // both bitmaps.
  void Install(const std::string& settings = "morefa1.ini", const std::string& title = "見積原価 8.0S") {
    WriteFile(App(settings), "[SYSTEM]\r\nTITLE=" + title + "\r\n[DIR]\r\nMASTER=master\\\r\n");
    WriteFile(App("mo2menu.ini"), "");
    WriteFile(App("tessolin.exe"), "");
    MakeFolders(App("bmp"));
    WriteFile(App("bmp") + Sep() + "VOSKE2L.BMP", "");
    WriteFile(App("bmp") + Sep() + "file.BMP", "");
  }

  void AddRecord(int disk, int kind, const std::string& name, const std::string& sub) {
    AddRecordTo(s_, disk, kind, name, sub);
  }

  void AddArchive(int disk, const std::string& name, const std::string& sub, const std::string& member,
                  const std::string& content) {
    WriteFile(medium_ + name + ".lzh", Archive({{member, content}}));
    AddRecord(disk, 1, name, sub);
  }

  std::string Setting(const std::string& file, const std::string& section, const std::string& key) {
    return os::GetProfileValue(section, key, "<none>", 256, App(file));
  }

  int Run() { return RunUpdate(s_, ui_, medium_); }

  TempDir dir_;
  std::string medium_, app_;
  UpdateSession s_;
  ScriptedUi ui_;
};

// The plan the run executes and the check prints, one step per entry (the
// log notes left out): which steps, in which order, for which sessions.
TEST_F(RunTest, PlanListsTheStepsOfTheRun) {
  struct Row {
    const char* name;
    std::function<void(UpdateSession&)> setup;
    std::vector<std::string> steps;
  };
  const std::string deep(230, 'w');
  const std::vector<Row> rows = {
      {"archives, a file, a START variant and the version",
       [](UpdateSession& s) {
         s.m_versionText = "9.1S";
         AddRecordTo(s, 1, 1, "PROG", "prog\\");
         AddRecordTo(s, 1, 1, "START", "");
         AddRecordTo(s, 1, 2, "SETUP.INI", "doc\\");
       },
       {"folder 43", "extract PROG", "folder 44", "setting Version=9.1S", "extract START1", "folder 45",
        "copy SETUP.INI", "setting GENGOU=令和", "title 9.1S", "setting 抽出開始日ON=1", "setting 抽出終了日ON=1",
        "report"}},
      {"a disk is asked for only when it changes",
       [](UpdateSession& s) {
         AddRecordTo(s, 1, 1, "A", "");
         AddRecordTo(s, 2, 1, "B", "");
         AddRecordTo(s, 2, 3, "C.TXT", "");
         AddRecordTo(s, 1, 1, "D", "");
         AddRecordTo(s, 3, 1, "START", "");
       },
       {"folder 43", "extract A", "disk 2 B.lzh", "folder 44", "extract B", "folder 45", "copy C.TXT", "folder 46",
        "extract D", "disk 3 START.lzh / START1.lzh", "folder 47", "extract START1", "setting GENGOU=令和",
        "setting 抽出開始日ON=1", "setting 抽出終了日ON=1", "report"}},
      {"the template check comes before its extraction; categories and conversion at the end",
       [](UpdateSession& s) {
         s.m_category = "6";
         s.m_masterAdjust = "1";
         AddRecordTo(s, 1, 1, "EXCEL", "形式\\");
       },
       {"folder 43", "template", "extract EXCEL", "setting GENGOU=令和", "setting 抽出開始日ON=1",
        "setting 抽出終了日ON=1", "setting 種別電気=1", "setting 種別設備=1", "convert", "report"}},
      {"a faulty record line refuses the medium and nothing else",
       [](UpdateSession& s) {
         AddRecordTo(s, 1, 1, "PROG", "");
         s.m_faultyLine = 44;
         s.m_recordFault = RecordFault::MissingField;
       },
       {"refuse 4/1 line 44"}},
      {"a folder without the settings file",
       [](UpdateSession& s) {
         AddRecordTo(s, 1, 1, "PROG", "");
         s.m_settingsFile = "pilunet1.ini";
       },
       {"refuse 3/0 line 0"}},
      {"every command too long is listed",
       [deep](UpdateSession& s) {
         AddRecordTo(s, 1, 1, "PROG", deep);
         AddRecordTo(s, 1, 2, "SETUP.INI", deep);
         AddRecordTo(s, 1, 1, "START", deep);
       },
       {"refuse 4/0 line 43", "refuse 4/0 line 45"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    s_.m_recordCount = 0;
    s_.m_settingsFile = "morefa1.ini";
    s_.m_versionText.clear();
    s_.m_category = "0";
    s_.m_masterAdjust = "0";
    s_.m_faultyLine = 0;
    s_.m_recordFault = RecordFault::None;
    Install("morefa1.ini", "見積原価 7.0");
    row.setup(s_);
    const engine::UpdatePlan plan = engine::PlanUpdate(s_, medium_, "C:\\WINDOWS");
    std::vector<std::string> steps;
    for (const engine::PlanStep& step : plan.steps) {
      switch (step.kind) {
        case engine::StepKind::Note: break;
        case engine::StepKind::Refuse:
          steps.push_back("refuse " + std::to_string(static_cast<int>(step.outcome)) + "/" + std::to_string(step.result) +
                          " line " + std::to_string(step.line));
          break;
        case engine::StepKind::AskDisk: steps.push_back("disk " + std::to_string(step.disk) + " " + step.awaited); break;
        case engine::StepKind::MakeFolder: steps.push_back("folder " + std::to_string(step.line)); break;
        case engine::StepKind::WriteSetting: steps.push_back("setting " + step.key + "=" + step.value); break;
        case engine::StepKind::WriteTitle: steps.push_back("title " + step.value); break;
        case engine::StepKind::TemplateCheck: steps.push_back("template"); break;
        case engine::StepKind::Extract: steps.push_back("extract " + step.name); break;
        case engine::StepKind::Copy: steps.push_back("copy " + step.name); break;
        case engine::StepKind::ConvertMasters: steps.push_back("convert"); break;
        case engine::StepKind::Report: steps.push_back("report"); break;
      }
    }
    EXPECT_EQ(steps, row.steps);
  }
}

TEST_F(RunTest, InstallsRecordsAndWritesTheFinishingEntries) {
  Install("morefa1.ini", "見積原価 8.0S と 8.0S");
  s_.m_versionText = "9.1S";
  s_.m_category = "5";
  AddArchive(1, "PROG", "prog\\", "tool.exe", "new tool");
  WriteFile(medium_ + "SETUP.INI", "[A]\r\nx=1\r\n");
  AddRecord(1, 2, "SETUP.INI", "doc\\");
  ASSERT_TRUE(os::SetAttributes(medium_ + "SETUP.INI", os::kAttrReadOnly));

  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{kSuccess});
  EXPECT_EQ(ui_.waits, 1);
  EXPECT_EQ(ReadFile(App("prog") + Sep() + "tool.exe"), "new tool");
  EXPECT_EQ(ReadFile(App("doc") + Sep() + "SETUP.INI"), "[A]\r\nx=1\r\n");
  std::uint32_t attrs = 0;
  ASSERT_TRUE(os::GetAttributes(App("doc") + Sep() + "SETUP.INI", attrs));
  EXPECT_FALSE(attrs & os::kAttrReadOnly);
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "GENGOU"), "令和");
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "TITLE"), "見積原価 9.1S と 9.1S");
  EXPECT_EQ(Setting("tov3.ini", "HISTORY", "抽出開始日ON"), "1");
  EXPECT_EQ(Setting("tov3.ini", "HISTORY", "抽出終了日ON"), "1");
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "種別水道"), "1");
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "種別設備"), "1");
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "種別電気"), "<none>");
  EXPECT_EQ(s_.m_versionIndex, 2);
  os::SetAttributes(medium_ + "SETUP.INI", 0);
}

TEST_F(RunTest, CategorySwitches) {
  struct Row {
    const char* category;
    std::vector<std::string> keys;
  } rows[] = {{"1", {"種別電気"}}, {"4", {"種別建築"}}, {"6", {"種別電気", "種別設備"}},
              {"0", {}},          {"7", {}},           {"x", {}}};
  const char* all[] = {"種別電気", "種別水道", "種別設備", "種別建築"};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.category);
    TempDir local;
    app_ = local / "app";
    MakeFolders(app_);
    Install();
    s_.m_targetFolder = app_;
    s_.m_category = r.category;
    EXPECT_EQ(Run(), 1);
    for (const char* key : all) {
      bool expected = std::find(r.keys.begin(), r.keys.end(), key) != r.keys.end();
      EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", key), expected ? "1" : "<none>") << key;
    }
  }
}

TEST_F(RunTest, SettingsFileProbe) {
  // "NULL" tries morefa1.ini, then pilunet1.ini, and keeps the name it tried last.
  Install("pilunet1.ini");
  std::remove(App("mo2menu.ini").c_str());
  s_.m_settingsFile = "NULL";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(s_.m_settingsFile, "pilunet1.ini");
  EXPECT_EQ(s_.m_versionIndex, 0);  // maker variant, MAKER missing: default 1
  EXPECT_EQ(Setting("pilunet1.ini", "SYSTEM", "GENGOU"), "令和");
  EXPECT_EQ(Setting("tov3.ini", "HISTORY", "抽出開始日ON"), "1");
}

TEST_F(RunTest, NullSettingsFileIsProbedAgainAfterARefusedFolder) {
  // The first folder holds neither settings file; the second holds
  // morefa1.ini, which a second run must still find.
  Install("morefa1.ini");
  s_.m_settingsFile = "NULL";
  s_.m_targetFolder = dir_ / "elsewhere";
  MakeFolders(s_.m_targetFolder);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(s_.m_settingsFile, "NULL");
  s_.m_targetFolder = app_;
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(s_.m_settingsFile, "morefa1.ini");
  EXPECT_EQ(ui_.shown, (std::vector<std::string>{kWrongFolder, kSuccess}));
}

TEST_F(RunTest, FolderWithoutSettingsFileIsRefusedUntouched) {
  for (const char* settings : {"NULL", "morefa1.ini"}) {
    SCOPED_TRACE(settings);
    ui_.shown.clear();
    s_.m_settingsFile = settings;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ui_.shown, std::vector<std::string>{kWrongFolder});
    EXPECT_FALSE(os::Exists(App("tov3.ini")));
  }
  s_.m_targetFolder = "";
  ui_.shown.clear();
  s_.m_settingsFile = "morefa1.ini";
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{kWrongFolder});
}

TEST_F(RunTest, ChecksRefuseBeforeAnythingChanges) {
  struct Row {
    const char* what;
    const char* title;
    bool removeBitmap;
  } rows[] = {{"unknown title", "別製品 1.0", false}, {"bitmap missing", "見積原価 8.0S", true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    TempDir local;
    app_ = local / "app";
    MakeFolders(app_);
    Install("morefa1.ini", r.title);
    if (r.removeBitmap) std::remove((App("bmp") + Sep() + "file.BMP").c_str());
    s_.m_targetFolder = app_;
    AddArchive(1, "PROG", "prog\\", "a.txt", "a");
    ui_.shown.clear();
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(ui_.shown, std::vector<std::string>{kRefused});
    EXPECT_FALSE(os::Exists(App("prog")));
    EXPECT_FALSE(os::Exists(App("tov3.ini")));
  }
}

TEST_F(RunTest, StartArchiveTakesTheVersionSuffix) {
  struct Row {
    const char* settings;
    const char* title;
    const char* maker;
    const char* archive;
    bool versionWritten;
  } rows[] = {
      {"morefa1.ini", "見積原価 8.0S", "", "START2", true},
      {"pilunet1.ini", "", "2", "START99", false},
      {"pilunet1.ini", "", "1", "START0", true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.archive);
    TempDir local;
    app_ = local / "app";
    MakeFolders(app_);
    Install(r.settings, r.title);
    if (*r.maker) os::SetProfileValue("SYSTEM", "MAKER", r.maker, App(r.settings));
    UpdateSession fresh = s_;
    s_.m_targetFolder = app_;
    s_.m_settingsFile = r.settings;
    s_.m_versionText = "9.1S";
    s_.m_recordCount = 0;
    WriteFile(medium_ + r.archive + ".lzh", Archive({{"start.dat", r.archive}}));
    AddRecord(1, 1, "START", "prog\\");
    ui_.shown.clear();
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ui_.shown, std::vector<std::string>{kSuccess});
    EXPECT_EQ(s_.m_archiveNames[0], r.archive);
    EXPECT_EQ(ReadFile(App("prog") + Sep() + "start.dat"), r.archive);
    EXPECT_EQ(Setting(r.settings, "SYSTEM", "Version"), r.versionWritten ? "9.1S" : "<none>");
    s_ = fresh;
  }
}

TEST_F(RunTest, ExtractionFailureStopsAfterTheRecordsBefore) {
  Install();
  AddArchive(1, "A1", "one\\", "1.txt", "1");
  AddArchive(1, "A2", "two\\", "2.txt", "2");
  AddRecord(1, 1, "MISSING", "three\\");
  AddArchive(1, "A4", "four\\", "4.txt", "4");
  AddArchive(1, "A5", "five\\", "5.txt", "5");
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_NE(ui_.shown[0].find("[確認] "), std::string::npos);
  EXPECT_NE(ui_.shown[0].find("MISSING"), std::string::npos) << ui_.shown[0];
  EXPECT_EQ(ReadFile(App("one") + Sep() + "1.txt"), "1");
  EXPECT_EQ(ReadFile(App("two") + Sep() + "2.txt"), "2");
  EXPECT_FALSE(os::Exists(App("four") + Sep() + "4.txt"));
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "GENGOU"), "<none>");
  EXPECT_FALSE(os::Exists(App("tov3.ini")));
}

TEST_F(RunTest, FileCopyFailureNamesTheTarget) {
  Install();
  AddRecord(1, 2, "ABSENT.TXT", "doc\\");
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{"[確認] " + app_ + "\\doc\\ABSENT.TXT" + "の更新に失敗しました。"});
}

TEST_F(RunTest, NoRecordsWritesOnlyTheFinishingEntries) {
  Install();
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{kSuccess});
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "GENGOU"), "令和");
  EXPECT_EQ(Setting("morefa1.ini", "SYSTEM", "TITLE"), "見積原価 8.0S");  // no version text
}

TEST_F(RunTest, TitleReplacementIsCutAtACharacterBoundary) {
  std::string title = std::string(90, 'x') + "8.0S";
  Install("morefa1.ini", title);
  s_.m_titlePatterns[0] = "x";
  s_.m_versionText = "表示表示表示表";  // 14 bytes: 90 + 14 > 99
  EXPECT_EQ(Run(), 1);
  std::string written = Setting("morefa1.ini", "SYSTEM", "TITLE");
  EXPECT_EQ(written, std::string(90, 'x') + "表示表示");  // 98 bytes: the next character would not fit
}

TEST_F(RunTest, ConversionFailureIsReportedAndTheRunGoesOn) {
  Install();
  os::SetProfileValue("DIR", "MASTER", "", App("morefa1.ini"));  // no master folder: nothing converts
  s_.m_masterAdjust = "1";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, (std::vector<std::string>{"[確認] 材料ｻｲｽﾞ変換が正常に更新されませんでした。",
                                                 "[確認] 材料ﾀｲﾌﾟ変換が正常に更新されませんでした。", kSuccess}));
}

TEST_F(RunTest, MasterConversionRunsWhenAsked) {
  Install();
  MakeFolders(App("master") + Sep() + "1");
  MakeFolders(App("master") + Sep() + "21");
  std::string record = "400400000107" + std::string(174, 'x');  // 186 bytes
  WriteFile(App("master") + Sep() + "1" + Sep() + "pok001-3.mst", record + "\n");
  WriteFile(App("master") + Sep() + "21" + Sep() + "pok002-3.mst", "1234567890123A rest\n");
  s_.m_masterAdjust = "1";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{kSuccess});
  EXPECT_EQ(ReadFile(App("master") + Sep() + "1" + Sep() + "pok001-3.mst").size(), 185u + 2u);
  EXPECT_EQ(ReadFile(App("master") + Sep() + "21" + Sep() + "pok002-3.mst"), "1234567890123Z rest\r\n");
}

TEST_F(RunTest, FaultyDescriptorIsRefusedBeforeAnythingChanges) {
  Install();
  AddArchive(1, "PROG", "prog\\", "a.txt", "a");
  s_.m_recordFault = RecordFault::FieldTooLong;
  s_.m_faultyLine = 44;
  EXPECT_EQ(Run(), 1);
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_EQ(ui_.shown[0].rfind("[エラー] info.txt の 44 行目が正しくありません", 0), 0u) << ui_.shown[0];
  EXPECT_FALSE(os::Exists(App("prog")));
  EXPECT_FALSE(os::Exists(App("tov3.ini")));
}

TEST_F(RunTest, CommandTooLongForTheChosenFolderSendsTheUserBack) {
  std::string deep = app_ + Sep() + std::string(100, 'd') + Sep() + std::string(60, 'e');
  MakeFolders(deep);
  app_ = deep;
  Install();
  s_.m_targetFolder = deep;
  AddArchive(1, "PROG", "prog\\", "a.txt", "a");
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(ui_.shown.size(), 1u);
  EXPECT_NE(ui_.shown[0].find("43 行目のアーカイブ PROG"), std::string::npos) << ui_.shown[0];
  EXPECT_FALSE(os::Exists(App("prog")));
  EXPECT_FALSE(os::Exists(App("tov3.ini")));
}

TEST_F(RunTest, ReadOnlySettingsFileIsNotReportedAsSuccess) {
  Install();
  ASSERT_TRUE(os::SetAttributes(App("morefa1.ini"), os::kAttrReadOnly));
  if (!testing_support::ReadOnlyIsEnforced()) GTEST_SKIP() << "read-only files are writable here";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{"[確認] " + app_ + "\\morefa1.ini" + "の更新に失敗しました。"});
  os::SetAttributes(App("morefa1.ini"), 0);
}

#ifndef _WIN32
// Floppy prompts need a removable source; the Linux door can pretend one.
TEST_F(RunTest, DiskPromptsOnlyWhenTheDiskChanges) {
  Install();
  int disks[] = {1, 2, 2, 1, 3};
  for (int i = 0; i < 5; ++i) AddArchive(disks[i], "D" + std::to_string(i), "d\\", std::to_string(i) + ".txt", "x");
  const std::string prompt2 = "[確認?] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。";
  const std::string prompt3 = "[確認?] 3 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。";

  os::SetRemovableForTesting(false);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, std::vector<std::string>{kSuccess});

  ui_.shown.clear();
  os::SetRemovableForTesting(true);
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, (std::vector<std::string>{prompt2, prompt3, kSuccess}));
}

TEST_F(RunTest, CancelAtADiskPrompt) {
  Install();
  AddArchive(1, "A", "a\\", "a.txt", "a");
  AddArchive(2, "B", "b\\", "b.txt", "b");
  os::SetRemovableForTesting(true);
  ui_.answers = {false};
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(ui_.shown, (std::vector<std::string>{"[確認?] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。",
                                                 "[確認] ｱｯﾌﾟﾃﾞｲﾄを取消しました。"}));
  EXPECT_TRUE(os::Exists(App("a") + "/a.txt"));
  EXPECT_FALSE(os::Exists(App("b") + "/b.txt"));
  EXPECT_FALSE(os::Exists(App("tov3.ini")));
}

TEST_F(RunTest, PromptRepeatsUntilTheDiskIsIn) {
  Install();
  AddRecord(2, 2, "README.TXT", "doc\\");  // a file record on disk 2
  os::SetRemovableForTesting(true);
  // The first OK finds no disk; the test "inserts" it before the second.
  struct InsertingUi : ScriptedUi {
    std::string file;
    int asked = 0;
    bool AskOkCancel(const std::string& text, const std::string& caption) override {
      if (++asked == 2) WriteFile(file, "readme");
      return ScriptedUi::AskOkCancel(text, caption);
    }
  } ui;
  ui.file = medium_ + "README.TXT";
  EXPECT_EQ(RunUpdate(s_, ui, medium_), 1);
  EXPECT_EQ(ui.asked, 2);
  EXPECT_EQ(ReadFile(App("doc") + "/README.TXT"), "readme");
  EXPECT_EQ(ui.shown.back(), kSuccess);
}

// One row per way a run can end; the result keeps its meaning for the
// wizard, the outcome tells the exit status.
TEST_F(RunTest, EachWayARunEndsHasItsOutcome) {
  struct Row {
    const char* what;
    std::function<void()> setUp;
    int result;
    RunOutcome outcome;
  } rows[] = {
      {"applied", [this] { Install(); }, 1, RunOutcome::Applied},
      {"folder without settings file", [] {}, 0, RunOutcome::TargetRefused},
      {"faulty record line",
       [this] {
         Install();
         s_.m_recordFault = RecordFault::SubfolderOutside;
         s_.m_faultyLine = 43;
       },
       1, RunOutcome::MediumUnusable},
      {"cancel at the first record's disk",
       [this] {
         Install();
         AddArchive(2, "B", "b\\", "b.txt", "b");
         ui_.answers = {false};
       },
       1, RunOutcome::CancelledBeforeChange},
      {"cancel after a record was installed",
       [this] {
         Install();
         AddArchive(1, "A", "a\\", "a.txt", "a");
         AddArchive(2, "B", "b\\", "b.txt", "b");
         ui_.answers = {false};
       },
       1, RunOutcome::CancelledAtDisk},
      {"extraction failure",
       [this] {
         Install();
         AddRecord(1, 1, "MISSING", "m\\");
       },
       1, RunOutcome::FailedAfterChanges},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    s_ = UpdateSession();
    SetUp();
    TempDir local;
    app_ = local / "app";
    MakeFolders(app_);
    s_.m_targetFolder = app_;
    os::SetRemovableForTesting(true);
    r.setUp();
    RunOutcome outcome = RunOutcome::BadCommandLine;
    EXPECT_EQ(RunUpdate(s_, ui_, medium_, &outcome), r.result);
    EXPECT_EQ(outcome, r.outcome);
  }
}

// A START record's disk is in when it holds START.lzh or the variant the
// installation gets; with START.lzh alone, the variant's absence is then
// reported by the extraction.
TEST_F(RunTest, StartDiskIsInWithEitherName) {
  struct Row {
    const char* file;
    std::vector<std::string> shown;
  } rows[] = {
      {"START2.lzh", {"[確認?] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。", kSuccess}},
      {"START.lzh", {"[確認?] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。", "[確認] 書庫「START2.lzh」が見つかりません。"}},
  };
  os::SetRemovableForTesting(true);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.file);
    TempDir local;
    app_ = local / "app";
    medium_ = local / "medium" + Sep();
    MakeFolders(app_);
    MakeFolders(medium_);
    Install();
    s_.m_targetFolder = app_;
    s_.m_recordCount = 0;
    AddRecord(2, 1, "START", "prog\\");
    WriteFile(medium_ + r.file, Archive({{"start.dat", "x"}}));
    ui_.shown.clear();
    ui_.answers = {true, false};  // a second prompt would be cancelled
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ui_.shown, r.shown);
    s_.m_archiveNames[0] = "START";
  }
}

TEST_F(RunTest, BareDriveLetterIsTheRootOfThatDrive) {
  Install();
  ::setenv("BRELIX_DRIVE_Q", app_.c_str(), 1);
  s_.m_targetFolder = "Q";
  EXPECT_EQ(Run(), 1);
  EXPECT_EQ(Setting("tov3.ini", "HISTORY", "抽出開始日ON"), "1");
  ::unsetenv("BRELIX_DRIVE_Q");
}
#endif

}  // namespace
