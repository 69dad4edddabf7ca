#include "app/brelix_view.h"

#include "app/update_ui_win.h"
#include "dialogs/confirm_dlg.h"
#include "dialogs/notes_dlg.h"
#include "dialogs/target_dlg.h"
#include "engine/source_dir.h"
#include "engine/update_run.h"
#include "gfx/bitmap_draw.h"
#include "res/resource.h"
#include "winui/handles.h"

namespace {
const char kViewClass[] = "BrelixView";
// The child identifier of a frame's one view.
const int kViewId = 0xE900;
}  // namespace

CBrelixView::CBrelixView() = default;

bool CBrelixView::Register() {
  return winui::Window::RegisterClass(kViewClass, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                      CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW);
}

bool CBrelixView::CreateView(HWND frame, int width, int height) {
  winui::CreateParams params;
  params.className = kViewClass;
  params.style = WS_CHILD | WS_VISIBLE;
  params.x = 0;
  params.y = 0;
  params.width = width;
  params.height = height;
  params.parent = frame;
  params.menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewId));
  return Create(params);
}

bool CBrelixView::OnCreate(const CREATESTRUCTA&) {
  // A missing info.txt leaves empty texts; the wizard starts all the same.
  LoadDescriptor(m_session, g_sourceDir);
  PostStep(ID_STEP_NOTES);
  return true;
}

bool CBrelixView::OnCommand(int id, int, HWND) {
  if (id != ID_STEP_NOTES && id != ID_STEP_TARGET && id != ID_STEP_CONFIRM) return false;
  try {
    if (id == ID_STEP_NOTES) OnStepNotes();
    else if (id == ID_STEP_TARGET) OnStepTarget();
    else OnStepConfirm();
  } catch (...) {
    // A step that could not finish (out of memory) posts no successor; end
    // the program rather than leave the bare main window without a dialog.
    CloseFrame();
  }
  return true;
}

bool CBrelixView::OnPaint() {
  winui::PaintDC dc(hwnd());
  RECT client{};
  GetClientRect(hwnd(), &client);
  gfx::DrawBitmapFile(dc.get(), client, g_sourceDir + m_session.m_viewBitmap, SRCCOPY);
  return true;
}

void CBrelixView::PostStep(int id) { PostMessageA(hwnd(), WM_COMMAND, static_cast<WPARAM>(id), 0); }

void CBrelixView::CloseFrame() { PostMessageA(GetParent(hwnd()), WM_CLOSE, 0, 0); }

void CBrelixView::OnStepNotes() {
  CNotesDlg dlg;
  dlg.m_masterAdjust = m_session.m_masterAdjust;
  dlg.m_notesText = m_session.m_notesText;
  dlg.m_notesBitmap = m_session.m_notesBitmap;
  if (dlg.DoModal() == IDOK) {
    PostStep(ID_STEP_TARGET);
  } else {
    CloseFrame();  // "取消", Escape, or no dialog: nothing has been changed
  }
}

void CBrelixView::OnStepTarget() {
  CTargetDlg dlg;
  for (int i = 0; i < kUninstallKeyCount; ++i) dlg.m_uninstallKeys[i] = m_session.m_uninstallKeys[i];
  dlg.m_targetText = m_session.m_targetText;
  dlg.m_targetFolder = m_session.m_targetFolder;
  dlg.m_targetBitmap = m_session.m_targetBitmap;
  INT_PTR result = dlg.DoModal();
  if (result == IDOK) {
    m_session.m_targetFolder = dlg.m_targetFolder;
    PostStep(ID_STEP_CONFIRM);
  } else if (result == CTargetDlg::kBack) {
    PostStep(ID_STEP_NOTES);
  } else {
    // Escape, or no dialog: the frame has no close box, so end here as the
    // notes step does rather than leave an empty window. Nothing has changed.
    CloseFrame();
  }
}

void CBrelixView::OnStepConfirm() {
  CConfirmDlg dlg;
  dlg.m_targetFolder = m_session.m_targetFolder;
  dlg.m_confirmBitmap = m_session.m_confirmBitmap;
  INT_PTR result = dlg.DoModal();
  if (result == IDOK) {
    ViewUpdateUi ui(hwnd());
    if (RunUpdate(m_session, ui, g_sourceDir) == 1) {
      CloseFrame();
    } else {
      PostStep(ID_STEP_TARGET);  // the target was refused before any change
    }
  } else if (result == IDCANCEL) {
    PostStep(ID_STEP_TARGET);
  } else {
    CloseFrame();  // no dialog: end rather than leave an empty window
  }
}
