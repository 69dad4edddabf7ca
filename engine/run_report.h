// Facts the update run reports to its log that the steps themselves do not
// return: how many files an archive holds, how large a copied file is.
#pragma once

#include <string>

namespace engine {

// The file members of an LZH archive (directory entries not counted), read
// from the headers alone; -1 when the archive cannot be read to its end.
int CountArchiveFiles(const std::string& path);

// Size of a file in bytes, or -1 when it cannot be opened.
long long FileBytes(const std::string& path);

}  // namespace engine
