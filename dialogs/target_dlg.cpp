#include "dialogs/target_dlg.h"

#include <direct.h>

#include "engine/source_dir.h"
#include "res/resource.h"

CTargetDlg::CTargetDlg() : winui::Dialog(IDD_TARGET) {}

bool CTargetDlg::OnInitDialog() {
  m_savedDrive = _getdrive();
  _chdir("\\");
  // Drives only, written as [-c-]; DlgDirListA may rewrite its pattern buffer.
  std::string pattern = "*.*";
  pattern.resize(256, '\0');
  DlgDirListA(hwnd(), &pattern[0], IDC_DRIVE_LIST, 0, DDL_DRIVES | DDL_EXCLUSIVE);
  SetItemText(IDC_FOLDER_EDIT, m_targetFolder);
  SetItemText(IDC_TEXT, m_targetText);
  std::string found = FindInstalledFolder();
  if (!found.empty()) SetItemText(IDC_FOLDER_EDIT, found);
  return true;
}

void CTargetDlg::OnOK() {
  // Accepted as typed: the update run judges the folder.
  m_targetFolder = ItemText(IDC_FOLDER_EDIT);
  Leave(IDOK);
}

void CTargetDlg::OnCancel() { Leave(IDCANCEL); }

void CTargetDlg::Leave(int result) {
  if (m_savedDrive > 0) _chdrive(m_savedDrive);
  EndDialog(result);
}

bool CTargetDlg::OnCommand(int id, int code, HWND) {
  if (id == kBack && code == BN_CLICKED) {
    Leave(kBack);
    return true;
  }
  if (id == IDC_DRIVE_LIST && code == LBN_SELCHANGE) {
    OnDriveSelected();
    return true;
  }
  if (id == IDC_FOLDER_LIST && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
    OnFolderSelected();
    return true;
  }
  return false;
}

bool CTargetDlg::OnPaint() {
  winui::PaintPictureControl(hwnd(), IDC_PICTURE, g_sourceDir + m_targetBitmap);
  return true;
}

// The browsing steps and the registry lookup are separate operations so that
// they can be filled in and tested on their own; until then picking a drive
// or a folder changes nothing and no installed folder is proposed.
void CTargetDlg::OnDriveSelected() {}

void CTargetDlg::OnFolderSelected() {}

void CTargetDlg::FillFolderList(const std::string& driveEntry, const std::string& pattern) {
  HWND list = Item(IDC_FOLDER_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  if (driveEntry.size() < 3) return;
  std::string searchPath = std::string(1, driveEntry[2]) + ":" + pattern;
  for (const std::string& name : ListSubfolders(searchPath)) {
    std::string entry = "[" + name + "]";
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  }
}

std::vector<std::string> CTargetDlg::ListSubfolders(const std::string&) { return {".."}; }

std::string CTargetDlg::FindInstalledFolder() { return std::string(); }
