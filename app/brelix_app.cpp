#include "app/brelix_app.h"

#include <commctrl.h>

#include "app/dll_search.h"
#include "app/main_frame.h"
#include "engine/archive_component.h"
#include "engine/source_dir.h"
#include "res/resource.h"
#include "winui/archive_progress.h"
#include "winui/dialog.h"

namespace {

class CAboutDlg : public winui::Dialog {
 public:
  CAboutDlg() : winui::Dialog(IDD_ABOUTBOX) {}
};

}  // namespace

CBrelixApp::CBrelixApp() = default;
CBrelixApp::~CBrelixApp() = default;

bool CBrelixApp::InitInstance() {
  // Common controls with the visual styles the manifest asks for.
  InitCommonControlsFromSystem(ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES);

  // Every file of the medium is found from here on, before any window exists.
  DetermineSourceDir();

  // A long archive extraction shows its progress over the window that owns it.
  static const engine::ArchiveProgressHook progress = {
      winui::BeginArchiveProgress, winui::UpdateArchiveProgress, winui::EndArchiveProgress};
  engine::SetArchiveProgressHook(&progress);

  if (!CMainFrame::Register()) return false;
  frame_ = std::make_unique<CMainFrame>();
  if (!frame_->CreateFrame()) return false;
  SetMainWindow(frame_->hwnd());
  SetAccelerators(LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
  ShowWindow(frame_->hwnd(), SW_SHOW);
  UpdateWindow(frame_->hwnd());
  return true;
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
