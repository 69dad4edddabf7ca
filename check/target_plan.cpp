// An installation to check the run against: the run's own plan for it,
// printed step by step, with what the medium and the installation say now
// about the steps that could fail.
#include "check/checker.h"

#include <cstdint>
#include <set>

#include "os/os.h"
#include "targets/master_conversion.h"
#include "text/cp932.h"

namespace check {
namespace {

constexpr std::size_t kTitleBuffer = 100;

}  // namespace

void Checker::CheckTarget() {
  const std::string& target = options_.target;
  UpdateSession session = session_;
  session.m_targetFolder = target;
  const engine::UpdatePlan plan = engine::PlanUpdate(session, options_.sourceDir, options_.windowsFolder);
  const std::string settingsPath = plan.work + plan.settingsFile;
  std::set<std::string> madeFolders;
  bool converts = false;
  bool skipExtraction = false;
  for (std::size_t i = 0; i < plan.steps.size(); ++i) {
    const engine::PlanStep& step = plan.steps[i];
    switch (step.kind) {
      case engine::StepKind::Note:
        if (step.about == engine::NoteAbout::SettingsFile) {
          Add(Severity::Info, "target.settings-file", target, 0, "設定ファイル " + P(settingsPath),
              "settings file " + P(settingsPath));
        } else if (step.about == engine::NoteAbout::Product && plan.versionIndex != -1) {
          Classified(plan);
        }
        break;
      case engine::StepKind::Refuse:
        Refused(plan, step);
        break;
      case engine::StepKind::AskDisk:
        Plan("plan.disk", step.line, "フロッピーなら " + Num(step.disk) + " 枚目を求めます（" + step.awaited + " を待ちます）。",
             "on floppies: would ask for disk " + Num(step.disk) + " (waiting for " + step.awaited + ")");
        break;
      case engine::StepKind::MakeFolder:
        if (step.now && madeFolders.insert(PathKey(step.path)).second) {
          Plan("plan.make-folder", step.line, "フォルダ " + P(step.path) + " を作ります。", "would create folder " + P(step.path));
        }
        break;
      case engine::StepKind::WriteSetting: {
        // Entries that no descriptor line asks for, written one after the
        // other to one section of one file, are shown as one line.
        std::string entry = "[" + step.section + "] " + step.key + "=" + step.value;
        while (step.line == 0 && i + 1 < plan.steps.size()) {
          const engine::PlanStep& next = plan.steps[i + 1];
          if (next.kind != engine::StepKind::WriteSetting || next.line != 0 || next.path != step.path ||
              next.section != step.section) {
            break;
          }
          entry += ", " + next.key + "=" + next.value;
          ++i;
        }
        Plan("plan.setting", step.line, P(step.path) + " " + entry + " を書きます。", "would write " + entry + " to " + P(step.path));
        break;
      }
      case engine::StepKind::WriteTitle:
        PlanTitle(step);
        break;
      case engine::StepKind::TemplateCheck:
        skipExtraction = !step.now;
        if (skipExtraction) {
          Plan("plan.skip", step.line, "EXCEL を展開しません: ひな形は最新です。", "would skip EXCEL: template up to date");
        } else {
          Plan("plan.template", step.line, "ひな形の更新対象です（「原価計算書のエクセルひな形を更新しました。」）。",
               "template due: would announce the template update");
        }
        break;
      case engine::StepKind::Extract: {
        if (skipExtraction) {
          skipExtraction = false;
          break;
        }
        Plan("plan.extract", step.line, step.name + ".lzh を " + P(step.path) + " に展開します。",
             "would extract " + step.name + ".lzh into " + P(step.path));
        Located at = Locate(step.record, step.name + ".lzh");
        if (!at.found || !Tested(at.path).ok) return PlanStop(step.line);
        break;
      }
      case engine::StepKind::Copy: {
        Plan("plan.copy", step.line, step.name + " を " + P(step.target) + " にコピーします。",
             "would copy " + step.name + " to " + P(step.target));
        std::uint32_t attributes = 0;
        if (os::GetAttributes(step.target, attributes) && (attributes & os::kAttrReadOnly)) {
          AddLine(Severity::Error, "target.read-only", step.line, P(step.target) + " は読み取り専用のため、コピーが失敗します。",
                  P(step.target) + " is read-only; the copy would fail.");
          return PlanStop(step.line);
        }
        if (!Locate(step.record, step.name).found) return PlanStop(step.line);
        break;
      }
      case engine::StepKind::ConvertMasters:
        converts = true;
        PlanConversion(step);
        break;
      case engine::StepKind::Report:
        if (!converts) Plan("plan.no-conversion", kLineMasterAdjust, "マスタ変換は行いません。", "no master conversion");
        break;
    }
  }
}

void Checker::Classified(const engine::UpdatePlan& plan) {
  const int index = plan.versionIndex;
  std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, plan.work + plan.settingsFile);
  if (index >= 1 && index <= 15) {
    Plan("target.classified", kLineFirstTitlePattern + index - 1,
         "バージョン " + Num(index) + "（TITLE「" + title + "」）", "version index " + Num(index) + " (TITLE \"" + title + "\")");
  } else {
    Add(Severity::Info, "target.classified", options_.target, 0, "メーカー版 バージョン " + Num(index),
        "maker variant, version index " + Num(index));
  }
}

