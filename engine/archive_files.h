// Files and folders as the LZH encoder's input, for the tools that make
// archives (brelix-cli archive, pack).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lzh/encoder.h"
#include "os/os.h"

namespace engine {

// An open file as a member's data, rewound by seeking; its size is the
// encoder's hint.
class FileEncodeSource : public lzh::Source {
 public:
  explicit FileEncodeSource(os::InputFile& file) : file_(file) {}
  long long Read(void* buffer, std::size_t size) override { return file_.Read(buffer, size); }
  bool Rewind() override { return file_.Seek(0); }
  long long SizeHint() override { return file_.Size(); }

 private:
  os::InputFile& file_;
};

// One member to be made from the file system.
struct FolderMember {
  std::string source;  // the file or folder on disk
  std::string name;    // its path in the archive; a folder's ends with '\'
  bool directory = false;
};

// Appends the contents of `folder` under the archive path `prefix`, sorted
// by name, subfolders followed; an empty subfolder becomes a folder member
// so that it is kept.
void ListFolderMembers(const std::string& folder, const std::string& prefix, std::vector<FolderMember>& out);

// The header fields of a member made from `path`: its last-write time, and
// its read-only, hidden and system attributes (archive is always set).
lzh::NewMember MemberFromFile(const std::string& path, const std::string& name, bool directory);

// Adds `member` to `writer` with the data of the file `source` (a folder
// member has none). `openFailed` is set when the file could not be opened;
// the status is then ReadError.
lzh::EncodeStatus AddFromFile(lzh::ArchiveWriter& writer, const lzh::NewMember& member, const std::string& source,
                              lzh::AddedMember* added, bool& openFailed);

}  // namespace engine
