// The archive extraction component: our own LZH extraction, linked into the
// program, behind the three entry points the update run calls. Plain C-style
// functions: no exception leaves them.
#pragma once

#include "engine/archive_command.h"

// Mode switch A, "quiet": nonzero suppresses the progress window. The run
// sets 0, so a long extraction shows its progress. Returns the previous value.
int SetArchiveModeA(int mode);
// Mode switch B, "replace read-only": nonzero lets an extraction replace
// read-only files of the destination; with 0 such a file fails the archive
// before anything is changed. The run sets 1. Returns the previous value.
int SetArchiveModeB(int mode);

// Runs one command of the form  e -mcw<folder> "<archive>" "<destination>\"
// where <archive> is named without its ".lzh" extension. 0 on success; any
// other value is a failure, and `reply` (when replySize > 0) then holds a
// NUL-terminated Japanese message of at most replySize - 1 bytes, cut at a
// character boundary. `owner` is the window that owns any window shown
// (null: none is shown).
int RunArchiveCommand(void* owner, const char* command, char* reply, int replySize);

namespace engine {

// Progress display, installed by the Windows program. The component calls
// `begin` once an extraction has lasted about half a second (only with an
// owner window, a hook installed and mode A at 0), then `update` now and
// then, and `end` when the extraction is over. Texts are code page 932.
struct ArchiveProgressHook {
  void* (*begin)(void* owner, const char* archive);
  void (*update)(void* window, const char* member, int percent);
  void (*end)(void* window);
};
// Null removes the hook. The hook must outlive its installation.
void SetArchiveProgressHook(const ArchiveProgressHook* hook);
// How long an extraction runs before the progress display appears.
void SetArchiveProgressDelayMs(int ms);
// How many members are decoded at once; 0 (the default) chooses from the
// processors there are. The files made are the same either way; one lane
// makes every file operation in archive order (tests count on that).
void SetArchiveLanes(int lanes);

}  // namespace engine
