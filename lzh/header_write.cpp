// Member headers as the encoder writes them: level 2 (sizes and Unix time in
// the base header, names in extended headers, a header CRC) or level 1 (MS-DOS
// time, the file name in the base header, the folder in an extended header).
// Folders are stored as components each followed by 0xFF, the separator both
// levels use in the folder extended header; 0xFF is never part of a code
// page 932 character, unlike '\', which can be a trail byte.
#include <vector>

#include "lzh/crc16.h"
#include "lzh/encoder.h"
#include "text/cp932.h"

namespace lzh {
namespace {

constexpr char kOsId = 'M';  // MS-DOS family: names in the local code page
// A level 1 base header's size is one byte: 27 fixed bytes plus the name.
constexpr std::size_t kMaxLevel1BaseName = 255 + 2 - 27;

void Put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
void Set16(std::string& s, std::size_t at, unsigned v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// Splits a '\'- or '/'-separated path into its components, stepping over
// double-byte characters. False for an empty component other than a final
// one, for "." and "..", and for bytes a stored name cannot hold (NUL, 0xFF).
bool SplitComponents(const std::string& path, std::vector<std::string>& parts) {
  parts.assign(1, std::string());
  for (std::size_t i = 0; i < path.size();) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c == 0 || c == 0xFF) return false;
    std::size_t n = text::CharLength(path, i);
    if (n == 1 && (c == '\\' || c == '/')) {
      if (parts.back().empty()) return false;
      parts.emplace_back();
    } else {
      parts.back().append(path, i, n);
    }
    i += n;
  }
  if (parts.back().empty()) parts.pop_back();
  for (const std::string& p : parts) {
    if (p == "." || p == "..") return false;
  }
  return !parts.empty();
}

// One extended header: type, data, and (filled in later) the next one's size.
void AddExt(std::string& area, unsigned char type, const std::string& data) {
  area += static_cast<char>(type);
  area += data;
  Put16(area, 0);
}

// Links the sizes: each extended header ends with the size of the next.
// `exts` holds the headers one after another; `sizes` their lengths.
void LinkExts(std::string& area, const std::vector<std::size_t>& sizes) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    at += sizes[i];
    Set16(area, at - 2, i + 1 < sizes.size() ? static_cast<unsigned>(sizes[i + 1]) : 0);
  }
}

}  // namespace

std::string BuildHeader(const NewMember& member, int level, const std::string& methodId, std::uint64_t packed,
                        std::uint64_t original, std::uint16_t crc) {
  std::vector<std::string> parts;
  if (!SplitComponents(member.path, parts)) return std::string();
  if (methodId.size() != 5 || packed > 0xFFFFFFFFu || original > 0xFFFFFFFFu) return std::string();
  std::string name = member.directory ? std::string() : parts.back();
  std::string folder;
  std::size_t folderParts = member.directory ? parts.size() : parts.size() - 1;
  for (std::size_t i = 0; i < folderParts; ++i) folder += parts[i] + '\xFF';
  unsigned attributes = member.attributes & 0xFFFF;
  if (member.directory) attributes |= 0x10;
  if (attributes == 0) attributes = 0x20;

  std::string area;
  std::vector<std::size_t> sizes;
  auto ext = [&](unsigned char type, const std::string& data) {
    AddExt(area, type, data);
    sizes.push_back(data.size() + 3);
  };
  // The folder and the attributes (when not the usual 0x20) go into extended
  // headers at both levels.
  auto folderAndAttributes = [&]() {
    if (!folder.empty()) ext(0x02, folder);
    if (attributes != 0x20) {
      std::string a;
      Put16(a, attributes);
      ext(0x40, a);
    }
  };

  std::string h;
  if (level == 2) {
    ext(0x00, std::string(2, '\0'));  // header CRC, filled in last
    if (!member.directory) ext(0x01, name);
    folderAndAttributes();
    LinkExts(area, sizes);
    std::size_t total = 26 + area.size();
    // A size whose low byte is 0 would read as the end marker.
    bool pad = (total & 0xFF) == 0;
    if (pad) ++total;
    if (total > 0xFFFF) return std::string();
    Put16(h, static_cast<unsigned>(total));
    h += methodId;
    Put32(h, static_cast<std::uint32_t>(packed));
    Put32(h, static_cast<std::uint32_t>(original));
    Put32(h, static_cast<std::uint32_t>(member.unixTime));
    h += '\x20';
    h += '\x02';
    Put16(h, crc);
    h += kOsId;
    Put16(h, static_cast<unsigned>(sizes[0]));
    h += area;
    if (pad) h += '\0';
    std::uint16_t headerCrc = Crc16(reinterpret_cast<const unsigned char*>(h.data()), h.size());
    Set16(h, 26 + 1, headerCrc);
    return h;
  }
  if (level != 1) return std::string();
  std::string baseName = name;
  if (baseName.size() > kMaxLevel1BaseName) {
    ext(0x01, name);
    baseName.clear();
  }
  folderAndAttributes();
  LinkExts(area, sizes);
  if (packed + area.size() > 0xFFFFFFFFu) return std::string();
  std::string base;
  base += methodId;
  Put32(base, static_cast<std::uint32_t>(packed + area.size()));
  Put32(base, static_cast<std::uint32_t>(original));
  Put32(base, member.dosTime);
  base += '\x20';
  base += '\x01';
  base += static_cast<char>(baseName.size());
  base += baseName;
  Put16(base, crc);
  base += kOsId;
  Put16(base, sizes.empty() ? 0u : static_cast<unsigned>(sizes[0]));
  unsigned sum = 0;
  for (unsigned char c : base) sum += c;
  h += static_cast<char>(base.size());
  h += static_cast<char>(sum & 0xFF);
  h += base;
  return h + area;
}

}  // namespace lzh
