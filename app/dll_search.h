// Where the program may load DLLs from.
#pragma once

// Restricts the DLL search of this process to the system folder, so that a
// DLL lying beside the program (the medium may be a download folder or a
// share anyone can write to) is never loaded in place of a system DLL. Call
// it first, before any window or common control exists.
void RestrictDllSearch();
