// Stand-in for the update run in builds whose engine does not provide it yet
// (compiled only then; see CMakeLists.txt). It changes nothing and reports so.
#include "engine/update_run.h"

int RunUpdate(UpdateSession&, UpdateUi& ui, const std::string&) {
  ui.Message("この版には更新処理が組み込まれていません。", "エラー");
  return 1;
}
