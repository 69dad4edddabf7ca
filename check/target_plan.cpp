// An installation to check the run against: the run's own checks, which
// only read, and the plan of what the run would do record by record.
#include "check/checker.h"

#include <cstdint>
#include <set>

#include "engine/run_rules.h"
#include "os/os.h"
#include "targets/master_conversion.h"
#include "targets/product_checks.h"
#include "targets/template_check.h"
#include "text/cp932.h"

namespace check {
namespace {

constexpr std::size_t kTitleBuffer = 100;

}  // namespace

void Checker::CheckTarget() {
  const std::string& target = options_.target;
  if (session_.m_recordFault != RecordFault::None) {
    Plan("plan.refused", session_.m_faultyLine,
         "更新は " + Num(session_.m_faultyLine) + " 行目で媒体を拒否し、何も変更しません。",
         "the run would refuse the medium because of line " + Num(session_.m_faultyLine) + " and change nothing.");
    return;
  }
  std::string settings = session_.m_settingsFile;
  std::string work;
  if (!engine::ChooseSettingsFile(target, settings, work)) {
    Add(Severity::Error, "target.settings-not-found", target, 0,
        "インストール先に設定ファイル " + std::string(session_.m_settingsFile == "NULL" ? "morefa1.ini も pilunet1.ini も" : session_.m_settingsFile) +
            "見つかりません（「ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。」）。",
        "the settings file " + std::string(session_.m_settingsFile == "NULL" ? "(morefa1.ini or pilunet1.ini)" : session_.m_settingsFile) +
            " is not in the installation folder; the run would say the folder seems wrong.");
    return;
  }
  Add(Severity::Info, "target.settings-file", target, 0, "設定ファイル " + P(work + settings),
      "settings file " + P(work + settings));
  if (targets::CheckInstalledFiles(work, settings) != 1) {
    // Which of the files the check asks for are absent, for the message.
    std::string missing;
    auto need = [&](const std::string& name) {
      if (!os::Exists(work + name)) missing += (missing.empty() ? "" : ", ") + name;
    };
    std::string upper = text::UpperAscii(settings);
    if ((upper == "MOREFA1.INI" || upper == "ZERBIS1.INI") && !os::Exists(work + "mo2menu.ini") &&
        !os::Exists(work + "mo1menu.ini") && !os::Exists(work + "tessolin.exe")) {
      missing = "mo2menu.ini / mo1menu.ini / tessolin.exe";
    }
    need("\\bmp\\VOSKE2L.BMP");
    need("\\bmp\\file.BMP");
    Add(Severity::Error, "target.installed-files", target, 0,
        "インストール済みファイルの確認で拒否されます（「このバージョンへの更新はできません。」）。不足: " + missing,
        "the installed files check refuses the installation; missing: " + missing);
    return;
  }
  int index = targets::ClassifyInstalledProduct(work, settings, session_.m_titlePatterns);
  std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, work + settings);
  if (index == -1) {
    Add(Severity::Error, "target.not-recognised", target, 0,
        "TITLE「" + title + "」に合うパターンがなく、更新できません（「このバージョンへの更新はできません。」）。",
        "no title pattern is found in TITLE \"" + title + "\"; the run would refuse the update.");
    return;
  }
  if (index >= 1 && index <= 15) {
    Plan("target.classified", kLineFirstTitlePattern + index - 1,
         "バージョン " + Num(index) + "（TITLE「" + title + "」）", "version index " + Num(index) + " (TITLE \"" + title + "\")");
  } else {
    Add(Severity::Info, "target.classified", target, 0, "メーカー版 バージョン " + Num(index),
        "maker variant, version index " + Num(index));
  }
  PlanRecords(work, settings, index);
}

