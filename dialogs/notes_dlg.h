// The first wizard step: the notes of the update and a picture.
#pragma once

#include <string>

#include "winui/dialog.h"

class CNotesDlg : public winui::Dialog {
 public:
  CNotesDlg();

  std::string m_notesText;     // shown in control 1006
  std::string m_notesBitmap;   // picture file in the source directory
  std::string m_masterAdjust;  // "0", empty or no number: the plain caption

 protected:
  bool OnInitDialog() override;
  bool OnPaint() override;
};
