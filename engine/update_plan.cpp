// Works out the update run step by step: the refusals first (a faulty record
// line, the settings file probe, the installed-product checks, the length of
// every extraction command), then each record in file order, then the
// finishing settings entries, the master conversion and the report.
#include "engine/update_plan.h"

#include "engine/run_rules.h"
#include "os/os.h"
#include "targets/product_checks.h"
#include "targets/template_check.h"
#include "text/cp932.h"

namespace engine {
namespace {

const char kTargetRefusedText[] = "ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。";
const char kNotThisVersionText[] = "このバージョンへの更新はできません。";

class Planner {
 public:
  Planner(const UpdateSession& session, const std::string& sourceDir, const std::string& windowsFolder)
      : s_(session), sourceDir_(sourceDir), windowsFolder_(windowsFolder) {}

  UpdatePlan Make() {
    if (Refusals()) {
      Records();
      Finish();
    }
    return std::move(plan_);
  }

 private:
  PlanStep& Add(StepKind kind, int record = -1, int line = 0) {
    plan_.steps.emplace_back();
    PlanStep& step = plan_.steps.back();
    step.kind = kind;
    step.record = record;
    step.line = line;
    return step;
  }

  void Note(NoteAbout about, const std::string& message) {
    PlanStep& step = Add(StepKind::Note);
    step.about = about;
    step.message = message;
  }

  void Refuse(RefuseReason reason, RunOutcome outcome, int result, const std::string& message,
              const std::string& log = std::string(), int record = -1, int line = 0) {
    PlanStep& step = Add(StepKind::Refuse, record, line);
    step.reason = reason;
    step.outcome = outcome;
    step.result = result;
    step.message = message;
    step.log = log;
  }

  // True when the run gets past every check that refuses it.
  bool Refusals() {
    if (s_.m_recordFault != RecordFault::None) {
      Refuse(RefuseReason::FaultyRecordLine, RunOutcome::MediumUnusable, 1,
             "info.txt の " + std::to_string(s_.m_faultyLine) + " 行目が正しくありません（" +
                 RecordFaultText(s_.m_recordFault) + "）。この更新ディスクは使用できません。",
             std::string(), -1, s_.m_faultyLine);
      return false;
    }
    Note(NoteAbout::TargetFolder, "インストール先: " + s_.m_targetFolder);
    plan_.settingsFile = s_.m_settingsFile;
    plan_.probed = true;
    if (!ChooseSettingsFile(s_.m_targetFolder, plan_.settingsFile, plan_.work)) {
      Refuse(RefuseReason::NoSettingsFile, RunOutcome::TargetRefused, 0, kTargetRefusedText,
             "設定ファイルがありません: " + s_.m_targetFolder);
      return false;
    }
    Note(NoteAbout::SettingsFile, "設定ファイル: " + plan_.work + plan_.settingsFile);
    if (targets::CheckInstalledFiles(plan_.work, plan_.settingsFile) != 1) {
      Refuse(RefuseReason::InstalledFiles, RunOutcome::TargetRefused, 0, kNotThisVersionText,
             "製品のファイルがそろっていません");
      return false;
    }
    plan_.classified = true;
    plan_.versionIndex = targets::ClassifyInstalledProduct(plan_.work, plan_.settingsFile, s_.m_titlePatterns);
    Note(NoteAbout::Product, "製品の判別: バージョン番号 " + std::to_string(plan_.versionIndex));
    if (plan_.versionIndex == -1) {
      Refuse(RefuseReason::NotRecognised, RunOutcome::TargetRefused, 0, kNotThisVersionText);
      return false;
    }
    // Every extraction command must stay within 255 bytes; a long
    // installation folder is the usual cause, so the user is sent back to
    // choose another. Each such record is listed; the run stops at the first.
    bool fits = true;
    for (int k = 0; k < s_.m_recordCount; ++k) {
      const Record r = s_.RecordAt(k);
      if (!r.IsArchive()) continue;
      const std::string name = Name(k);
      std::string command = ExtractCommand(windowsFolder_, sourceDir_, name, plan_.work + r.subfolder);
      if (command.size() <= kCommandMaxBytes) continue;
      fits = false;
      Refuse(RefuseReason::CommandTooLong, RunOutcome::MediumUnusable, 0,
             "info.txt の " + std::to_string(kFirstRecordLine + k) + " 行目のアーカイブ " + name +
                 " を展開するコマンドが255バイトを超えます。もっと短いインストール先ﾌｫﾙﾀﾞを選んでください。",
             std::string(), k, kFirstRecordLine + k);
      plan_.steps.back().commandBytes = command.size();
    }
    return fits;
  }

