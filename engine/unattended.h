// The update without questions (/SILENT, /VERYSILENT), and the outcome of a
// run as the process exit code reports it. The caller's UpdateUi decides what
// is shown; here only the steps a person would otherwise take are decided.
#pragma once

#include <string>

#include "engine/run_outcome.h"
#include "engine/switches.h"
#include "engine/update_session.h"
#include "engine/update_ui.h"

namespace engine {

// Text of an outcome for the log ("更新しました", ...).
const char* OutcomeText(RunOutcome outcome);

// How the installation folder was chosen, for the log.
enum class FolderSource { None, Switch, Registry, Descriptor };
const char* FolderSourceText(FolderSource source);

// The folder an unattended run updates: /DIR, else the folder registered for
// the installed product, else line 16 of info.txt; None when there is none.
FolderSource ChooseUnattendedFolder(const UpdateSession& session, const Switches& switches, std::string& folder);

// The whole unattended update: a medium without a readable info.txt is
// refused (MediumUnusable), a run without a folder is refused
// (TargetRefused), every step is logged through `ui`.
RunOutcome RunUnattended(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir, bool descriptorLoaded,
                         const Switches& switches);

}  // namespace engine
