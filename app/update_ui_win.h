// The update run's user interface in the Windows program: message boxes
// owned by the view, the wait cursor, the view as owner window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/update_ui.h"
#include "winui/wait_cursor.h"

class ViewUpdateUi : public UpdateUi {
 public:
  explicit ViewUpdateUi(HWND owner) : owner_(owner) {}

  void Message(const std::string& text, const std::string& caption) override;
  bool AskOkCancel(const std::string& text, const std::string& caption) override;
  void BeginWait() override;
  void EndWait() override;
  void* OwnerWindow() override { return owner_; }

 private:
  HWND owner_;
  int waitDepth_ = 0;
  std::unique_ptr<winui::WaitCursor> wait_;
};
