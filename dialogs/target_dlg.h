// The second wizard step: the installation folder to update.
//
// The dialog proposes m_targetFolder (or the folder the installed-location
// lookup finds) in its folder field and returns the field's text on "次へ".
// Browsing drives and folders fills the two lists through FillFolderList and
// ListSubfolders.
#pragma once

#include <string>
#include <vector>

#include "engine/update_session.h"
#include "winui/dialog.h"

class CTargetDlg : public winui::Dialog {
 public:
  // The end code of the "戻る" button.
  static constexpr int kBack = 1008;
  // Where the accepted text came from, for the update log.
  enum class Choice { Proposal, Typed, Browsed };

  CTargetDlg();

  int m_savedDrive = 0;                           // current drive when the dialog opened
  std::string m_targetFolder;                     // in: proposal; out: the accepted text
  std::string m_targetText;                       // guidance, control 1006
  std::string m_targetBitmap;                     // picture file in the source directory
  std::string m_uninstallKeys[kUninstallKeyCount];  // for FindInstalledFolder
  Choice m_choice = Choice::Proposal;             // out: how m_targetFolder was chosen

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnPaint() override;

  // Browsing: the drive list (1002) and the folder list (1003). The list
  // contents come from the two functions below.
  virtual void OnDriveSelected();
  virtual void OnFolderSelected();
  // Refills the folder list from `driveEntry` (as the drive list shows it)
  // and `pattern`.
  virtual void FillFolderList(const std::string& driveEntry, const std::string& pattern);
  // The subfolder names under `searchPath`, ".." first.
  virtual std::vector<std::string> ListSubfolders(const std::string& searchPath);
  // Puts the installation folder registered under one of m_uninstallKeys
  // into control 1005; leaves the control alone when none is found.
  virtual void FindInstalledFolder();

 private:
  // Text of the selected entry of list box `id`; false without a selection.
  bool SelectedEntry(int id, std::string& text) const;

  // Leaves the dialog with `result` after putting the saved drive back.
  void Leave(int result);

  std::string proposed_;  // the field as the dialog opened
  std::string browsed_;   // the field as browsing last set it
};
