#include "engine/source_dir.h"

#include "os/os.h"
#include "text/cp932.h"

std::string g_sourceDir;

std::string SourceDirFromExecutable(const std::string& exePath) {
  text::PathParts parts = text::SplitPath(exePath);
  std::string dir = parts.drive + parts.dir;
  // A drive root keeps no separator, so that "D:" + "info.txt" reads the
  // medium's root through the drive's current directory, as the medium
  // layout expects.
  if (dir.size() == 3) dir.resize(2);
  return dir;
}

void DetermineSourceDir() { g_sourceDir = SourceDirFromExecutable(os::ExecutablePath()); }
