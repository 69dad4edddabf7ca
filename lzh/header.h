// Member headers of levels 0 to 3 and their extended headers.
#pragma once

#include <cstdint>
#include <string>

#include "lzh/input.h"
#include "lzh/status.h"

namespace lzh {

enum class Method { Stored, Lh1, Lh4, Lh5, Lh6, Lh7, Lzs, Lz5, Directory, Unknown };

// Method from the five bytes of the header ("-lh5-"); Unknown for any other.
Method MethodFromId(const std::string& id);

struct Member {
  std::string methodId;  // the five bytes as stored, e.g. "-lh5-"
  Method method = Method::Unknown;
  std::uint64_t packedSize = 0;
  std::uint64_t originalSize = 0;
  std::uint16_t crc = 0;
  bool hasCrc = true;  // a level 0 header may end before its CRC field
  int level = 0;
  unsigned char osId = 0;
  std::uint32_t attributes = 0;  // MS-DOS attributes (byte 19 or ext 0x40)
  // Time of last change: level 0/1 headers store MS-DOS local time, levels
  // 2/3 store Unix time; extended headers 0x54 and 0x41 give Unix time.
  bool hasUnixTime = false;
  std::int64_t unixTime = 0;
  std::uint32_t dosTime = 0;
  // Code page 932 bytes as stored. `name` is the file name without any
  // directory part; `directory` holds the directory parts joined by '\'
  // and ending in '\' (empty when there is none).
  std::string name;
  std::string directory;
  std::uint64_t headerOffset = 0;  // position of the header in the input
  std::uint32_t headerSize = 0;

  bool IsDirectory() const { return method == Method::Directory; }
  std::string Path() const { return directory + name; }
};

// Upper bound on the size of one header; real headers stay far below it.
constexpr std::uint32_t kMaxHeaderSize = 64 * 1024;

// Reads the header at the current position of `in`. Ok with `m` filled,
// End at the end marker or at the end of the input, otherwise a failure.
Status ReadHeader(Input& in, Member& m);

}  // namespace lzh
