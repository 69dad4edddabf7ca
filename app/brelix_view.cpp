#include "app/brelix_view.h"

#include "app/brelix_app.h"
#include "app/status_window.h"
#include "app/update_ui_win.h"
#include "dialogs/confirm_dlg.h"
#include "dialogs/notes_dlg.h"
#include "dialogs/target_dlg.h"
#include "engine/source_dir.h"
#include "engine/unattended.h"
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
  descriptorLoaded_ = LoadDescriptor(m_session, g_sourceDir) == 1;
  const engine::Switches& switches = CBrelixApp::Instance()->Switches();
  if (switches.mode == engine::UiMode::Silent) {
    PostStep(ID_STEP_SILENT);
    return true;
  }
  // /DIR takes the place of every proposal, for good.
  if (switches.hasDir) {
    m_session.m_targetFolder = switches.dir;
    for (std::string& key : m_session.m_uninstallKeys) key.clear();
  }
  PostStep(ID_STEP_NOTES);
  return true;
}

bool CBrelixView::OnCommand(int id, int, HWND) {
  if (id != ID_STEP_NOTES && id != ID_STEP_TARGET && id != ID_STEP_CONFIRM && id != ID_STEP_SILENT) return false;
  try {
    if (id == ID_STEP_NOTES) OnStepNotes();
    else if (id == ID_STEP_TARGET) OnStepTarget();
    else if (id == ID_STEP_CONFIRM) OnStepConfirm();
    else OnStepSilent();
  } catch (...) {
    // A step that could not finish (out of memory) posts no successor; end
    // the program rather than leave the bare main window without a dialog.
    // Whether something had changed is not known here.
    CloseFrame(RunOutcome::FailedAfterChanges);
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

void CBrelixView::CloseFrame(RunOutcome outcome) {
  CBrelixApp::Instance()->Finish(outcome);
  PostMessageA(GetParent(hwnd()), WM_CLOSE, 0, 0);
}

void CBrelixView::Log(const std::string& line) { CBrelixApp::Instance()->Log().Line(line); }

void CBrelixView::OnStepNotes() {
  CNotesDlg dlg;
  dlg.m_masterAdjust = m_session.m_masterAdjust;
  dlg.m_notesText = m_session.m_notesText;
  dlg.m_notesBitmap = m_session.m_notesBitmap;
  if (dlg.DoModal() == IDOK) {
    Log("お知らせ: 開始");
    PostStep(ID_STEP_TARGET);
  } else {
    Log("お知らせ: 取消");
    CloseFrame(RunOutcome::CancelledBeforeChange);  // "取消", Escape, or no dialog: nothing has been changed
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
    const bool fromSwitch = CBrelixApp::Instance()->Switches().hasDir;
    const char* how = dlg.m_choice == CTargetDlg::Choice::Browsed ? "参照"
                      : dlg.m_choice == CTargetDlg::Choice::Typed ? "入力"
                      : fromSwitch                                 ? "/DIR"
                                                                   : "提案";
    Log("インストール先の選択: " + dlg.m_targetFolder + "（" + how + "）");
    PostStep(ID_STEP_CONFIRM);
  } else if (result == CTargetDlg::kBack) {
    Log("インストール先: 戻る");
    PostStep(ID_STEP_NOTES);
  } else {
    // Escape, or no dialog: the frame has no close box, so end here as the
    // notes step does rather than leave an empty window. Nothing has changed.
    Log("インストール先: 取消");
    CloseFrame(RunOutcome::CancelledBeforeChange);
  }
}

void CBrelixView::OnStepConfirm() {
  CConfirmDlg dlg;
  dlg.m_targetFolder = m_session.m_targetFolder;
  dlg.m_confirmBitmap = m_session.m_confirmBitmap;
  INT_PTR result = dlg.DoModal();
  if (result == IDOK) {
    Log("確認: 更新");
    ViewUpdateUi ui(hwnd(), &CBrelixApp::Instance()->Log());
    RunOutcome outcome = RunOutcome::FailedAfterChanges;
    if (RunUpdate(m_session, ui, g_sourceDir, &outcome) == 1) {
      CloseFrame(outcome);
    } else {
      Log(std::string("やり直し: ") + engine::OutcomeText(outcome));
      PostStep(ID_STEP_TARGET);  // the target was refused before any change
    }
  } else if (result == IDCANCEL) {
    Log("確認: 戻る");
    PostStep(ID_STEP_TARGET);
  } else {
    CloseFrame(RunOutcome::CancelledBeforeChange);  // no dialog: end rather than leave an empty window
  }
}

void CBrelixView::OnStepSilent() {
  CBrelixApp* app = CBrelixApp::Instance();
  StatusWindow status;
  status.Open(GetParent(hwnd()), "アップデート");
  ViewUpdateUi ui(hwnd(), &app->Log(), true, &status);
  CloseFrame(engine::RunUnattended(m_session, ui, g_sourceDir, descriptorLoaded_, app->Switches()));
}
