// The progress window of a /SILENT run: the step in progress, over the main
// window, without buttons. The run has no message loop of its own, so the
// window paints itself each time the step changes.
#pragma once

#include <windows.h>

#include <string>

class StatusWindow {
 public:
  // The control that shows the step.
  static constexpr int kStepId = 101;

  StatusWindow() = default;
  ~StatusWindow();
  StatusWindow(const StatusWindow&) = delete;
  StatusWindow& operator=(const StatusWindow&) = delete;

  // Shows the window centred over `owner`; false when it cannot be made (the
  // run goes on without it).
  bool Open(HWND owner, const std::string& caption);
  void SetStep(const std::string& step);
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_ = nullptr;
};
