// Where the product to update is installed, as the system's list of
// installed programs tells it: the folder of the file named after " -f" in
// the uninstall command registered under one of the descriptor's key names.
#pragma once

#include <string>

#include "engine/update_session.h"

// The Uninstall list, below HKEY_LOCAL_MACHINE; key names follow directly.
extern const char kUninstallKeyPrefix[];

// Replaces `command` by the drive and directory of the path that follows the
// first " -f" (case-sensitive), cut at the next " -", and returns 1; returns
// 0 and leaves `command` as it is when there is no " -f". The drive is the
// first two characters when the second is ':'; the directory runs to the
// last '\' or '/' (inclusive); quotation marks are ordinary characters.
// Commands and paths of any length are handled in full.
int FolderFromUninstallCommand(std::string& command);

// The folder to propose: tries the key names in order until the first empty
// one; the first key that opens ends the search (even without an
// "UninstallString" value). True, with `folder` set (one trailing backslash
// removed; possibly empty), when its command names a folder.
bool FindInstalledFolder(const std::string (&keys)[kUninstallKeyCount], std::string& folder);
