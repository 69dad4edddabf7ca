#include "engine/archive_inspect.h"

#include "engine/archive_command.h"

namespace engine {

ArchiveFileReader::ArchiveFileReader(os::InputFile& file) : file_(file), size_(file.Size()) {}

long long ArchiveFileReader::Read(void* buffer, std::size_t size) {
  long long n = file_.Read(buffer, size);
  if (n > 0) pos_ += static_cast<std::uint64_t>(n);
  return n;
}

long long ArchiveFileReader::Skip(std::uint64_t size) {
  if (size_ < 0) return lzh::Reader::Skip(size);
  std::uint64_t end = static_cast<std::uint64_t>(size_);
  std::uint64_t target = pos_ + size < end && pos_ + size >= pos_ ? pos_ + size : end;
  if (target < pos_) target = pos_;
  if (!file_.Seek(target)) return -1;
  long long skipped = static_cast<long long>(target - pos_);
  pos_ = target;
  return skipped;
}

MemberVerdict JudgeMember(const lzh::Member& m) {
  // Directory entries create nothing. Some archivers write a directory as
  // a stored member with no file name and no data ("dir\" at level 0,
  // Amiga LHA): that names no file either, so it is passed over too.
  if (m.IsDirectory()) return MemberVerdict::Directory;
  if (m.name.empty() && m.originalSize == 0) return MemberVerdict::PassedOver;
  if (m.method == lzh::Method::Unknown) return MemberVerdict::UnknownMethod;
  if (!IsAcceptableFileName(m.name)) return MemberVerdict::BadName;
  return MemberVerdict::File;
}

const char* VerdictName(MemberVerdict v) {
  switch (v) {
    case MemberVerdict::File:
      return "file";
    case MemberVerdict::Directory:
      return "directory";
    case MemberVerdict::PassedOver:
      return "passed-over";
    case MemberVerdict::UnknownMethod:
      return "unknown-method";
    case MemberVerdict::BadName:
      return "bad-name";
  }
  return "?";
}

}  // namespace engine
