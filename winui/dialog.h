// A modal dialog from a template, with virtual handlers.
#pragma once

#include <windows.h>

#include <string>

namespace winui {

class Dialog {
 public:
  explicit Dialog(int templateId) : templateId_(templateId) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally, owned by the application's main window, and
  // returns the code it ended with, or -1 when it could not be created.
  INT_PTR DoModal();
  HWND hwnd() const { return hwnd_; }

 protected:
  // WM_INITDIALOG: true lets the system put the focus on the first tab stop.
  virtual bool OnInitDialog() { return true; }
  // IDOK (the default button or Enter) and IDCANCEL (Escape, or a button
  // with that number).
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Other WM_COMMANDs: true when handled.
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  // WM_PAINT: true when painted.
  virtual bool OnPaint() { return false; }

  void EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  void SetItemText(int id, const std::string& text) { SetDlgItemTextA(hwnd_, id, text.c_str()); }
  std::string ItemText(int id) const;

 private:
  static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);

  int templateId_;
  HWND hwnd_ = nullptr;
};

// Paints a BMP of the medium into the picture frame of a dialog: the
// dialog is painted, the frame control draws itself at once (its black
// frame and background), and the picture is stretched over its client area.
void PaintPictureControl(HWND dialog, int controlId, const std::string& path);

}  // namespace winui
