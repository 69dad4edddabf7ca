// The application object of Brelix.exe.
#pragma once

#include <memory>

#include "winui/app.h"

class CMainFrame;

class CBrelixApp : public winui::App {
 public:
  CBrelixApp();
  ~CBrelixApp() override;

  // Source directory first, then the main window with its view.
  bool InitInstance() override;
  // Commands the frame passes on: the about box (command 57664).
  bool OnCommand(int id) override;
  void OnAppAbout();

 private:
  std::unique_ptr<CMainFrame> frame_;
};
