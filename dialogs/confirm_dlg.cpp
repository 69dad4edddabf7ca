#include "dialogs/confirm_dlg.h"

#include "engine/source_dir.h"
#include "res/resource.h"

CConfirmDlg::CConfirmDlg() : winui::Dialog(IDD_CONFIRM) {}

bool CConfirmDlg::OnInitDialog() {
  SetItemText(IDC_TEXT, m_targetFolder);
  return true;
}

// "戻る" carries the cancel identifier, so it and Escape both go back.
void CConfirmDlg::OnCancel() { EndDialog(IDCANCEL); }

bool CConfirmDlg::OnPaint() {
  winui::PaintPictureControl(hwnd(), IDC_PICTURE, g_sourceDir + m_confirmBitmap);
  return true;
}
