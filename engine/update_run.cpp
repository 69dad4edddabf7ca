// The update run: probe the chosen folder for the product's settings file,
// let the installed-product checks accept it, install every record in file
// order (prompting for floppies), write the finishing settings entries,
// convert the material masters when asked, and report.
#include "engine/update_run.h"

#include <string>

#include "engine/archive_component.h"
#include "engine/run_report.h"
#include "engine/run_rules.h"
#include "engine/update_plan.h"
#include "os/os.h"
#include "targets/master_conversion.h"
#include "targets/product_checks.h"
#include "targets/template_check.h"
#include "text/cp932.h"

namespace {

const char kError[] = "エラー";
const char kConfirm[] = "確認";
constexpr std::size_t kReplyBytes = 256;
constexpr std::size_t kTitleBuffer = 100;
// Where a single file is copied before it replaces its target.
const char kCopyTempName[] = "~brxcopy.tmp";

using engine::IsStartArchive;
using engine::StepKind;

class Run {
 public:
  Run(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir)
      : s_(session), ui_(ui), sourceDir_(sourceDir) {}

  int Execute() {
    // A refused folder leaves the session as it found it: with "NULL" the
    // next folder the user picks is probed for both names again, not only
    // for the one tried last.
    const std::string givenSettingsFile = s_.m_settingsFile;
    int result = Checked();
    if (result == 0) s_.m_settingsFile = givenSettingsFile;
    return result;
  }

  RunOutcome Outcome() const { return outcome_; }

 private:
  // Records the outcome and gives the run's result for it.
  int End(RunOutcome outcome, int result) {
    outcome_ = outcome;
    return result;
  }

  int Checked() {
    WaitCursor wait(ui_);
    const engine::UpdatePlan plan = engine::PlanUpdate(s_, sourceDir_, os::WindowsFolder());
    if (plan.probed) s_.m_settingsFile = plan.settingsFile;
    if (plan.classified) s_.m_versionIndex = plan.versionIndex;
    if (!plan.Refused()) {
      SetArchiveModeA(0);
      SetArchiveModeB(1);
    }
    bool skipExtraction = false;
    for (const engine::PlanStep& step : plan.steps) {
      switch (step.kind) {
        case StepKind::Note:
          ui_.Log(step.message);
          break;
        case StepKind::Refuse:
          if (!step.log.empty()) ui_.Log(step.log);
          ui_.Message(step.message, kError);
          return End(step.outcome, step.result);
        case StepKind::AskDisk:
          if (!InsertDisk(step)) {
            return End(step.record == 0 ? RunOutcome::CancelledBeforeChange : RunOutcome::CancelledAtDisk, 1);
          }
          break;
        case StepKind::MakeFolder:
          StartRecord(step);
          break;
        case StepKind::WriteSetting:
          if (!WriteSetting(step.section, step.key, step.value, step.path)) return End(RunOutcome::FailedAfterChanges, 1);
          break;
        case StepKind::WriteTitle:
          if (!WriteTitle(step)) return End(RunOutcome::FailedAfterChanges, 1);
          break;
        case StepKind::TemplateCheck:
          skipExtraction = targets::CheckSpreadsheetTemplate(step.path) != 1;
          if (skipExtraction) {
            ui_.Log("スキップ: エクセルひな形は更新不要です");
          } else {
            ui_.Message("原価計算書のエクセルひな形を更新しました。", kConfirm);
          }
          break;
        case StepKind::Extract:
          if (skipExtraction) {
            skipExtraction = false;
            break;
          }
          if (!Extract(step)) return End(RunOutcome::FailedAfterChanges, 1);
          break;
        case StepKind::Copy:
          if (!CopyFile(step.name, step.path, step.target)) return End(RunOutcome::FailedAfterChanges, 1);
          break;
        case StepKind::ConvertMasters:
          ConvertMasters(step.path);
          break;
        case StepKind::Report:
          ui_.Message(step.message, kConfirm);
          break;
      }
    }
    return End(RunOutcome::Applied, 1);
  }

  // Asks for the step's floppy on a removable medium. False when the user
  // cancelled.
  bool InsertDisk(const engine::PlanStep& step) {
    if (os::DriveTypeOf(sourceDir_) != os::kDriveRemovable) return true;
    const Record r = s_.RecordAt(step.record);
    ui_.Log("ディスク " + std::to_string(step.disk) + " が必要です（" + sourceDir_ + step.name +
            (r.IsArchive() ? ".lzh" : "") + "）");
    for (;;) {
      if (!ui_.AskOkCancel(std::to_string(step.disk) + " 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。", kConfirm)) {
        ui_.Message("ｱｯﾌﾟﾃﾞｲﾄを取消しました。", kConfirm);
        return false;
      }
      if (DiskIsIn(r, step.name)) return true;
    }
  }

