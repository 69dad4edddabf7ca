// The source directory: the folder of the program's own executable, where
// every file of the update medium lies.
#pragma once

#include <string>

// Set once at start-up and never changed afterwards.
extern std::string g_sourceDir;

// Drive and directory of `exePath`, ending in a separator; a drive root
// (exactly three characters, "D:\") becomes just "D:"; a leading "UNC\"
// (how Wine names a share) becomes "\\". Any length is accepted.
std::string SourceDirFromExecutable(const std::string& exePath);

// Fills g_sourceDir from the running executable's path.
void DetermineSourceDir();
