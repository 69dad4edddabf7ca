#include "app/update_ui_win.h"

#include "app/status_window.h"

void ViewUpdateUi::Message(const std::string& text, const std::string& caption) {
  Log("メッセージ [" + caption + "] " + text);
  if (unattended_) return;
  MessageBoxA(owner_, text.c_str(), caption.c_str(), MB_OK);
  if (waitDepth_ > 0) winui::WaitCursor::Restore();
}

bool ViewUpdateUi::AskOkCancel(const std::string& text, const std::string& caption) {
  Log("質問 [" + caption + "] " + text);
  if (unattended_) {
    Log("無人実行のため「キャンセル」とみなします");
    return false;
  }
  bool ok = MessageBoxA(owner_, text.c_str(), caption.c_str(), MB_OKCANCEL) == IDOK;
  Log(ok ? "回答: OK" : "回答: キャンセル");
  if (waitDepth_ > 0) winui::WaitCursor::Restore();
  return ok;
}

void ViewUpdateUi::BeginWait() {
  if (unattended_ && !owner_) return;  // no window, no cursor to show
  if (waitDepth_++ == 0) wait_ = std::make_unique<winui::WaitCursor>();
}

void ViewUpdateUi::EndWait() {
  if (waitDepth_ > 0 && --waitDepth_ == 0) wait_.reset();
}

void ViewUpdateUi::Log(const std::string& line) {
  if (log_) log_->Line(line);
  if (status_) status_->SetStep(line);
}
