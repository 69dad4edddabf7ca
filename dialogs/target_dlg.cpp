#include "dialogs/target_dlg.h"

#include <direct.h>

#include "dialogs/folder_list.h"
#include "engine/installed_location.h"
#include "engine/source_dir.h"
#include "res/resource.h"
#include "winui/wait_cursor.h"

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
  FindInstalledFolder();
  proposed_ = ItemText(IDC_FOLDER_EDIT);
  return true;
}

void CTargetDlg::OnOK() {
  // Accepted as typed: the update run judges the folder.
  m_targetFolder = ItemText(IDC_FOLDER_EDIT);
  if (!browsed_.empty() && m_targetFolder == browsed_) m_choice = Choice::Browsed;
  else if (m_targetFolder == proposed_) m_choice = Choice::Proposal;
  else m_choice = Choice::Typed;
  Leave(IDOK);
}

void CTargetDlg::OnCancel() { Leave(IDCANCEL); }

void CTargetDlg::Leave(int result) {
  // A medium at the root of a drive is read as "D:" + name, relative to that
  // drive's current directory: browsing on that drive must not leave it
  // elsewhere, or the pictures and archives would no longer be found.
  if (g_sourceDir.size() == 2 && g_sourceDir[1] == ':') _chdir((g_sourceDir + "\\").c_str());
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

bool CTargetDlg::SelectedEntry(int id, std::string& text) const {
  HWND list = Item(id);
  LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (index == LB_ERR) return false;
  LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) return false;
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT got = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&buffer[0]));
  if (got == LB_ERR) return false;
  buffer.resize(static_cast<std::size_t>(got));
  text = buffer;
  return true;
}

// A drive pick makes its root current and lists its folders. The drive list
// writes a drive as [-c-]: the letter is the third character.
void CTargetDlg::OnDriveSelected() {
  std::string drive;
  if (!SelectedEntry(IDC_DRIVE_LIST, drive) || drive.size() < 3) return;
  std::string root = std::string(1, drive[2]) + ":\\";
  _chdir(root.c_str());  // a drive without a medium stays as it was
  SetItemText(IDC_FOLDER_EDIT, root);
  browsed_ = ItemText(IDC_FOLDER_EDIT);
  FillFolderList(drive, "\\*.*");
}

// A folder entry [name] is entered relative to the selected drive's current
// directory ("c:APPS", "c:.."); a click and a double click do the same.
void CTargetDlg::OnFolderSelected() {
  std::string drive, folder;
  if (!SelectedEntry(IDC_DRIVE_LIST, drive) || !SelectedEntry(IDC_FOLDER_LIST, folder)) return;
  if (drive.size() < 3 || folder.size() < 2) return;
  std::string path = std::string(1, drive[2]) + ":" + folder.substr(1, folder.size() - 2);
  _chdir(path.c_str());  // a folder that cannot be entered leaves the current one
  SetItemText(IDC_FOLDER_EDIT, CurrentDirectory());
  browsed_ = ItemText(IDC_FOLDER_EDIT);
  FillFolderList(drive, ".\\*.*");
}

void CTargetDlg::FillFolderList(const std::string& driveEntry, const std::string& pattern) {
  HWND list = Item(IDC_FOLDER_LIST);
  if (driveEntry.size() < 3) {
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    return;
  }
  winui::WaitCursor wait;
  FillFolderListBox(list, ListSubfolders(std::string(1, driveEntry[2]) + ":" + pattern));
}

std::vector<std::string> CTargetDlg::ListSubfolders(const std::string& searchPath) {
  return ListSubfolderNames(searchPath);
}

void CTargetDlg::FindInstalledFolder() {
  std::string folder;
  if (::FindInstalledFolder(m_uninstallKeys, folder)) SetItemText(IDC_FOLDER_EDIT, folder);
}
