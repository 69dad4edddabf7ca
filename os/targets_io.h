// File output for rewriting many files of one large folder. OutputFile finds
// an existing file whatever the letter case of its name, which on Linux costs
// a scan of the folder for every new file; a conversion that creates one
// temporary file per master file would scan its folder once per file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace os {

// Binary output to a new or truncated file called exactly `name` in the
// existing `folder` (ending with a separator). The caller has listed the
// folder and passes the name in the letter case it is stored in, or the name
// it wants created; no folder scan is made. Otherwise as OutputFile: a
// read-only file is not truncated, the destructor closes without flushing,
// and fault injection counts and fails Create, Write, Flush and Close.
class NamedOutputFile {
 public:
  NamedOutputFile();
  ~NamedOutputFile();
  NamedOutputFile(const NamedOutputFile&) = delete;
  NamedOutputFile& operator=(const NamedOutputFile&) = delete;

  bool Create(const std::string& folder, const std::string& name);
  bool Write(const void* data, std::size_t size);
  bool Write(const std::string& data) { return Write(data.data(), data.size()); }
  // FlushFileBuffers / fsync.
  bool Flush();
  bool Close();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace os
