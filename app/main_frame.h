// The main window: a bare, maximised frame around the view.
#pragma once

#include <memory>

#include "winui/window.h"

class CBrelixView;

class CMainFrame : public winui::Window {
 public:
  CMainFrame();
  ~CMainFrame() override;

  static bool Register();
  // Creates the frame, its view, and starts the wizard.
  bool CreateFrame();
  CBrelixView* View() const { return view_.get(); }

 protected:
  void PreCreateWindow(winui::CreateParams& params) override;
  bool OnCreate(const CREATESTRUCTA& cs) override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnSize(int width, int height) override;
  void OnDestroy() override;

  // Command 104: the caption becomes the first line of info.txt.
  void OnTitleFromDescriptor();

 private:
  std::unique_ptr<CBrelixView> view_;
};
