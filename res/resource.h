// Resource and command identifiers shared by brelix.rc and the program.
#pragma once

// Menu, accelerator table, icon and document string of the main frame.
#define IDR_MAINFRAME 128

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_TARGET 130
#define IDD_NOTES 132
#define IDD_CONFIRM 133

// Controls of the wizard dialogs.
#define IDC_DRIVE_LIST 1002
#define IDC_FOLDER_LIST 1003
#define IDC_RESTORE_CHECK 1004
#define IDC_FOLDER_EDIT 1005
#define IDC_TEXT 1006
#define IDC_PICTURE 1007
#define IDC_BACK 1008

// Wizard steps, posted by the view to itself.
#define ID_STEP_NOTES 101
#define ID_STEP_TARGET 102
#define ID_STEP_CONFIRM 103
// Posted by the frame to itself: caption from the first line of info.txt.
#define ID_TITLE_FROM_DESCRIPTOR 104
// The unattended update of /SILENT, posted by the view to itself.
#define ID_STEP_SILENT 105

// Standard command numbers the menu and accelerators use.
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_MRU_FILE1 57616
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// Strings.
#define IDS_APP_TITLE 57344
#define IDS_IDLE_MESSAGE 57345

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
