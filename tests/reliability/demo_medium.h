// The demo update medium and the installation it applies to, built in C++ so
// that the same layout serves the native tests and the Windows tests under
// Wine (where jlha is not available): info.txt is the checked-in demo
// descriptor, the archives hold their members stored (-lh0-), the
// installation is version 8.0S with an out-of-date spreadsheet template and
// two master sets. Snapshots compare installations file by file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace reliability {

// Paths end with a separator.
struct DemoPaths {
  std::string medium;
  std::string install;
};

// Members of one archive of the medium: name and content.
using Members = std::vector<std::pair<std::string, std::string>>;

// An archive (stored members, level 2 headers, end marker).
std::string StoredArchive(const Members& members);

// Writes the medium and the installation below `root` (a folder ending with
// a separator): root + "medium\" and root + "install\".
DemoPaths MakeDemo(const std::string& root);

// The installation's master files, relative to it.
extern const char* const kMasterFiles[3];
// The content of master\1\pok101-3.mst as the MASTER archive brings it.
std::string ExtractedMaster();

// Every file below `folder` (ending with a separator): path relative to it
// (backslashes) -> content. Folders themselves are not listed.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& folder);

// Files that differ between two snapshots, as "+name", "-name" or "*name".
std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after);

}  // namespace reliability