  std::string Name(int k) const { return EffectiveRecordName(s_, k, plan_.versionIndex); }

  void Records() {
    const std::string settings = plan_.work + plan_.settingsFile;
    int currentDisk = 1;
    for (int k = 0; k < s_.m_recordCount; ++k) {
      const Record r = s_.RecordAt(k);
      const int line = kFirstRecordLine + k;
      const std::string name = Name(k);
      const std::string destination = plan_.work + r.subfolder;
      if (r.disk != 1 && r.disk != currentDisk) {
        currentDisk = r.disk;
        PlanStep& ask = Add(StepKind::AskDisk, k, line);
        ask.disk = r.disk;
        ask.name = name;
        // A START disk is taken as in with START.lzh or with its variant.
        ask.awaited = name + (r.IsArchive() ? ".lzh" : "");
        if (r.IsArchive() && name != r.name) ask.awaited = r.name + ".lzh / " + ask.awaited;
      }
      PlanStep& folder = Add(StepKind::MakeFolder, k, line);
      folder.path = destination;
      folder.name = name;
      folder.now = !os::Exists(destination);
      if (!r.IsArchive()) {
        text::PathParts parts = text::SplitPath(sourceDir_ + name);
        PlanStep& copy = Add(StepKind::Copy, k, line);
        copy.name = name;
        copy.path = destination;
        copy.target = destination + parts.name + parts.ext;
        continue;
      }
      if (IsStartArchive(r.name) && !s_.m_versionText.empty() && plan_.versionIndex <= 15) {
        Setting(k, line, "SYSTEM", "Version", s_.m_versionText, settings);
      }
      if (IsExcelArchive(name)) {
        PlanStep& check = Add(StepKind::TemplateCheck, k, line);
        check.name = name;
        check.path = plan_.work;
        check.now = targets::CheckSpreadsheetTemplate(plan_.work) == 1;
      }
      PlanStep& extract = Add(StepKind::Extract, k, line);
      extract.name = name;
      extract.path = destination;
      extract.command = ExtractCommand(windowsFolder_, sourceDir_, name, destination);
    }
  }

  void Setting(int k, int line, const char* section, const char* key, const std::string& value,
               const std::string& file) {
    PlanStep& step = Add(StepKind::WriteSetting, k, line);
    step.section = section;
    step.key = key;
    step.value = value;
    step.path = file;
  }

  void Finish() {
    const std::string settings = plan_.work + plan_.settingsFile;
    Setting(-1, 0, "SYSTEM", "GENGOU", "令和", settings);
    if (!s_.m_versionText.empty()) {
      PlanStep& title = Add(StepKind::WriteTitle, -1, kLineVersionText);
      title.path = settings;
      title.value = s_.m_versionText;
    }
    const std::string history = plan_.work + "tov3.ini";
    Setting(-1, 0, "HISTORY", "抽出開始日ON", "1", history);
    Setting(-1, 0, "HISTORY", "抽出終了日ON", "1", history);
    for (const char* key : CategoryKeysFor(text::AtoiLike(s_.m_category))) {
      if (key) Setting(-1, kLineCategory, "SYSTEM", key, "1", settings);
    }
    if (text::AtoiLike(s_.m_masterAdjust) == 1) {
      Add(StepKind::ConvertMasters, -1, kLineMasterAdjust).path = plan_.work + "morefa1.ini";
    }
    Add(StepKind::Report).message = "システムは正常に更新されました。";
  }

  const UpdateSession& s_;
  const std::string& sourceDir_;
  const std::string& windowsFolder_;
  UpdatePlan plan_;
};

}  // namespace

bool UpdatePlan::Refused() const {
  for (const PlanStep& step : steps) {
    if (step.kind == StepKind::Refuse) return true;
  }
  return false;
}

UpdatePlan PlanUpdate(const UpdateSession& session, const std::string& sourceDir, const std::string& windowsFolder) {
  return Planner(session, sourceDir, windowsFolder).Make();
}

std::string EffectiveRecordName(const UpdateSession& session, int k, int versionIndex) {
  const Record r = session.RecordAt(k);
  if (r.IsArchive() && IsStartArchive(r.name)) return r.name + StartSuffix(versionIndex);
  return r.name;
}

}  // namespace engine
