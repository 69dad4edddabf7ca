// Where the program may load DLLs from.
#pragma once

// Restricts the DLL search of this process to the system folder, so that a
// DLL lying beside the program (the medium may be a download folder or a
// share anyone can write to) is never loaded in place of a system DLL. Call
// it first, before any window or common control exists.
void RestrictDllSearch();

// Loads the common controls (version 6, as the manifest asks) from the system
// and registers their window classes. Loaded here rather than imported: an
// imported DLL is loaded, and initialises itself (loading the theme DLL by
// bare name), before RestrictDllSearch can run. False when they are missing.
bool InitCommonControlsFromSystem(unsigned long classes);