void Checker::Refused(const engine::UpdatePlan& plan, const engine::PlanStep& step) {
  const std::string& target = options_.target;
  const std::string& work = plan.work;
  const std::string& settings = plan.settingsFile;
  switch (step.reason) {
    case engine::RefuseReason::FaultyRecordLine:
      Plan("plan.refused", step.line, "更新は " + Num(step.line) + " 行目で媒体を拒否し、何も変更しません。",
           "the run would refuse the medium because of line " + Num(step.line) + " and change nothing.");
      break;
    case engine::RefuseReason::NoSettingsFile: {
      const bool both = session_.m_settingsFile == "NULL";
      Add(Severity::Error, "target.settings-not-found", target, 0,
          "インストール先に設定ファイル " + std::string(both ? "morefa1.ini も pilunet1.ini も" : session_.m_settingsFile) +
              "見つかりません（「ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。」）。",
          "the settings file " + std::string(both ? "(morefa1.ini or pilunet1.ini)" : session_.m_settingsFile) +
              " is not in the installation folder; the run would say the folder seems wrong.");
      break;
    }
    case engine::RefuseReason::InstalledFiles: {
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
      break;
    }
    case engine::RefuseReason::NotRecognised: {
      std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, work + settings);
      Add(Severity::Error, "target.not-recognised", target, 0,
          "TITLE「" + title + "」に合うパターンがなく、更新できません（「このバージョンへの更新はできません。」）。",
          "no title pattern is found in TITLE \"" + title + "\"; the run would refuse the update.");
      break;
    }
    case engine::RefuseReason::CommandTooLong: {
      const long long bytes = static_cast<long long>(step.commandBytes);
      AddLine(Severity::Error, "target.command-too-long", step.line,
              "このインストール先では展開コマンドが " + Num(bytes) + " バイトになり、255バイトを超えます（更新は始まりません）。",
              "for this installation the extraction command is " + Num(bytes) + " bytes, over 255 (the run would not start).");
      break;
    }
  }
}

// A record whose archive or file is missing, damaged or cannot be written
// ends the run with a message; nothing after it happens.
void Checker::PlanStop(int line) {
  Plan("plan.stop", line, "更新はここで失敗して終わります。以降の記録と設定の書き込みは行われません。",
       "the run would fail and end here; later records and the settings entries are not written");
}

// TITLE as the installation holds it now; an earlier record may still
// replace the settings file before the run rewrites it.
void Checker::PlanTitle(const engine::PlanStep& step) {
  std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, step.path);
  std::string replaced = text::ReplaceAll(title, "8.0S", step.value);
  std::string written = text::CutToBytes(replaced, kTitleBuffer - 1);
  if (written.size() < replaced.size()) {
    AddLine(Severity::Warning, "target.title-cut", kLineVersionText, "新しい TITLE が99バイトを超えるため切り詰められます: " + written,
            "the new TITLE exceeds 99 bytes and would be cut: " + written);
  }
  if (written == title) {
    Plan("plan.title-unchanged", kLineVersionText, "TITLE に 8.0S がないため、TITLE は変わりません。",
         "TITLE holds no 8.0S and stays as it is");
  } else {
    const std::string entry = "[SYSTEM] TITLE=" + written;
    Plan("plan.setting", kLineVersionText, P(step.path) + " " + entry + " を書きます。", "would write " + entry + " to " + P(step.path));
  }
}

void Checker::PlanConversion(const engine::PlanStep& step) {
  std::string master = targets::MasterFolderSetting(step.path);
  if (master.empty()) {
    AddLine(Severity::Warning, "target.no-master-folder", kLineMasterAdjust,
            P(step.path) + " に [DIR] MASTER がないため、マスタ変換は失敗を報告します。",
            P(step.path) + " names no [DIR] MASTER folder, so both master conversions would report a failure.");
  } else {
    Plan("plan.convert-masters", kLineMasterAdjust, "材料マスタ（" + master + "）のサイズ変換とタイプ変換を行います。",
         "would convert material sizes and types of the masters in " + master);
  }
}

}  // namespace check
