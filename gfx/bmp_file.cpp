// Reading a picture from a file of the medium through the os layer.
#include "gfx/bmp_read.h"
#include "os/os.h"

namespace gfx {
namespace {

class FileSource : public ByteSource {
 public:
  explicit FileSource(os::InputFile& file) : file_(file) {}
  long long Read(void* buffer, std::size_t size) override { return file_.Read(buffer, size); }
  bool Seek(std::uint64_t offset) override { return file_.Seek(offset); }
  long long Size() override { return file_.Size(); }

 private:
  os::InputFile& file_;
};

}  // namespace

int ReadBitmapFile(const std::string& path, std::vector<std::uint8_t>& block,
                   std::uint16_t& bitsOffset, BitmapFault* fault) {
  os::InputFile file;
  if (!file.Open(path)) {
    if (fault) *fault = BitmapFault::Unreadable;
    return 0;
  }
  FileSource source(file);
  return ReadBitmap(source, block, bitsOffset, fault);
}

}  // namespace gfx
