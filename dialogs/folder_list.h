// Listing of subfolders for the target dialog's folder list.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// ".." first, then the name of every subfolder that `searchPath` (a folder
// followed by a wildcard, such as "c:\*.*" or "c:.\*.*") finds, hidden and
// system folders included, in the file system's order. No limit on their
// number or length.
std::vector<std::string> ListSubfolderNames(const std::string& searchPath);

// Empties `list` and adds every name as "[name]"; a sorted list box orders
// them itself. Redrawing is held back until the last one is in.
void FillFolderListBox(HWND list, const std::vector<std::string>& names);

// The process's current directory as the system reports it, at any length.
std::string CurrentDirectory();
