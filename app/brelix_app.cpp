#include "app/brelix_app.h"

#include <commctrl.h>

#include "app/dll_search.h"
#include "app/main_frame.h"
#include "app/update_ui_win.h"
#include "engine/archive_component.h"
#include "engine/source_dir.h"
#include "engine/unattended.h"
#include "engine/update_session.h"
#include "os/os.h"
#include "res/resource.h"
#include "winui/archive_progress.h"
#include "winui/dialog.h"

const char kBrelixVersion[] = "3.0";

namespace {

class CAboutDlg : public winui::Dialog {
 public:
  CAboutDlg() : winui::Dialog(IDD_ABOUTBOX) {}
};

// The first line of info.txt, the medium's title; empty without one.
std::string DescriptorTitle() {
  std::string title;
  os::LineReader reader;
  if (reader.Open(g_sourceDir + "info.txt")) {
    if (!reader.ReadLine(title)) title.clear();
    reader.Close();
  }
  return title;
}

// The folder for temporary files, ending with a separator.
std::string TempFolder() {
  std::string path(MAX_PATH + 1, '\0');
  DWORD n = GetTempPathA(static_cast<DWORD>(path.size()), &path[0]);
  if (n > path.size()) {
    path.assign(n, '\0');
    n = GetTempPathA(n, &path[0]);
  }
  path.resize(n <= path.size() ? n : 0);
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

}  // namespace

CBrelixApp::CBrelixApp() = default;
CBrelixApp::~CBrelixApp() = default;

void CBrelixApp::OpenLog(bool unattended) {
  const std::string path =
      switches_.logPath.empty() ? engine::DefaultLogPath(TempFolder(), engine::LocalNow()) : switches_.logPath;
  if (log_.Open(path) || unattended) return;
  // The update goes on without its log; the person at the screen is told.
  const std::string text = "ログファイル " + path + " を作成できません。ログを残さずに続けます。";
  MessageBoxA(nullptr, text.c_str(), "Brelix", MB_OK | MB_ICONWARNING);
}

void CBrelixApp::Finish(RunOutcome outcome) {
  exitCode_ = ExitCodeOf(outcome);
  log_.Line(std::string("終了: ") + engine::OutcomeText(outcome) + "（終了コード " + std::to_string(exitCode_) + "）");
}

bool CBrelixApp::InitInstance() {
  // Common controls with the visual styles the manifest asks for.
  InitCommonControlsFromSystem(ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES);

  // Every file of the medium is found from here on, before any window exists.
  DetermineSourceDir();

  const std::string commandLine = GetCommandLineA();
  switches_ = engine::ParseSwitches(engine::ArgumentsOf(commandLine));
  const bool unattended = switches_.mode != engine::UiMode::Wizard;
  if (switches_.log) OpenLog(unattended);
  log_.Line(std::string("Brelix ") + kBrelixVersion);
  log_.Line("コマンドライン: " + commandLine);
  log_.Line("更新ディスク: " + g_sourceDir + "（" + DescriptorTitle() + "）");

  if (!switches_.badReason.empty()) {
    const std::string text =
        "コマンドラインの " + switches_.badArgument + " は使用できません（" + switches_.badReason + "）。";
    log_.Line(text);
    if (!unattended) {
      const std::string shown = text + "\r\n\r\n" + engine::SwitchHelpText();
      MessageBoxA(nullptr, shown.c_str(), "Brelix", MB_OK | MB_ICONERROR);
    }
    Finish(RunOutcome::BadCommandLine);
    return false;
  }
  if (switches_.help) {
    MessageBoxA(nullptr, engine::SwitchHelpText().c_str(), "Brelix", MB_OK | MB_ICONINFORMATION);
    exitCode_ = 0;  // nothing was asked but the help: not a failure
    log_.Line("終了: スイッチの説明を表示しました（終了コード 0）");
    return false;
  }

  // A long archive extraction shows its progress over the window that owns it.
  static const engine::ArchiveProgressHook progress = {
      winui::BeginArchiveProgress, winui::UpdateArchiveProgress, winui::EndArchiveProgress};
  engine::SetArchiveProgressHook(&progress);

  if (switches_.mode == engine::UiMode::VerySilent) {
    RunVerySilent();
    return false;
  }

  if (!CMainFrame::Register()) return false;
  frame_ = std::make_unique<CMainFrame>();
  if (!frame_->CreateFrame()) return false;
  SetMainWindow(frame_->hwnd());
  SetAccelerators(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
  ShowWindow(frame_->hwnd(), SW_SHOW);
  UpdateWindow(frame_->hwnd());
  return true;
}

void CBrelixApp::RunVerySilent() {
  UpdateSession session;
  bool loaded = LoadDescriptor(session, g_sourceDir) == 1;
  // No owner window: the extraction shows no progress either.
  ViewUpdateUi ui(nullptr, &log_, true);
  Finish(engine::RunUnattended(session, ui, g_sourceDir, loaded, switches_));
}

bool CBrelixApp::OnCommand(int id) {
  if (id != ID_APP_ABOUT) return false;
  OnAppAbout();
  return true;
}

void CBrelixApp::OnAppAbout() {
  CAboutDlg about;
  about.DoModal();
}
