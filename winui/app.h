// The application object: one per process, with the message loop.
#pragma once

#include <windows.h>

namespace winui {

class App {
 public:
  App();
  virtual ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  static App* Current() { return current_; }

  // Start-up; false ends the program at once.
  virtual bool InitInstance() = 0;
  // The message loop; returns the exit code of WM_QUIT. Accelerators of
  // `accelerators` go to the main window.
  int Run();
  // InitInstance, then Run when it succeeded.
  int Main();
  // A menu or accelerator command that the main window does not handle
  // itself, passed on to the application; true when handled.
  virtual bool OnCommand(int /*id*/) { return false; }

  HWND MainWindow() const { return mainWindow_; }
  void SetMainWindow(HWND hwnd) { mainWindow_ = hwnd; }
  void SetAccelerators(HACCEL accelerators) { accelerators_ = accelerators; }

 private:
  static App* current_;
  HWND mainWindow_ = nullptr;
  HACCEL accelerators_ = nullptr;  // a resource: freed by the system at exit
};

}  // namespace winui
