// The update run: applies the session's update to the folder the user chose.
#pragma once

#include <string>

#include "engine/update_session.h"
#include "engine/update_ui.h"

// Returns 1 when the run is over and the program should close (success, a
// cancel at a disk prompt, or a failure after something may have changed), 0
// when the target was refused before anything changed.
int RunUpdate(UpdateSession& session, UpdateUi& ui, const std::string& sourceDir);
