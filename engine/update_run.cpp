// The update run: probe the chosen folder for the product's settings file,
// let the installed-product checks accept it, install every record in file
// order (prompting for floppies), write the finishing settings entries,
// convert the material masters when asked, and report.
#include "engine/update_run.h"

#include <string>

#include "engine/archive_component.h"
#include "engine/run_report.h"
#include "engine/run_rules.h"
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

using engine::ExtractCommand;
using engine::IsExcelArchive;
using engine::IsStartArchive;
using engine::StartSuffix;

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
    if (s_.m_recordFault != RecordFault::None) {
      ui_.Message("info.txt の " + std::to_string(s_.m_faultyLine) + " 行目が正しくありません（" +
                      RecordFaultText(s_.m_recordFault) + "）。この更新ディスクは使用できません。",
                  kError);
      return End(RunOutcome::MediumUnusable, 1);
    }
    ui_.Log("インストール先: " + s_.m_targetFolder);
    if (!ChooseSettingsFile()) {
      ui_.Log("設定ファイルがありません: " + s_.m_targetFolder);
      ui_.Message("ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。", kError);
      return End(RunOutcome::TargetRefused, 0);
    }
    ui_.Log("設定ファイル: " + work_ + s_.m_settingsFile);
    if (targets::CheckInstalledFiles(work_, s_.m_settingsFile) != 1) {
      ui_.Log("製品のファイルがそろっていません");
      ui_.Message("このバージョンへの更新はできません。", kError);
      return End(RunOutcome::TargetRefused, 0);
    }
    s_.m_versionIndex = targets::ClassifyInstalledProduct(work_, s_.m_settingsFile, s_.m_titlePatterns);
    ui_.Log("製品の判別: バージョン番号 " + std::to_string(s_.m_versionIndex));
    if (s_.m_versionIndex == -1) {
      ui_.Message("このバージョンへの更新はできません。", kError);
      return End(RunOutcome::TargetRefused, 0);
    }
    windowsFolder_ = os::WindowsFolder();
    if (!CommandsFit()) return End(RunOutcome::MediumUnusable, 0);
    SetArchiveModeA(0);
    SetArchiveModeB(1);

    int currentDisk = 1;
    for (int k = 0; k < s_.m_recordCount; ++k) {
      if (!InsertDisk(k, currentDisk)) {
        return End(k == 0 ? RunOutcome::CancelledBeforeChange : RunOutcome::CancelledAtDisk, 1);
      }
      if (!InstallRecord(k)) return End(RunOutcome::FailedAfterChanges, 1);
    }
    if (!Finish()) return End(RunOutcome::FailedAfterChanges, 1);
    ui_.Message("システムは正常に更新されました。", kConfirm);
    return End(RunOutcome::Applied, 1);
  }

  bool ChooseSettingsFile() { return engine::ChooseSettingsFile(s_.m_targetFolder, s_.m_settingsFile, work_); }

  // Archive names as the run will give them, with the START suffix.
  std::string EffectiveName(int k) const {
    const Record r = s_.RecordAt(k);
    if (r.IsArchive() && IsStartArchive(r.name)) return r.name + StartSuffix(s_.m_versionIndex);
    return r.name;
  }

  // Every extraction command must stay within 255 bytes; a long installation
  // folder is the usual cause, so the user is sent back to choose another.
  bool CommandsFit() {
    for (int k = 0; k < s_.m_recordCount; ++k) {
      const Record r = s_.RecordAt(k);
      if (!r.IsArchive()) continue;
      std::string command = ExtractCommand(windowsFolder_, sourceDir_, EffectiveName(k), work_ + r.subfolder);
      if (command.size() > engine::kCommandMaxBytes) {
        ui_.Message("info.txt の " + std::to_string(kFirstRecordLine + k) + " 行目のアーカイブ " + EffectiveName(k) +
                        " を展開するコマンドが255バイトを超えます。もっと短いインストール先ﾌｫﾙﾀﾞを選んでください。",
                    kError);
        return false;
      }
    }
    return true;
  }

  // Asks for the record's floppy when it is on another disk of a removable
  // medium. False when the user cancelled.
  bool InsertDisk(int k, int& currentDisk) {
    const int disk = s_.RecordAt(k).disk;
    if (disk == 1 || disk == currentDisk || os::DriveTypeOf(sourceDir_) != os::kDriveRemovable) return true;
    ui_.Log("ディスク " + std::to_string(disk) + " が必要です（" + sourceDir_ + EffectiveName(k) +
            (s_.RecordAt(k).IsArchive() ? ".lzh" : "") + "）");
    for (;;) {
      if (!ui_.AskOkCancel(std::to_string(disk) + " 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。", kConfirm)) {
        ui_.Message("ｱｯﾌﾟﾃﾞｲﾄを取消しました。", kConfirm);
        return false;
      }
      if (DiskIsIn(k)) {
        currentDisk = disk;
        return true;
      }
    }
  }

  // The prompt waits for the record's own file: the archive or, for a file
  // record, the file itself. A START disk counts as in when it holds either
  // START.lzh or the variant with its suffix; a missing variant then fails
  // at the extraction with the component's message, like any missing archive.
  bool DiskIsIn(int k) const {
    const Record r = s_.RecordAt(k);
    if (!r.IsArchive()) return os::Exists(sourceDir_ + r.name);
    if (os::Exists(sourceDir_ + EffectiveName(k) + ".lzh")) return true;
    return IsStartArchive(r.name) && os::Exists(sourceDir_ + r.name + ".lzh");
  }

  bool InstallRecord(int k) {
    const Record r = s_.RecordAt(k);
    std::string destination = work_ + r.subfolder;
    if (!os::Exists(destination)) os::MakeFolder(destination);  // a failure shows up below
    ui_.Log("レコード " + std::to_string(k + 1) + ": ディスク " + std::to_string(r.disk) +
            (r.IsArchive() ? " 書庫 " + EffectiveName(k) : " ファイル " + r.name) + " → " + destination);
    if (r.IsArchive()) return InstallArchive(k, destination);
    return CopyFile(r.name, destination);
  }

  bool InstallArchive(int k, const std::string& destination) {
    // The session keeps the suffixed name, as the program always has.
    std::string& name = s_.m_archiveNames[k];
    if (IsStartArchive(name)) {
      name += StartSuffix(s_.m_versionIndex);
      if (!s_.m_versionText.empty() && s_.m_versionIndex <= 15) {
        if (!WriteSetting("SYSTEM", "Version", s_.m_versionText, work_ + s_.m_settingsFile)) return false;
      }
    }
    std::string command = ExtractCommand(windowsFolder_, sourceDir_, name, destination);
    if (IsExcelArchive(name)) {
      if (targets::CheckSpreadsheetTemplate(work_) != 1) {
        ui_.Log("スキップ: エクセルひな形は更新不要です");
        return true;
      }
      ui_.Message("原価計算書のエクセルひな形を更新しました。", kConfirm);
    }
    std::string reply(kReplyBytes, '\0');
    if (RunArchiveCommand(ui_.OwnerWindow(), command.c_str(), &reply[0], static_cast<int>(reply.size())) != 0) {
      reply.resize(reply.find('\0') == std::string::npos ? reply.size() : reply.find('\0'));
      ui_.Message(reply, kConfirm);
      return false;
    }
    ui_.Log("展開しました: " + std::to_string(engine::CountArchiveFiles(sourceDir_ + name + ".lzh")) + " 個のファイル");
    return true;
  }

  // The copy is made beside the target and then moved over it in one step,
  // so a copy that fails half-way (a full disk) never leaves the old file cut
  // short. A read-only target is refused by the move, as CopyFileA refuses it.
  bool CopyFile(const std::string& name, const std::string& destination) {
    std::string source = sourceDir_ + name;
    text::PathParts parts = text::SplitPath(source);
    std::string target = destination + parts.name + parts.ext;
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

  bool Finish() {
    const std::string settings = work_ + s_.m_settingsFile;
    if (!WriteSetting("SYSTEM", "GENGOU", "令和", settings)) return false;
    if (!s_.m_versionText.empty()) {
      std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, settings);
      title = text::CutToBytes(text::ReplaceAll(title, "8.0S", s_.m_versionText), kTitleBuffer - 1);
      if (!WriteSetting("SYSTEM", "TITLE", title, settings)) return false;
    }
    const std::string history = work_ + "tov3.ini";
    if (!WriteSetting("HISTORY", "抽出開始日ON", "1", history)) return false;
    if (!WriteSetting("HISTORY", "抽出終了日ON", "1", history)) return false;
    for (const char* key : engine::CategoryKeysFor(text::AtoiLike(s_.m_category))) {
      if (key && !WriteSetting("SYSTEM", key, "1", settings)) return false;
    }
    if (text::AtoiLike(s_.m_masterAdjust) == 1) {
      const std::string master = work_ + "morefa1.ini";
      const bool sizes = targets::ConvertMaterialSizes(master) != 0;
      ui_.Log(std::string("材料ｻｲｽﾞ変換: ") + (sizes ? "正常" : "失敗"));
      if (!sizes) ui_.Message("材料ｻｲｽﾞ変換が正常に更新されませんでした。", kConfirm);
      const bool types = targets::ConvertMaterialTypes(master) != 0;
      ui_.Log(std::string("材料ﾀｲﾌﾟ変換: ") + (types ? "正常" : "失敗"));
      if (!types) ui_.Message("材料ﾀｲﾌﾟ変換が正常に更新されませんでした。", kConfirm);
    }
    return true;
  }

  UpdateSession& s_;
  UpdateUi& ui_;
  const std::string sourceDir_;
  std::string work_;
  std::string windowsFolder_;
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
