#include "dialogs/notes_dlg.h"

#include "engine/source_dir.h"
#include "res/resource.h"
#include "text/cp932.h"

CNotesDlg::CNotesDlg() : winui::Dialog(IDD_NOTES) {}

bool CNotesDlg::OnInitDialog() {
  // Without master adjustment the dialog is titled as a plain update.
  if (text::AtoiLike(m_masterAdjust) == 0) SetWindowTextA(hwnd(), "アップデート");
  SetItemText(IDC_TEXT, m_notesText);
  return true;
}

bool CNotesDlg::OnPaint() {
  winui::PaintPictureControl(hwnd(), IDC_PICTURE, g_sourceDir + m_notesBitmap);
  return true;
}
