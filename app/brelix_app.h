// The application object of Brelix.exe.
#pragma once

#include <memory>
#include <string>

#include "engine/run_outcome.h"
#include "engine/switches.h"
#include "engine/update_log.h"
#include "winui/app.h"

class CMainFrame;

class CBrelixApp : public winui::App {
 public:
  CBrelixApp();
  ~CBrelixApp() override;

  static CBrelixApp* Instance() { return static_cast<CBrelixApp*>(winui::App::Current()); }

  // Command line and log first, then the main window with its view (none
  // for /VERYSILENT, which updates right here).
  bool InitInstance() override;
  // Commands the frame passes on: the about box (command 57664).
  bool OnCommand(int id) override;
  void OnAppAbout();

  const engine::Switches& Switches() const { return switches_; }
  engine::UpdateLog& Log() { return log_; }
  // Records how the program ends: the log's last line and the exit code.
  void Finish(RunOutcome outcome);
  // The process exit code: until something ends the program otherwise, a run
  // that never started.
  int ExitCode() const { return exitCode_; }

 private:
  void OpenLog(bool unattended);
  void RunVerySilent();

  engine::Switches switches_;
  engine::UpdateLog log_;
  int exitCode_ = ExitCodeOf(RunOutcome::CancelledBeforeChange);
  std::unique_ptr<CMainFrame> frame_;
};

// Program version, as the about box shows it.
extern const char kBrelixVersion[];
