#include "winui/archive_progress.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "winui/window.h"

namespace winui {
namespace {

const char kClassName[] = "BrelixArchiveProgress";
constexpr int kArchiveId = 101;
constexpr int kMemberId = 102;
constexpr int kBarId = 103;

// The extraction runs on the user-interface thread without a message loop:
// let the window paint itself between steps.
void Pump(HWND hwnd) {
  MSG msg;
  while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

void* BeginArchiveProgress(void* owner, const char* archive) {
  if (!winui::RegisterWaitWindowClass(kClassName)) return nullptr;
  HWND parent = static_cast<HWND>(owner);
  const int width = 380, height = 130;
  RECT area;
  if (!parent || !GetWindowRect(parent, &area)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  int x = area.left + (area.right - area.left - width) / 2;
  int y = area.top + (area.bottom - area.top - height) / 2;
  HWND hwnd = CreateWindowExA(WS_EX_DLGMODALFRAME, kClassName, "展開中", WS_POPUP | WS_CAPTION, x, y, width, height,
                              parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!hwnd) return nullptr;
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HINSTANCE inst = GetModuleHandleA(nullptr);
  std::string title = std::string("書庫: ") + (archive ? archive : "");
  HWND controls[] = {
      CreateWindowExA(0, "STATIC", title.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 12, 10, 350, 18, hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kArchiveId)), inst, nullptr),
      CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 32, 350, 18,
                      hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMemberId)), inst, nullptr),
      CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, 12, 58, 350, 18, hwnd,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)), inst, nullptr),
  };
  for (HWND c : controls) {
    if (c) SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SendDlgItemMessageA(hwnd, kBarId, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd);
  Pump(hwnd);
  return hwnd;
}

void UpdateArchiveProgress(void* window, const char* member, int percent) {
  HWND hwnd = static_cast<HWND>(window);
  if (!hwnd) return;
  SetDlgItemTextA(hwnd, kMemberId, member ? member : "");
  SendDlgItemMessageA(hwnd, kBarId, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  Pump(hwnd);
}

void EndArchiveProgress(void* window) {
  HWND hwnd = static_cast<HWND>(window);
  if (hwnd) DestroyWindow(hwnd);
}

}  // namespace winui
