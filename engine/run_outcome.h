// How an update ended, as one table shared by brelix-cli's exit status and
// the Windows program's process exit code (and written to the log).
#pragma once

enum class RunOutcome {
  Applied = 0,                // the update was applied
  BadCommandLine = 1,         // the command line could not be understood
  CancelledBeforeChange = 2,  // the user cancelled before anything changed
  TargetRefused = 3,          // folder or installed product not accepted; nothing changed
  MediumUnusable = 4,         // no or unreadable info.txt, a faulty record line, a command too long
  CancelledAtDisk = 5,        // cancelled at a disk prompt after records were installed
  FailedAfterChanges = 6,     // extraction, copy, attributes or a settings write failed
};

inline int ExitCodeOf(RunOutcome outcome) { return static_cast<int>(outcome); }
