#include "engine/archive_inspect.h"

#include "engine/archive_command.h"

namespace engine {

ArchiveFileReader::ArchiveFileReader(os::InputFile& file) : ArchiveFileReader(file, file.Size(), 0, ~std::uint64_t{0}) {}

ArchiveFileReader::ArchiveFileReader(os::InputFile& file, long long fileSize, std::uint64_t start, std::uint64_t length)
    : file_(file), size_(fileSize), end_(size_ < 0 ? ~std::uint64_t{0} : static_cast<std::uint64_t>(size_)) {
  pos_ = start < end_ ? start : end_;
  if (length < end_ - pos_) end_ = pos_ + length;
}

long long ArchiveFileReader::Read(void* buffer, std::size_t size) {
  if (size > end_ - pos_) size = static_cast<std::size_t>(end_ - pos_);
  if (size == 0) return 0;
  long long n = file_.ReadAt(buffer, size, pos_);
  if (n > 0) pos_ += static_cast<std::uint64_t>(n);
  return n;
}

long long ArchiveFileReader::Skip(std::uint64_t size) {
  // An unknown size: read and discard, so the count skipped stays true.
  if (size_ < 0) return lzh::Reader::Skip(size);
  std::uint64_t n = size < end_ - pos_ ? size : end_ - pos_;
  pos_ += n;
  return static_cast<long long>(n);
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