void Checker::PlanRecords(const std::string& work, const std::string& settings, int index) {
  const std::string& sourceDir = options_.sourceDir;
  bool fits = true;
  for (int k = 0; k < session_.m_recordCount; ++k) {
    const Record r = session_.RecordAt(k);
    if (!r.IsArchive()) continue;
    std::string name = r.name;
    if (engine::IsStartArchive(name)) name += engine::StartSuffix(index);
    std::string command = engine::ExtractCommand(options_.windowsFolder, sourceDir, name, work + r.subfolder);
    if (command.size() > engine::kCommandMaxBytes) {
      fits = false;
      AddLine(Severity::Error, "target.command-too-long", kFirstRecordLine + k,
              "このインストール先では展開コマンドが " + Num(static_cast<long long>(command.size())) +
                  " バイトになり、255バイトを超えます（更新は始まりません）。",
              "for this installation the extraction command is " + Num(static_cast<long long>(command.size())) +
                  " bytes, over 255 (the run would not start).");
    }
  }
  if (!fits) return;

  std::set<std::string> madeFolders;
  int drive = 1;
  for (int k = 0; k < session_.m_recordCount; ++k) {
    const int line = kFirstRecordLine + k;
    const Record r = session_.RecordAt(k);
    const int disk = r.disk;
    std::string name = r.name;
    const bool archive = r.IsArchive();
    if (archive && engine::IsStartArchive(name)) name += engine::StartSuffix(index);
    if (disk != 1 && disk != drive) {
      drive = disk;
      // A START disk is taken as in with START.lzh or with its variant.
      std::string awaited = name + (archive ? ".lzh" : "");
      if (archive && name != r.name) awaited = r.name + ".lzh / " + awaited;
      Plan("plan.disk", line, "フロッピーなら " + Num(disk) + " 枚目を求めます（" + awaited + " を待ちます）。",
           "on floppies: would ask for disk " + Num(disk) + " (waiting for " + awaited + ")");
    }
    std::string destination = work + r.subfolder;
    if (!os::Exists(destination) && madeFolders.insert(PathKey(destination)).second) {
      Plan("plan.make-folder", line, "フォルダ " + P(destination) + " を作ります。", "would create folder " + P(destination));
    }
    if (archive) {
      if (engine::IsStartArchive(r.name) && !session_.m_versionText.empty() && index <= 15) {
        Plan("plan.setting", line, P(work + settings) + " [SYSTEM] Version=" + session_.m_versionText + " を書きます。",
             "would write [SYSTEM] Version=" + session_.m_versionText + " to " + P(work + settings));
      }
      if (engine::IsExcelArchive(name)) {
        if (targets::CheckSpreadsheetTemplate(work) != 1) {
          Plan("plan.skip", line, "EXCEL を展開しません: ひな形は最新です。", "would skip EXCEL: template up to date");
          continue;
        }
        Plan("plan.template", line, "ひな形の更新対象です（「原価計算書のエクセルひな形を更新しました。」）。",
             "template due: would announce the template update");
      }
      Plan("plan.extract", line, name + ".lzh を " + P(destination) + " に展開します。",
           "would extract " + name + ".lzh into " + P(destination));
      Located at = Locate(k, name + ".lzh");
      if (!at.found || !Tested(at.path).ok) return PlanStop(line);
    } else {
      text::PathParts parts = text::SplitPath(name);
      std::string targetPath = destination + parts.name + parts.ext;
      Plan("plan.copy", line, name + " を " + P(targetPath) + " にコピーします。", "would copy " + name + " to " + P(targetPath));
      std::uint32_t attributes = 0;
      if (os::GetAttributes(targetPath, attributes) && (attributes & os::kAttrReadOnly)) {
        AddLine(Severity::Error, "target.read-only", line, P(targetPath) + " は読み取り専用のため、コピーが失敗します。",
                P(targetPath) + " is read-only; the copy would fail.");
        return PlanStop(line);
      }
      if (!Locate(k, name).found) return PlanStop(line);
    }
  }
  PlanFinish(work, settings);
}

// A record whose archive or file is missing, damaged or cannot be written
// ends the run with a message; nothing after it happens.
void Checker::PlanStop(int line) {
  Plan("plan.stop", line, "更新はここで失敗して終わります。以降の記録と設定の書き込みは行われません。",
       "the run would fail and end here; later records and the settings entries are not written");
}

void Checker::PlanFinish(const std::string& work, const std::string& settings) {
  const std::string settingsPath = work + settings;
  auto setting = [&](const std::string& file, const std::string& entry, int line) {
    Plan("plan.setting", line, P(file) + " " + entry + " を書きます。", "would write " + entry + " to " + P(file));
  };
  setting(settingsPath, "[SYSTEM] GENGOU=令和", 0);
  if (!session_.m_versionText.empty()) {
    std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, settingsPath);
    std::string replaced = text::ReplaceAll(title, "8.0S", session_.m_versionText);
    std::string written = text::CutToBytes(replaced, kTitleBuffer - 1);
    if (written.size() < replaced.size()) {
      AddLine(Severity::Warning, "target.title-cut", kLineVersionText, "新しい TITLE が99バイトを超えるため切り詰められます: " + written,
              "the new TITLE exceeds 99 bytes and would be cut: " + written);
    }
    if (written == title) {
      Plan("plan.title-unchanged", kLineVersionText, "TITLE に 8.0S がないため、TITLE は変わりません。",
           "TITLE holds no 8.0S and stays as it is");
    } else {
      setting(settingsPath, "[SYSTEM] TITLE=" + written, kLineVersionText);
    }
  }
  setting(work + "tov3.ini", "[HISTORY] 抽出開始日ON=1, 抽出終了日ON=1", 0);
  for (const char* key : engine::CategoryKeysFor(text::AtoiLike(session_.m_category))) {
    if (key) setting(settingsPath, std::string("[SYSTEM] ") + key + "=1", kLineCategory);
  }
  if (text::AtoiLike(session_.m_masterAdjust) == 1) {
    std::string master = targets::MasterFolderSetting(work + "morefa1.ini");
    if (master.empty()) {
      AddLine(Severity::Warning, "target.no-master-folder", kLineMasterAdjust,
              P(work + "morefa1.ini") + " に [DIR] MASTER がないため、マスタ変換は失敗を報告します。",
              P(work + "morefa1.ini") + " names no [DIR] MASTER folder, so both master conversions would report a failure.");
    } else {
      Plan("plan.convert-masters", kLineMasterAdjust, "材料マスタ（" + master + "）のサイズ変換とタイプ変換を行います。",
           "would convert material sizes and types of the masters in " + master);
    }
  } else {
    Plan("plan.no-conversion", kLineMasterAdjust, "マスタ変換は行いません。", "no master conversion");
  }
}

}  // namespace check
