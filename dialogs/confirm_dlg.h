// The last wizard step: the chosen folder, "更新" to start, "戻る" to go back.
#pragma once

#include <string>

#include "winui/dialog.h"

class CConfirmDlg : public winui::Dialog {
 public:
  CConfirmDlg();

  std::string m_targetFolder;   // shown in control 1006 as accepted
  std::string m_confirmBitmap;  // picture file in the source directory

 protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  bool OnPaint() override;
};
