// Writing LZH archives: members one after another, each compressed with
// -lh5-, -lh6- or -lh7- (or stored as -lh0- when that would not shrink it),
// under a level 1 or level 2 header. Memory stays bounded by the window and
// the match finder whatever the size of a member.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lzh/header.h"
#include "lzh/input.h"

namespace lzh {

// Where the archive goes. Headers are written before their data and patched
// once the data's size and CRC are known, hence the Seek; a member that turns
// out not to shrink is written again stored, shorter, hence the Truncate.
class Output {
 public:
  virtual ~Output() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Moves the write position to `offset`, never past what was written.
  virtual bool Seek(std::uint64_t offset) = 0;
  // Cuts the output at the write position.
  virtual bool Truncate() = 0;
};

// An Output in memory (tests, fuzzing).
class MemoryOutput : public Output {
 public:
  bool Write(const void* data, std::size_t size) override;
  bool Seek(std::uint64_t offset) override;
  bool Truncate() override;
  std::string bytes;

 private:
  std::size_t pos_ = 0;
};

// The data of one member. Rewind is needed only when the compressed data
// would not be smaller and the member is written again stored.
class Source : public Reader {
 public:
  virtual bool Rewind() = 0;
  // The expected size, or -1 when unknown. Only a hint: compression stops
  // early once its output reaches it, since the member will be stored.
  virtual long long SizeHint() { return -1; }
};

// A Source over bytes in memory.
class MemorySource : public Source {
 public:
  MemorySource(const void* data, std::size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  long long Read(void* buffer, std::size_t size) override;
  bool Rewind() override {
    pos_ = 0;
    return true;
  }
  long long SizeHint() override { return static_cast<long long>(size_); }

 private:
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

struct NewMember {
  // Code page 932 path relative to the archive's root, components separated
  // by '\'. A folder's path may end in '\'.
  std::string path;
  bool directory = false;
  std::int64_t unixTime = 0;   // last change, UTC (level 2 headers)
  std::uint32_t dosTime = 0;   // the same as MS-DOS local date and time (level 1)
  std::uint32_t attributes = 0x20;  // MS-DOS attributes; 0x20 (archive) is the usual value
};

enum class EncodeStatus {
  Ok,
  ReadError,    // the Source failed, or could not rewind
  WriteError,   // the Output failed
  BadName,      // empty, too long for the header, or with an empty component
  TooLarge,     // a member of 4 GiB or more: the header's size fields are 32 bits
};
const char* EncodeStatusName(EncodeStatus s);

struct EncodeOptions {
  Method method = Method::Lh5;  // Lh5, Lh6 or Lh7
  int level = 2;                // 1 or 2
};

// Results of one member, for listings and tests.
struct AddedMember {
  std::string methodId;  // what was written: "-lh5-", "-lh0-", "-lhd-", ...
  std::uint64_t originalSize = 0;
  std::uint64_t packedSize = 0;
  std::uint16_t crc = 0;
};

class MemberEncoder;  // lzh/encode_internal.h

class ArchiveWriter {
 public:
  ArchiveWriter(Output& out, const EncodeOptions& options);
  ~ArchiveWriter();
  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;

  // Adds one member; `data` is ignored for a folder, and null stands for an
  // empty file. After a failure the archive is unusable.
  EncodeStatus Add(const NewMember& member, Source* data, AddedMember* added = nullptr);
  // Writes the end marker and cuts the output there.
  EncodeStatus Finish();

 private:
  EncodeStatus WriteHeader(const NewMember& member, const std::string& methodId, std::uint64_t packed,
                           std::uint64_t original, std::uint16_t crc);
  EncodeStatus Emit(const void* data, std::size_t size);

  Output& out_;
  EncodeOptions options_;
  std::uint64_t pos_ = 0;  // where the next member starts
  std::unique_ptr<MemberEncoder> encoder_;
};

// Header bytes of one member (exposed for tests): `packed` is the size of
// the data alone; level 1 adds its extended headers itself. Empty when the
// name does not fit.
std::string BuildHeader(const NewMember& member, int level, const std::string& methodId, std::uint64_t packed,
                        std::uint64_t original, std::uint16_t crc);

}  // namespace lzh
