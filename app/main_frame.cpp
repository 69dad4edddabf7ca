#include "app/main_frame.h"

#include "app/brelix_view.h"
#include "engine/source_dir.h"
#include "os/os.h"
#include "res/resource.h"
#include "winui/app.h"
#include "winui/handles.h"

namespace {
const char kFrameClass[] = "BrelixFrame";
}

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Register() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  return winui::Window::RegisterClass(kFrameClass, icon, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)) &&
         CBrelixView::Register();
}

bool CMainFrame::CreateFrame() {
  winui::CreateParams params;
  params.className = kFrameClass;
  params.title = "Brelix";  // until command 104 sets the descriptor's caption
  params.style = WS_OVERLAPPEDWINDOW;
  winui::Menu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
  params.menuOrId = menu.get();
  if (Create(params)) {
    menu.Release();  // the window holds it now
    return true;
  }
  // A menu that never got attached to a window is ours to destroy; one that
  // did went with the window.
  if (!IsMenu(menu.get())) menu.Release();
  return false;
}

void CMainFrame::PreCreateWindow(winui::CreateParams& params) {
  // Exactly WS_VISIBLE: a caption bar without system menu, sizing border or
  // close box; the wizard alone decides when the program ends.
  params.style = WS_VISIBLE;
}

bool CMainFrame::OnCreate(const CREATESTRUCTA&) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  view_ = std::make_unique<CBrelixView>();
  if (!view_->CreateView(hwnd(), client.right, client.bottom)) {
    view_.reset();
    return false;
  }

  winui::Menu menu(GetMenu(hwnd()));
  SetMenu(hwnd(), nullptr);

  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  GetWindowPlacement(hwnd(), &placement);
  placement.length = sizeof placement;
  placement.showCmd = SW_SHOWMAXIMIZED;
  placement.ptMaxPosition.x = 0;
  placement.ptMaxPosition.y = 0;
  SetWindowPlacement(hwnd(), &placement);

  PostMessageA(hwnd(), WM_COMMAND, ID_TITLE_FROM_DESCRIPTOR, 0);
  return true;
}

bool CMainFrame::OnCommand(int id, int, HWND) {
  switch (id) {
    case ID_TITLE_FROM_DESCRIPTOR:
      OnTitleFromDescriptor();
      return true;
    default: {
      // Application commands (the about box) belong to the application.
      winui::App* app = winui::App::Current();
      return app && app->OnCommand(id);
    }
  }
}

void CMainFrame::OnTitleFromDescriptor() {
  std::string caption;
  os::LineReader reader;
  if (reader.Open(g_sourceDir + "info.txt")) {
    if (!reader.ReadLine(caption)) caption.clear();
    reader.Close();
  }
  SetWindowTextA(hwnd(), caption.c_str());
}

void CMainFrame::OnSize(int width, int height) {
  if (view_ && view_->hwnd()) MoveWindow(view_->hwnd(), 0, 0, width, height, TRUE);
}

void CMainFrame::OnDestroy() { PostQuitMessage(0); }
