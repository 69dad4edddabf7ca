#include "engine/unattended.h"

#include "engine/installed_location.h"
#include "engine/update_run.h"
#include "text/cp932.h"

namespace engine {

namespace {

// Watches the messages of a run on their way to the real interface, to tell
// from them how the run ended.
class OutcomeWatch : public UpdateUi {
 public:
  explicit OutcomeWatch(UpdateUi& inner) : inner_(inner) {}

  void Message(const std::string& text, const std::string& caption) override {
    Note(text);
    inner_.Message(text, caption);
  }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    return inner_.AskOkCancel(text, caption);
  }
  void BeginWait() override { inner_.BeginWait(); }
  void EndWait() override { inner_.EndWait(); }
  void* OwnerWindow() override { return inner_.OwnerWindow(); }
  void Log(const std::string& line) override {
    if (text::Find(line, "レコード ") == 0) changed_ = true;
    inner_.Log(line);
  }

  RunOutcome Outcome(int result) const {
    if (result == 0) return tooLong_ ? RunOutcome::MediumUnusable : RunOutcome::TargetRefused;
    if (applied_) return RunOutcome::Applied;
    if (faultyMedium_) return RunOutcome::MediumUnusable;
    if (cancelled_) return changed_ ? RunOutcome::CancelledAtDisk : RunOutcome::CancelledBeforeChange;
    return RunOutcome::FailedAfterChanges;
  }

 private:
  void Note(const std::string& text) {
    if (text == "システムは正常に更新されました。") applied_ = true;
    else if (text == "ｱｯﾌﾟﾃﾞｲﾄを取消しました。") cancelled_ = true;
    else if (text::Find(text, "を展開するコマンドが255バイトを超えます") != std::string::npos) tooLong_ = true;
    else if (text::Find(text, "この更新ディスクは使用できません") != std::string::npos) faultyMedium_ = true;
  }

  UpdateUi& inner_;
  bool applied_ = false;
  bool cancelled_ = false;
  bool tooLong_ = false;
  bool faultyMedium_ = false;
  bool changed_ = false;  // a record was begun
};

}  // namespace

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

int RunUpdateWithOutcome(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir, RunOutcome* outcome) {
  OutcomeWatch watch(ui);
  int result = RunUpdate(session, watch, sourceDir);
  if (outcome) *outcome = watch.Outcome(result);
  return result;
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
    RunUpdateWithOutcome(session, ui, sourceDir, &outcome);
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
  RunUpdateWithOutcome(session, ui, sourceDir, &outcome);
  return outcome;
}

}  // namespace engine
