#include "os/targets_io.h"

#include "os/os.h"

namespace os {

// Windows looks names up without regard to case itself, so the folder scan
// this class avoids on Linux never happens here: the folder and the name are
// joined and handed to OutputFile.
struct NamedOutputFile::Impl {
  OutputFile file;
};

NamedOutputFile::NamedOutputFile() = default;
NamedOutputFile::~NamedOutputFile() = default;

bool NamedOutputFile::Create(const std::string& folder, const std::string& name) {
  impl_ = std::make_unique<Impl>();
  if (impl_->file.Create(folder + name)) return true;
  impl_.reset();
  return false;
}

bool NamedOutputFile::Write(const void* data, std::size_t size) { return impl_ && impl_->file.Write(data, size); }

bool NamedOutputFile::Flush() { return impl_ && impl_->file.Flush(); }

bool NamedOutputFile::Close() {
  if (!impl_) return true;
  bool ok = impl_->file.Close();
  impl_.reset();
  return ok;
}

}  // namespace os
