#include "winui/dialog.h"

#include "gfx/bitmap_draw.h"
#include "winui/app.h"
#include "winui/handles.h"

namespace winui {

INT_PTR Dialog::DoModal() {
  App* app = App::Current();
  HWND owner = app ? app->MainWindow() : nullptr;
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                         StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

std::string Dialog::ItemText(int id) const { return WindowText(Item(id)); }

INT_PTR CALLBACK Dialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
  }
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = self->DialogProc(message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind into the system's dialog manager: a handler that
    // failed leaves the dialog as cancelled.
    ::EndDialog(hwnd, IDCANCEL);
    result = TRUE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

INT_PTR Dialog::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK) {
        OnOK();
        return TRUE;
      }
      if (id == IDCANCEL) {
        OnCancel();
        return TRUE;
      }
      return OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    }
    case WM_PAINT:
      return OnPaint() ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

void PaintPictureControl(HWND dialog, int controlId, const std::string& path) {
  PaintDC paint(dialog);
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) return;
  ClientDC dc(control);
  // The frame paints its border and background now, not over the picture later.
  InvalidateRect(control, nullptr, TRUE);
  UpdateWindow(control);
  RECT rect{};
  GetClientRect(control, &rect);
  gfx::DrawBitmapFile(dc.get(), rect, path, SRCCOPY);
}

}  // namespace winui
