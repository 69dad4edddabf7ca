#include "engine/unattended.h"

#include "engine/installed_location.h"
#include "engine/update_run.h"

namespace engine {

const char* OutcomeText(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Applied: return "更新しました";
    case RunOutcome::BadCommandLine: return "コマンドラインの誤り";
    case RunOutcome::CancelledBeforeChange: return "変更前に取り消されました";
    case RunOutcome::TargetRefused: return "インストール先を受け付けませんでした";
    case RunOutcome::MediumUnusable: return "更新ディスクを使用できません";
    case RunOutcome::CancelledAtDisk: return "ディスクの交換で取り消されました（一部を更新済み）";
    case RunOutcome::FailedAfterChanges: return "変更の途中で失敗しました";
  }
  return "";
}

const char* FolderSourceText(FolderSource source) {
  switch (source) {
    case FolderSource::Switch: return "/DIR";
    case FolderSource::Registry: return "登録されたインストール先";
    case FolderSource::Descriptor: return "info.txt の 16 行目";
    case FolderSource::None: break;
  }
  return "なし";
}

FolderSource ChooseUnattendedFolder(const UpdateSession& session, const Switches& switches, std::string& folder) {
  if (switches.hasDir) {
    folder = switches.dir;
    return FolderSource::Switch;
  }
  std::string registered;
  if (FindInstalledFolder(session.m_uninstallKeys, registered) && !registered.empty()) {
    folder = registered;
    return FolderSource::Registry;
  }
  if (!session.m_targetFolder.empty()) {
    folder = session.m_targetFolder;
    return FolderSource::Descriptor;
  }
  folder.clear();
  return FolderSource::None;
}

RunOutcome RunUnattended(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir, bool descriptorLoaded,
                         const Switches& switches) {
  if (!descriptorLoaded) {
    ui.Log(sourceDir + "info.txt を読めません");
    return RunOutcome::MediumUnusable;
  }
  // A faulty record line refuses the medium whatever the folder: the run
  // itself says so.
  RunOutcome outcome = RunOutcome::FailedAfterChanges;
  if (session.m_recordFault != RecordFault::None) {
    RunUpdate(session, ui, sourceDir, &outcome);
    return outcome;
  }
  std::string folder;
  FolderSource source = ChooseUnattendedFolder(session, switches, folder);
  if (source == FolderSource::None) {
    ui.Log("インストール先が決まりません（/DIR も登録も info.txt の 16 行目もありません）");
    return RunOutcome::TargetRefused;
  }
  ui.Log(std::string("インストール先の選択: ") + FolderSourceText(source));
  session.m_targetFolder = folder;
  RunUpdate(session, ui, sourceDir, &outcome);
  return outcome;
}

}  // namespace engine