  // The prompt waits for the record's own file: the archive or, for a file
  // record, the file itself. A START disk counts as in when it holds either
  // START.lzh or the variant with its suffix; a missing variant then fails
  // at the extraction with the component's message, like any missing archive.
  bool DiskIsIn(const Record& r, const std::string& name) const {
    if (!r.IsArchive()) return os::Exists(sourceDir_ + r.name);
    if (os::Exists(sourceDir_ + name + ".lzh")) return true;
    return IsStartArchive(r.name) && os::Exists(sourceDir_ + r.name + ".lzh");
  }

  // Makes the record's destination folder when it is missing (a failure
  // shows up when the record is installed) and logs the record.
  void StartRecord(const engine::PlanStep& step) {
    const Record r = s_.RecordAt(step.record);
    // The session keeps the suffixed archive name, as the program always has.
    if (r.IsArchive()) s_.m_archiveNames[step.record] = step.name;
    if (!os::Exists(step.path)) os::MakeFolder(step.path);
    ui_.Log("レコード " + std::to_string(step.record + 1) + ": ディスク " + std::to_string(r.disk) +
            (r.IsArchive() ? " 書庫 " + step.name : " ファイル " + r.name) + " → " + step.path);
  }

  bool Extract(const engine::PlanStep& step) {
    std::string reply(kReplyBytes, '\0');
    if (RunArchiveCommand(ui_.OwnerWindow(), step.command.c_str(), &reply[0], static_cast<int>(reply.size())) != 0) {
      reply.resize(reply.find('\0') == std::string::npos ? reply.size() : reply.find('\0'));
      ui_.Message(reply, kConfirm);
      return false;
    }
    ui_.Log("展開しました: " + std::to_string(engine::CountArchiveFiles(sourceDir_ + step.name + ".lzh")) + " 個のファイル");
    return true;
  }

  // The copy is made beside the target and then moved over it in one step,
  // so a copy that fails half-way (a full disk) never leaves the old file cut
  // short. A read-only target is refused by the move, as CopyFileA refuses it.
  bool CopyFile(const std::string& name, const std::string& destination, const std::string& target) {
    const std::string source = sourceDir_ + name;
    const std::string temp = destination + kCopyTempName;
    RemoveTemporary(temp);  // left by an interrupted run, perhaps read-only
    if (!os::CopyFileReplace(source, temp) || !os::MoveReplace(temp, target)) {
      RemoveTemporary(temp);
      ui_.Message(target + "の更新に失敗しました。", kConfirm);
      return false;
    }
    std::uint32_t attributes = 0;
    if (!os::GetAttributes(target, attributes) || !os::SetAttributes(target, 0)) {
      ui_.Message(source + "の属性更新に失敗しました。", kConfirm);
      return false;
    }
    ui_.Log("コピーしました: " + target + "（" + std::to_string(engine::FileBytes(target)) + " バイト）");
    return true;
  }

  // A copy takes the source's read-only attribute along; clear it first.
  static void RemoveTemporary(const std::string& path) {
    if (!os::Exists(path)) return;
    os::SetAttributes(path, 0);
    os::RemoveFile(path);
  }

  // Writes one settings entry; a failure is reported, and the run does not
  // claim success.
  bool WriteSetting(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file) {
    if (os::SetProfileValue(section, key, value, file)) {
      ui_.Log("設定 [" + section + "] " + key + "=" + value + " → " + file);
      return true;
    }
    ui_.Message(file + "の更新に失敗しました。", kConfirm);
    return false;
  }

  // TITLE is read when it is rewritten: an earlier record may have replaced
  // the settings file.
  bool WriteTitle(const engine::PlanStep& step) {
    std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, step.path);
    title = text::CutToBytes(text::ReplaceAll(title, "8.0S", step.value), kTitleBuffer - 1);
    return WriteSetting("SYSTEM", "TITLE", title, step.path);
  }

  // A failed conversion is reported and the run goes on.
  void ConvertMasters(const std::string& master) {
    const bool sizes = targets::ConvertMaterialSizes(master) != 0;
    ui_.Log(std::string("材料ｻｲｽﾞ変換: ") + (sizes ? "正常" : "失敗"));
    if (!sizes) ui_.Message("材料ｻｲｽﾞ変換が正常に更新されませんでした。", kConfirm);
    const bool types = targets::ConvertMaterialTypes(master) != 0;
    ui_.Log(std::string("材料ﾀｲﾌﾟ変換: ") + (types ? "正常" : "失敗"));
    if (!types) ui_.Message("材料ﾀｲﾌﾟ変換が正常に更新されませんでした。", kConfirm);
  }

  UpdateSession& s_;
  UpdateUi& ui_;
  const std::string sourceDir_;
  RunOutcome outcome_ = RunOutcome::Applied;
};

}  // namespace

int RunUpdate(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir) {
  return RunUpdate(session, ui, sourceDir, nullptr);
}

int RunUpdate(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir, RunOutcome* outcome) {
  Run run(session, ui, sourceDir);
  int result = run.Execute();
  if (outcome) *outcome = run.Outcome();
  return result;
}
