// The update run's user interface in the Windows program: message boxes
// owned by the view, the wait cursor, the view as owner window; every event
// and message also goes to the update log. Without a person to answer
// (/SILENT, /VERYSILENT) no box is shown: a message is only logged and a
// question takes its safe answer, Cancel.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/update_log.h"
#include "engine/update_ui.h"
#include "winui/wait_cursor.h"

class StatusWindow;

class ViewUpdateUi : public UpdateUi {
 public:
  // `log` and `status` may be null.
  explicit ViewUpdateUi(HWND owner, engine::UpdateLog* log = nullptr, bool unattended = false,
                        StatusWindow* status = nullptr)
      : owner_(owner), log_(log), unattended_(unattended), status_(status) {}

  void Message(const std::string& text, const std::string& caption) override;
  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  void BeginWait() override;
  void EndWait() override;
  void* OwnerWindow() override { return owner_; }
  void Log(const std::string& line) override;

 private:
  HWND owner_;
  engine::UpdateLog* log_;
  bool unattended_;
  StatusWindow* status_;
  int waitDepth_ = 0;
  std::unique_ptr<winui::WaitCursor> wait_;
};
