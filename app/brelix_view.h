// The view: the background picture, and the controller of the wizard.
#pragma once

#include "engine/run_outcome.h"
#include "engine/update_session.h"
#include "winui/window.h"

class CBrelixView : public winui::Window {
 public:
  CBrelixView();

  static bool Register();
  bool CreateView(HWND frame, int width, int height);

  UpdateSession m_session;

 protected:
  bool OnCreate(const CREATESTRUCTA& cs) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnPaint() override;

  // One handler a wizard step; each posts the next step (or WM_CLOSE to the
  // frame) and returns, so the dialogs never nest.
  void OnStepNotes();
  void OnStepTarget();
  void OnStepConfirm();
  // /SILENT: the update without dialogs, under a progress window.
  void OnStepSilent();

 private:
  void PostStep(int id);
  // Ends the program with `outcome` as its exit code.
  void CloseFrame(RunOutcome outcome);
  void Log(const std::string& line);

  bool descriptorLoaded_ = false;
};
