#include "lzh/header.h"

#include <cstring>
#include <vector>

#include "lzh/crc16.h"
#include "text/cp932.h"

namespace lzh {
namespace {

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t U64(const unsigned char* p) {
  return static_cast<std::uint64_t>(U32(p)) | (static_cast<std::uint64_t>(U32(p + 4)) << 32);
}

// Splits a stored path into directory and file name. The separators are '\'
// and '/' standing as characters of their own (a trail byte can be 0x5C) and
// 0xFF, which is never part of a double-byte character.
void SplitStoredPath(const std::string& raw, std::string& dir, std::string& name) {
  // Each separator stays one byte, so the path is the raw one changed in place.
  std::string path = raw;
  for (std::size_t i = 0; i < path.size(); i += text::CharLength(path, i)) {
    if (path[i] == '/' || static_cast<unsigned char>(path[i]) == 0xFF) path[i] = '\\';
  }
  std::size_t cut = text::FindLastSeparator(path);
  if (cut == std::string::npos) {
    name = std::move(path);
  } else {
    dir += path.substr(0, cut + 1);
    name = path.substr(cut + 1);
  }
}

// The name field is a C string: Amiga archivers put a comment after a NUL.
std::string CutAtNul(const unsigned char* p, std::size_t n) {
  const void* nul = std::memchr(p, 0, n);
  if (nul) n = static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - p);
  return std::string(reinterpret_cast<const char*>(p), n);
}

std::int64_t FileTimeToUnix(std::uint64_t ft) {
  return static_cast<std::int64_t>(ft / 10000000u) - 11644473600LL;
}

struct ExtResult {
  bool haveName = false;
  std::string name;
  bool haveDir = false;
  std::string dir;
  bool haveSizes = false;  // ext 0x42 gave 64-bit sizes
  std::uint64_t sum = 0;   // total size of the extended headers
};

// Walks the chain of extended headers in buf[start, limit). `sizeBytes` is
// the width of the next-size field (2, or 4 at level 3), and `firstSize` the
// size of the first extended header as read from the base header.
Status ParseExtended(unsigned char* buf, std::size_t start, std::size_t limit, std::size_t sizeBytes,
                     std::uint32_t firstSize, Member& m, ExtResult& ext, long& crcFieldAt) {
  std::size_t pos = start;
  std::uint32_t size = firstSize;
  while (size != 0) {
    if (size < 1 + sizeBytes || size > limit - pos) return Status::BadHeader;
    unsigned char* e = buf + pos;
    std::size_t dataLen = size - 1 - sizeBytes;
    const unsigned char* d = e + 1;
    switch (e[0]) {
      case 0x00:
        if (dataLen >= 2 && crcFieldAt < 0) crcFieldAt = static_cast<long>(pos + 1);
        break;
      case 0x01:
        ext.haveName = true;
        ext.name = CutAtNul(d, dataLen);
        break;
      case 0x02:
        ext.haveDir = true;
        ext.dir = CutAtNul(d, dataLen);
        break;
      case 0x40:
        if (dataLen >= 2) m.attributes = U16(d);
        break;
      case 0x41:
        if (dataLen >= 16) {
          m.unixTime = FileTimeToUnix(U64(d + 8));
          m.hasUnixTime = true;
        }
        break;
      case 0x42:
        if (dataLen >= 16) {
          m.packedSize = U64(d);
          m.originalSize = U64(d + 8);
          ext.haveSizes = true;
        }
        break;
      case 0x54:
        if (dataLen >= 4) {
          m.unixTime = U32(d);
          m.hasUnixTime = true;
        }
        break;
      default:
        break;  // other extended headers carry nothing an extraction needs
    }
    ext.sum += size;
    pos += size;
    size = sizeBytes == 2 ? U16(buf + pos - 2) : U32(buf + pos - 4);
  }
  return Status::Ok;
}

bool LooksLikeMethod(const unsigned char* p) { return p[0] == '-' && p[4] == '-'; }

void FillBase(const unsigned char* h, Member& m) {
  m.methodId.assign(reinterpret_cast<const char*>(h + 2), 5);
  m.method = MethodFromId(m.methodId);
  m.packedSize = U32(h + 7);
  m.originalSize = U32(h + 11);
  m.level = h[20];
}

void ApplyNames(Member& m, const std::string& baseName, const ExtResult& ext) {
  m.directory.clear();
  if (ext.haveDir && !ext.dir.empty()) {
    std::string dirName;
    SplitStoredPath(ext.dir, m.directory, dirName);
    if (!dirName.empty()) m.directory += dirName + "\\";
  }
  SplitStoredPath(ext.haveName ? ext.name : baseName, m.directory, m.name);
}

}  // namespace

Method MethodFromId(const std::string& id) {
  static const struct {
    const char* id;
    Method method;
  } kMethods[] = {
      {"-lh0-", Method::Stored}, {"-lz4-", Method::Stored}, {"-lh1-", Method::Lh1},
      {"-lh4-", Method::Lh4},    {"-lh5-", Method::Lh5},    {"-lh6-", Method::Lh6},
      {"-lh7-", Method::Lh7},    {"-lzs-", Method::Lzs},    {"-lz5-", Method::Lz5},
      {"-lhd-", Method::Directory},
  };
  for (const auto& k : kMethods) {
    if (id == k.id) return k.method;
  }
  return Method::Unknown;
}

