// What the update run needs from the user interface. The Windows program
// implements it with message boxes owned by the view; brelix-cli prints and
// reads the terminal; tests script the answers and record every message.
#pragma once

#include <string>

class UpdateUi {
 public:
  virtual ~UpdateUi() = default;
  // A modal message with an OK button only.
  virtual void Message(const std::string& text, const std::string& caption) = 0;
  // A modal question with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;
  // The wait cursor, shown from BeginWait until EndWait.
  virtual void BeginWait() {}
  virtual void EndWait() {}
  // Owner window handed to the archive component (an HWND on Windows, null
  // where there is no window).
  virtual void* OwnerWindow() { return nullptr; }
  // One event of the run for the update log (code page 932): each step,
  // record and settings entry as it happens. Nothing by default.
  virtual void Log(const std::string& line) { (void)line; }
};

// Keeps the wait cursor up for the life of the object.
class WaitCursor {
 public:
  explicit WaitCursor(UpdateUi& ui) : ui_(ui) { ui_.BeginWait(); }
  ~WaitCursor() { ui_.EndWait(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  UpdateUi& ui_;
};
