// A window whose messages go to virtual handlers of a C++ object.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

// What CreateWindowExA receives; PreCreateWindow may change it.
struct CreateParams {
  DWORD exStyle = 0;
  const char* className = nullptr;
  std::string title;
  DWORD style = 0;
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  int width = CW_USEDEFAULT;
  int height = CW_USEDEFAULT;
  HWND parent = nullptr;
  HMENU menuOrId = nullptr;
};

// Registers, once per process, a class of plain windows that the system's
// default procedure handles, with a wait cursor and the dialog colour: the
// progress windows shown while the program works without a message loop.
bool RegisterWaitWindowClass(const char* className);

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Registers a window class whose procedure hands messages to Window objects.
  static bool RegisterClass(const char* className, HICON icon, HBRUSH background, UINT style = 0);

  // Creates the window; false when the system refused (for example because
  // OnCreate failed).
  bool Create(CreateParams params);
  HWND hwnd() const { return hwnd_; }

 protected:
  // Called before the window is created, to change its parameters.
  virtual void PreCreateWindow(CreateParams&) {}
  // Every message comes here first; the default calls the handlers below
  // and DefWindowProcA for what they leave.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // WM_CREATE: false makes the creation fail.
  virtual bool OnCreate(const CREATESTRUCTA&) { return true; }
  // WM_COMMAND: true when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // WM_PAINT: true when painted.
  virtual bool OnPaint() { return false; }
  virtual void OnSize(int /*width*/, int /*height*/) {}
  virtual void OnDestroy() {}

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace winui
