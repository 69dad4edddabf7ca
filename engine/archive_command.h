// The extraction command the update run builds, and which member names the
// component writes: the parts of the component that need no file at all.
#pragma once

#include <string>

namespace engine {

// The command as parsed.
struct ArchiveCommand {
  // The text after -mcw, a work folder for temporary files. Accepted and
  // deliberately not used: temporary files go into the destination folder
  // itself, so that installing them is a rename on the same volume and a
  // failure never leaves a file half-copied across volumes.
  std::string workFolder;
  std::string archive;      // as quoted, without ".lzh"
  std::string destination;  // as quoted, ending with a separator
};
// False when `command` is not of the form  e -mcw<folder> "<archive>" "<destination>\"
bool ParseArchiveCommand(const std::string& command, ArchiveCommand& out);

// True when `name` may be created as a file in the destination folder: not
// empty, ".", "..", a device name (with or without extension), no character
// Windows forbids in a file name, and no trailing dot or space (which
// Windows would silently drop).
bool IsAcceptableFileName(const std::string& name);

}  // namespace engine
