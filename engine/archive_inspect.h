// What the extraction makes of an archive, member by member: the one reading
// of an archive file and the one judgement of each member's header, shared
// by every walk over an archive (the extraction component, the medium check,
// brelix-cli's list and test), so that they cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>

#include "lzh/decoder.h"
#include "os/os.h"

namespace engine {

// An open archive file as the decoder's input; skipping moves a position of
// its own instead of reading. Reads go by position and leave the file's own
// position alone, so several readers over one file may work at once, each
// on its own thread: one walks the headers while others decode members.
class ArchiveFileReader : public lzh::Reader {
 public:
  explicit ArchiveFileReader(os::InputFile& file);
  // The `length` bytes from `start` on (fewer where the file ends first),
  // for a file of `fileSize` bytes (-1: unknown) as Size() gave it.
  ArchiveFileReader(os::InputFile& file, long long fileSize, std::uint64_t start, std::uint64_t length);
  long long Read(void* buffer, std::size_t size) override;
  long long Skip(std::uint64_t size) override;
  // The file's size, or -1 when unknown.
  long long Size() const { return size_; }

 private:
  os::InputFile& file_;
  long long size_;
  std::uint64_t pos_ = 0;
  std::uint64_t end_;  // where this reader's bytes end
};

// What the extraction does with a member, judged from its header alone.
// Data faults (CRC, truncation) show only when the member is decoded.
enum class MemberVerdict {
  File,           // decoded and written into the destination as its file name
  Directory,      // a directory entry: creates nothing
  PassedOver,     // no file name and no data: names no file, creates nothing
  UnknownMethod,  // refused: packed with a method the decoder does not know
  BadName,        // refused: a file name Windows cannot create
};

// The verdict, asked in the extraction's order: directory, nameless and
// empty, method, file name.
MemberVerdict JudgeMember(const lzh::Member& m);

// True for a verdict that fails the whole archive.
inline bool IsRefused(MemberVerdict v) { return v == MemberVerdict::UnknownMethod || v == MemberVerdict::BadName; }

// Short English name ("file", "bad-name", ...), for brelix-cli and tests.
const char* VerdictName(MemberVerdict v);

}  // namespace engine
