#include "winui/app.h"

namespace winui {

App* App::current_ = nullptr;

App::App() { current_ = this; }

App::~App() {
  if (current_ == this) current_ = nullptr;
}

int App::Run() {
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (accelerators_ && mainWindow_ && TranslateAcceleratorA(mainWindow_, accelerators_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

int App::Main() {
  if (!InitInstance()) return 0;
  return Run();
}

}  // namespace winui
