#include "app/status_window.h"

#include "winui/window.h"

namespace {

const char kClassName[] = "BrelixStatus";

// The run has no message loop: this window handles its own messages, and
// the main window behind it gets to paint (a bounded number of rounds, in
// case a window never validates itself).
void Pump(HWND hwnd) {
  MSG msg;
  while (PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  for (int i = 0; i < 16 && PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) DispatchMessageA(&msg);
}

}  // namespace

StatusWindow::~StatusWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool StatusWindow::Open(HWND owner, const std::string& caption) {
  if (hwnd_ || !winui::RegisterWaitWindowClass(kClassName)) return hwnd_ != nullptr;
  const int width = 480, height = 90;
  RECT area;
  if (!owner || !GetWindowRect(owner, &area)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  int x = area.left + (area.right - area.left - width) / 2;
  // In the upper third: an extraction's own progress window takes the centre.
  int y = area.top + (area.bottom - area.top - height) / 3;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  hwnd_ = CreateWindowExA(WS_EX_DLGMODALFRAME, kClassName, caption.c_str(), WS_POPUP | WS_CAPTION, x, y, width, height,
                          owner, nullptr, inst, nullptr);
  if (!hwnd_) return false;
  HWND step = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 16,
                              450, 20, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStepId)), inst, nullptr);
  if (step) SendMessageA(step, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd_);
  Pump(hwnd_);
  return true;
}

void StatusWindow::SetStep(const std::string& step) {
  if (!hwnd_) return;
  SetDlgItemTextA(hwnd_, kStepId, step.c_str());
  UpdateWindow(hwnd_);
  Pump(hwnd_);
}
