#include "engine/run_report.h"

#include "lzh/decoder.h"
#include "os/os.h"

namespace engine {

namespace {

// Skips the members' data by seeking, so only the headers are read.
class FileInput : public lzh::Reader {
 public:
  explicit FileInput(os::InputFile& file) : file_(file), size_(file.Size()) {}
  long long Read(void* buffer, std::size_t size) override {
    long long n = file_.Read(buffer, size);
    if (n > 0) pos_ += static_cast<std::uint64_t>(n);
    return n;
  }
  long long Skip(std::uint64_t size) override {
    if (size_ < 0) return lzh::Reader::Skip(size);
    std::uint64_t left = static_cast<std::uint64_t>(size_) - pos_;
    std::uint64_t step = size < left ? size : left;
    if (!file_.Seek(pos_ + step)) return -1;
    pos_ += step;
    return static_cast<long long>(step);
  }

 private:
  os::InputFile& file_;
  long long size_;
  std::uint64_t pos_ = 0;
};

}  // namespace

int CountArchiveFiles(const std::string& path) {
  os::InputFile file;
  if (!file.Open(path)) return -1;
  FileInput input(file);
  lzh::ArchiveReader archive(input);
  int files = 0;
  for (;;) {
    lzh::Member m;
    lzh::Status s = archive.Next(m);
    if (s == lzh::Status::End) return files;
    if (s != lzh::Status::Ok) return -1;
    if (!m.IsDirectory() && !(m.name.empty() && m.originalSize == 0)) ++files;
  }
}

long long FileBytes(const std::string& path) {
  os::InputFile file;
  if (!file.Open(path)) return -1;
  return file.Size();
}

}  // namespace engine