Status ReadHeader(Input& in, Member& out) {
  Member m;
  m.headerOffset = in.Position();
  unsigned char first;
  if (!in.PeekByte(first)) return in.Failed() ? Status::ReadError : Status::End;
  if (first == 0) return Status::End;

  // Enough for the fixed part of every level: 22 bytes, 26 at level 2 and 32 at level 3.
  std::vector<unsigned char> h(32);
  std::size_t got = in.Read(h.data(), 22);
  if (got < 22) return in.Failed() ? Status::ReadError : Status::Truncated;
  if (!LooksLikeMethod(h.data() + 2)) return Status::BadHeader;
  FillBase(h.data(), m);

  auto readMore = [&](std::size_t total) -> Status {
    std::size_t old = got;
    if (total <= old) return Status::Ok;
    if (h.size() < total) h.resize(total);
    std::size_t n = in.Read(h.data() + old, total - old);
    got = old + n;
    if (n < total - old) return in.Failed() ? Status::ReadError : Status::Truncated;
    return Status::Ok;
  };

  ExtResult ext;
  // Levels 2 and 3 share their layout after the size word: CRC, OS id, Unix
  // time, then extended headers whose sizes are `sizeBytes` wide; the header
  // CRC, when one is present, covers the header with its own field zeroed.
  auto parseWordHeader = [&](std::size_t fixed, std::size_t total, std::size_t sizeBytes,
                             std::uint32_t firstExt) -> Status {
    m.crc = U16(h.data() + 21);
    m.osId = h[23];
    m.unixTime = U32(h.data() + 15);
    m.hasUnixTime = true;
    long crcAt = -1;
    Status r = ParseExtended(h.data(), fixed, total, sizeBytes, firstExt, m, ext, crcAt);
    if (r != Status::Ok) return r;
    if (crcAt >= 0) {
      std::uint16_t stored = U16(h.data() + crcAt);
      h[crcAt] = h[crcAt + 1] = 0;
      if (Crc16(h.data(), total) != stored) return Status::HeaderChecksum;
    }
    m.headerSize = static_cast<std::uint32_t>(total);
    return Status::Ok;
  };
  std::string baseName;
  Status st;
  switch (m.level) {
    case 0:
    case 1: {
      std::size_t total = static_cast<std::size_t>(h[0]) + 2;
      std::size_t nameLen = h[21];
      // Level 0 needs the name; level 1 also its CRC, OS id and next size.
      std::size_t minimum = 22 + nameLen + (m.level == 1 ? 5 : 0);
      if (total < minimum) return Status::BadHeader;
      if ((st = readMore(total)) != Status::Ok) return st;
      unsigned sum = 0;
      for (std::size_t i = 2; i < total; ++i) sum += h[i];
      if ((sum & 0xFF) != h[1]) return Status::HeaderChecksum;
      m.attributes = h[19];
      m.dosTime = U32(h.data() + 15);
      baseName = CutAtNul(h.data() + 22, nameLen);
      std::size_t p = 22 + nameLen;
      if (m.level == 0) {
        if (total >= p + 2) {
          m.crc = U16(h.data() + p);
        } else {
          m.hasCrc = false;
        }
        // A Unix extended area: 'U', 0, mtime, mode, uid, gid.
        if (total >= p + 2 + 12 && h[p + 2] == 'U') {
          m.unixTime = U32(h.data() + p + 4);
          m.hasUnixTime = true;
        }
        m.headerSize = static_cast<std::uint32_t>(total);
        break;
      }
      m.crc = U16(h.data() + p);
      m.osId = h[p + 2];
      std::uint32_t next = U16(h.data() + p + 3);
      // The extended headers follow the base header and count in the packed size.
      std::size_t extStart = total;
      std::uint32_t size = next;
      while (size != 0) {
        if (size < 3 || total + size > kMaxHeaderSize) return Status::BadHeader;
        if ((st = readMore(total + size)) != Status::Ok) return st;
        total += size;
        size = U16(h.data() + total - 2);
      }
      long crcAt = -1;
      if ((st = ParseExtended(h.data(), extStart, total, 2, next, m, ext, crcAt)) != Status::Ok) return st;
      // An ext 0x00 at level 1 covers the base and extended headers together.
      if (crcAt >= 0) {
        std::uint16_t stored = U16(h.data() + crcAt);
        h[crcAt] = h[crcAt + 1] = 0;
        if (Crc16(h.data(), total) != stored) return Status::HeaderChecksum;
      }
      // At level 1 the packed size counts the extended headers too, unless an
      // ext 0x42 replaced it with the size of the data alone.
      if (!ext.haveSizes) {
        if (m.packedSize < ext.sum) return Status::BadHeader;
        m.packedSize -= ext.sum;
      }
      m.headerSize = static_cast<std::uint32_t>(total);
      break;
    }
    case 2: {
      std::size_t total = U16(h.data());
      if (total < 26) return Status::BadHeader;
      if ((st = readMore(total)) != Status::Ok) return st;
      if ((st = parseWordHeader(26, total, 2, U16(h.data() + 24))) != Status::Ok) return st;
      break;
    }
    case 3: {
      if ((st = readMore(32)) != Status::Ok) return st;
      if (U16(h.data()) != 4) return Status::BadHeader;
      std::uint32_t total = U32(h.data() + 24);
      if (total < 32 || total > kMaxHeaderSize) return Status::BadHeader;
      if ((st = readMore(total)) != Status::Ok) return st;
      if ((st = parseWordHeader(32, total, 4, U32(h.data() + 28))) != Status::Ok) return st;
      break;
    }
    default:
      return Status::BadHeader;
  }
  ApplyNames(m, baseName, ext);
  out = std::move(m);
  return Status::Ok;
}

}  // namespace lzh
