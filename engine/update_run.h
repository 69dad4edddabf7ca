// The update run: applies the session's update to the folder the user chose.
#pragma once

#include <string>

#include "engine/run_outcome.h"
#include "engine/update_session.h"
#include "engine/update_ui.h"

// Returns 1 when the run is over and the program should close (success, a
// cancel at a disk prompt, a faulty medium, or a failure after something may
// have changed), 0 when the target was refused before anything changed.
int RunUpdate(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir);
// The same run; `outcome`, when given, receives how it ended. A cancel at a
// disk prompt before the first record was touched is CancelledBeforeChange,
// after it CancelledAtDisk. A failed master conversion is reported by the run
// and still ends as Applied, as the run itself goes on to report success.
int RunUpdate(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir, RunOutcome* outcome);
