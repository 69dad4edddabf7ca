#include "app/update_ui_win.h"

void ViewUpdateUi::Message(const std::string& text, const std::string& caption) {
  MessageBoxA(owner_, text.c_str(), caption.c_str(), MB_OK);
  if (waitDepth_ > 0) winui::WaitCursor::Restore();
}

bool ViewUpdateUi::AskOkCancel(const std::string& text, const std::string& caption) {
  bool ok = MessageBoxA(owner_, text.c_str(), caption.c_str(), MB_OKCANCEL) == IDOK;
  if (waitDepth_ > 0) winui::WaitCursor::Restore();
  return ok;
}

void ViewUpdateUi::BeginWait() {
  if (waitDepth_++ == 0) wait_ = std::make_unique<winui::WaitCursor>();
}

void ViewUpdateUi::EndWait() {
  if (waitDepth_ > 0 && --waitDepth_ == 0) wait_.reset();
}
