// File operations of the archive component beyond os/os.h: a destination
// folder opened once, in which files are created, renamed and removed by
// name. On Linux this resolves the folder's path (and its case) once instead
// of once per operation, which matters for archives of thousands of members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace os {

// Removes an empty folder (RemoveDirectoryA / rmdir).
bool RemoveEmptyFolder(const std::string& path);

// Output to one new file of an ExtractFolder; closed (without flushing) by
// the destructor.
class FolderFile {
 public:
  FolderFile();
  ~FolderFile();
  FolderFile(const FolderFile&) = delete;
  FolderFile& operator=(const FolderFile&) = delete;

  bool Write(const void* data, std::size_t size);
  // Puts the data on the disk (FlushFileBuffers on Windows; on Linux the
  // folder's SyncData does it for all files at once).
  bool Flush();
  // Last-write time from Unix time (UTC) or from an MS-DOS local date/time,
  // set through the open file once everything is written.
  bool SetTimeUnix(std::int64_t unixTime);
  bool SetTimeDos(std::uint32_t dosDateTime);
  bool Close();

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class ExtractFolder {
 public:
  ExtractFolder();
  ~ExtractFolder();
  ExtractFolder(const ExtractFolder&) = delete;
  ExtractFolder& operator=(const ExtractFolder&) = delete;

  // `folder` must exist; with or without a final separator.
  bool Open(const std::string& folder);
  // The folder with a final separator, for messages.
  const std::string& Path() const { return path_; }

  // Names in the folder, code page 932 (files and folders; no "." or "..").
  std::vector<std::string> List();
  // Creates a new file; false when `name` exists already.
  bool CreateNew(const std::string& name, FolderFile& file);
  // Moves `from` over `to` (replacing it, read-only or not). On Linux a file
  // made by CreateNew that takes the name of a file it replaces (renamed
  // over it, or after it was renamed away) gets that file's permissions
  // with the owner's write bit; other new files keep those umask gave them.
  bool Rename(const std::string& from, const std::string& to);
  bool Remove(const std::string& name);  // also a read-only file
  bool Exists(const std::string& name);
  bool IsDirectory(const std::string& name);
  bool IsReadOnly(const std::string& name);
  // Puts every file written so far on the disk (Linux: once, for all).
  bool SyncData();
  // Makes the renames durable (Linux: fsync of the folder).
  bool SyncNames();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::string path_;
};

}  // namespace os
