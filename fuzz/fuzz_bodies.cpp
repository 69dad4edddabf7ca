#include "fuzz/fuzz_bodies.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/installed_location.h"
#include "engine/update_session.h"
#include "gfx/bmp_read.h"
#include "lzh/decoder.h"
#include "lzh/encoder.h"
#include "os/os.h"
#include "os/profile_text.h"
#include "targets/master_conversion.h"
#include "text/cp932.h"

namespace fuzz {
namespace {

// A broken invariant: print it and abort, so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                      \
  do {                                                                        \
    if (!(cond)) {                                                            \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                           \
    }                                                                         \
  } while (0)

// ---- LZH -------------------------------------------------------------------

// Counts decoded bytes; refuses after a limit, because a few bytes of a
// static-Huffman stream can legally stand for gigabytes of output.
class CountingSink : public lzh::Sink {
 public:
  static constexpr std::uint64_t kLimit = 32u << 20;
  bool Write(const unsigned char* data, std::size_t size) override {
    FUZZ_CHECK(data != nullptr || size == 0);
    if (size > 0) checksum_ += data[0] + data[size - 1];
    total += size;
    return total <= kLimit;
  }
  std::uint64_t total = 0;

 private:
  unsigned checksum_ = 0;
};

// Hands out the data in pieces of varying size, as a file read can.
class PieceSource : public lzh::Source {
 public:
  PieceSource(const std::uint8_t* data, std::size_t size, unsigned pieces)
      : data_(data), size_(size), pieces_(pieces) {}
  long long Read(void* buffer, std::size_t size) override {
    std::size_t n = std::min(size, size_ - pos_);
    if (pieces_) n = std::min<std::size_t>(n, 1 + (pos_ * 7 + pieces_) % (pieces_ * 64));
    if (n) std::memcpy(buffer, data_ + pos_, n);
    pos_ += n;
    return static_cast<long long>(n);
  }
  bool Rewind() override {
    pos_ = 0;
    return true;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  unsigned pieces_;
  std::size_t pos_ = 0;
};

class StringSink : public lzh::Sink {
 public:
  bool Write(const unsigned char* data, std::size_t size) override {
    out.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string out;
};

// ---- Profile strings ---------------------------------------------------------

// Splits the input at NUL bytes into at most `count` parts.
std::vector<std::string> SplitParts(const std::uint8_t* data, std::size_t size, std::size_t count) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < count) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  parts.resize(count);
  return parts;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A section or key name (or value, `name` false) that a settings file can
// carry on one line and give back unchanged.
bool Plain(const std::string& s, bool name) {
  if (!text::IsValidCp932(s)) return false;
  if (name && s.empty()) return false;
  if (!s.empty() && (IsBlank(s.front()) || IsBlank(s.back()))) return false;
  if (!name && !s.empty() && (s.front() == '"' || s.front() == '\'')) return false;
  for (std::size_t i = 0; i < s.size(); i += text::CharLength(s, i)) {
    if (text::CharLength(s, i) == 2) continue;
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c == 0x7F) return false;
    if (name && (c == '=' || c == '[' || c == ']')) return false;
  }
  return true;
}

// ---- Master lines ------------------------------------------------------------

// The records of a text-mode read: LF or CR LF ends a line, a last line
// without its end is a line.
std::vector<std::string> Records(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    std::size_t nl = content.find('\n', pos);
    std::size_t end = nl == std::string::npos ? content.size() : nl;
    std::string line = content.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    pos = nl == std::string::npos ? content.size() : nl + 1;
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

bool IsSizeRecord(const std::string& l) {
  return l.size() >= 12 && l.compare(0, 6, "400400") == 0 &&
         (l.compare(6, 6, "000107") == 0 || l.compare(6, 6, "000111") == 0);
}

}  // namespace

void LzhArchive(const std::uint8_t* data, std::size_t size) {
  lzh::MemoryReader reader(data, size);
  lzh::ArchiveReader archive(reader);
  std::uint64_t last = 0;
  for (int n = 0;; ++n) {
    lzh::Member m;
    lzh::Status s = archive.Next(m);
    FUZZ_CHECK(archive.Position() >= last && archive.Position() <= size);
    last = archive.Position();
    if (s != lzh::Status::Ok) break;
    FUZZ_CHECK(n < static_cast<int>(size));  // every member consumes bytes
    // Every other member is skipped, so both paths over packed data run.
    if ((n & 1) && size > 0 && (data[0] & 1)) continue;
    CountingSink sink;
    lzh::Status d = archive.Decode(&sink);
    // A directory entry has no data, whatever size its header states.
    if (d == lzh::Status::Ok && !m.IsDirectory()) FUZZ_CHECK(sink.total == m.originalSize);
    FUZZ_CHECK(archive.Position() >= last && archive.Position() <= size);
    last = archive.Position();
    if (d != lzh::Status::Ok) break;
  }
}

void LzhRoundTrip(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  static const lzh::Method kMethods[] = {lzh::Method::Lh5, lzh::Method::Lh6, lzh::Method::Lh7};
  lzh::EncodeOptions options;
  options.method = kMethods[data[0] % 3];
  options.level = (data[0] & 4) ? 1 : 2;
  const unsigned pieces = data[1] & 7;
  // The rest is cut into up to four members at bytes taken from the input.
  const std::uint8_t* body = data + 2;
  std::size_t left = size - 2;
  std::vector<std::pair<const std::uint8_t*, std::size_t>> members;
  for (int i = 0; i < 3 && left > 0; ++i) {
    std::size_t cut = std::min<std::size_t>(left, (std::size_t{body[0]} << 4) + (data[0] >> 3));
    members.emplace_back(body, cut);
    body += cut;
    left -= cut;
  }
  members.emplace_back(body, left);

  lzh::MemoryOutput out;
  lzh::ArchiveWriter writer(out, options);
  for (std::size_t i = 0; i < members.size(); ++i) {
    PieceSource source(members[i].first, members[i].second, pieces);
    lzh::NewMember m;
    m.path = "d\\x" + std::to_string(i);
    m.unixTime = 1000000000 + static_cast<std::int64_t>(i);
    lzh::AddedMember added;
    FUZZ_CHECK(writer.Add(m, &source, &added) == lzh::EncodeStatus::Ok);
    FUZZ_CHECK(added.originalSize == members[i].second);
    FUZZ_CHECK(added.packedSize <= members[i].second);
  }
  FUZZ_CHECK(writer.Finish() == lzh::EncodeStatus::Ok);

  lzh::MemoryReader reader(out.bytes.data(), out.bytes.size());
  lzh::ArchiveReader archive(reader);
  for (std::size_t i = 0; i < members.size(); ++i) {
    lzh::Member m;
    FUZZ_CHECK(archive.Next(m) == lzh::Status::Ok);
    FUZZ_CHECK(m.Path() == "d\\x" + std::to_string(i));
    FUZZ_CHECK(m.level == options.level);
    StringSink sink;
    FUZZ_CHECK(archive.Decode(&sink) == lzh::Status::Ok);
    FUZZ_CHECK(sink.out.size() == members[i].second);
    FUZZ_CHECK(members[i].second == 0 || std::memcmp(sink.out.data(), members[i].first, members[i].second) == 0);
  }
  lzh::Member end;
  FUZZ_CHECK(archive.Next(end) == lzh::Status::End);
  // Only the end marker follows the last member.
  FUZZ_CHECK(archive.Position() + 1 == out.bytes.size() && out.bytes.back() == 0);
}

void Descriptor(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brelix-fuzz-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    FUZZ_CHECK(::mkdtemp(buf.data()) != nullptr);
    static std::string made(buf.data());
    // The folder goes with the process (the replay test runs in many).
    std::atexit([] {
      ::unlink((made + "/info.txt").c_str());
      ::rmdir(made.c_str());
    });
    return made + "/";
  }();
  {
    os::OutputFile f;
    FUZZ_CHECK(f.Create(folder + "info.txt"));
    FUZZ_CHECK(f.Write(data, size));
    FUZZ_CHECK(f.Close());
  }
  UpdateSession s;
  FUZZ_CHECK(LoadDescriptor(s, folder) == 1);
  FUZZ_CHECK(s.m_recordCount >= 0 && s.m_recordCount <= kMaxRecords);
  for (int k = 0; k < s.m_recordCount; ++k) {
    FUZZ_CHECK(s.m_archiveNames[k].size() <= kRecordFieldMaxBytes);
    FUZZ_CHECK(s.m_subFolders[k].size() <= kRecordFieldMaxBytes);
    if (s.m_recordFault == RecordFault::None) {
      FUZZ_CHECK(!s.m_archiveNames[k].empty() && !s.m_subFolders[k].empty());
      FUZZ_CHECK(text::FindChar(s.m_subFolders[k], ',') == std::string::npos);
    }
  }
  FUZZ_CHECK((s.m_recordFault == RecordFault::None) == (s.m_faultyLine == 0));
  if (s.m_recordFault != RecordFault::None) FUZZ_CHECK(s.m_faultyLine > 42);
}

void Profile(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const std::size_t bufferSize = data[0];
  std::vector<std::string> p = SplitParts(data + 1, size - 1, 6);
  const std::string& content = p[0];
  const std::string& section = p[1];
  const std::string& key = p[2];
  const std::string& value = p[3];
  const std::string& otherKey = p[4];
  const std::string& otherSection = p[5].empty() ? section : p[5];

  std::string read = os::ProfileRead(content, section, key, value, bufferSize);
  FUZZ_CHECK(bufferSize == 0 ? read.empty() : read.size() < bufferSize);
  FUZZ_CHECK(read.size() <= content.size() + value.size());

  std::string written = os::ProfileWrite(content, section, key, value);
  // A plain key written is read back; quotes and blanks around a value and
  // names with brackets or '=' are outside what a settings line can hold.
  if (Plain(section, true) && Plain(key, true) && Plain(value, false)) {
    FUZZ_CHECK(os::ProfileRead(written, section, key, "<none>", 65536) == value);
    // Any other key keeps its value.
    if (Plain(otherSection, true) && Plain(otherKey, true) &&
        !(text::EqualsNoCaseAscii(section, otherSection) && text::EqualsNoCaseAscii(key, otherKey))) {
      FUZZ_CHECK(os::ProfileRead(written, otherSection, otherKey, "<none>", 65536) ==
                 os::ProfileRead(content, otherSection, otherKey, "<none>", 65536));
    }
    // Writing the same value again changes nothing.
    FUZZ_CHECK(os::ProfileWrite(written, section, key, value) == written);
  }
}

void Bitmap(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> file(data, data + size);
  // Short reads of varied sizes, as a slow medium might deliver them.
  std::size_t maxRead = size > 0 && (data[size - 1] & 1) ? 1 + data[size - 1] : SIZE_MAX;
  gfx::MemorySource source(file, maxRead);
  std::vector<std::uint8_t> block(gfx::kInitialBlockSize);
  std::uint16_t bitsOffset = 0;
  if (gfx::ReadBitmap(source, block, bitsOffset) != 1) return;
  FUZZ_CHECK(block.size() >= gfx::kInfoHeaderSize);
  const std::uint8_t* hdr = block.data();
  const std::uint32_t imageSize = gfx::GetU32(hdr + gfx::kHdrSizeImage);
  FUZZ_CHECK(static_cast<std::uint64_t>(bitsOffset) + imageSize == block.size());
  // What the drawing call reads for an uncompressed picture lies inside the block.
  const std::uint32_t compression = gfx::GetU32(hdr + gfx::kHdrCompression);
  if (compression == gfx::kBiRgb || compression == gfx::kBiBitfields) {
    const std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(gfx::SourceWidth(block)) * gfx::GetU16(hdr + gfx::kHdrBitCount) + 31) / 32 * 4;
    FUZZ_CHECK(rowBytes * gfx::SourceHeight(block) <= imageSize);
  }
  std::vector<gfx::PaletteColor> colors = gfx::PaletteColors(block.data(), block.size());
  FUZZ_CHECK(colors.size() == (gfx::GetU32(hdr + gfx::kHdrClrUsed) & 0xFFFF));
}

void MasterLines(const std::uint8_t* data, std::size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> records = Records(content);

  std::vector<std::string> sized, typed;
  for (const std::string& r : records) {
    std::string expectSize = r;
    if (IsSizeRecord(r) && r.size() != 185 && r.size() > 66) expectSize.erase(66, 1);
    std::string expectType = r;
    if (r.size() > 13 && (r[13] == 'A' || r[13] == 'B')) expectType[13] = 'Z';
    FUZZ_CHECK(targets::ConvertSizeRecord(r) == expectSize);
    FUZZ_CHECK(targets::ConvertTypeRecord(r) == expectType);
    sized.push_back(expectSize);
    typed.push_back(expectType);
  }
  const std::string sizeText = targets::ConvertMasterText(content, targets::ConvertSizeLine);
  const std::string typeText = targets::ConvertMasterText(content, targets::ConvertTypeLine);
  FUZZ_CHECK(sizeText == Joined(sized));
  FUZZ_CHECK(typeText == Joined(typed));
  // A converted type letter stays converted.
  FUZZ_CHECK(targets::ConvertMasterText(typeText, targets::ConvertTypeLine) == typeText);
}

void UninstallCommand(const std::uint8_t* data, std::size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::string command = original;
  if (FolderFromUninstallCommand(command) != 1) {
    FUZZ_CHECK(command == original);
    return;
  }
  // A drive and a directory taken from the command itself: nothing invented.
  FUZZ_CHECK(command.size() + 3 <= original.size());
  FUZZ_CHECK(original.find(command) != std::string::npos);
  const std::size_t last = text::FindLastSeparator(command);
  FUZZ_CHECK(command.empty() || (last != std::string::npos && last + 1 == command.size()) ||
             (command.size() == 2 && command[1] == ':'));
}

Body BodyNamed(const std::string& name) {
  if (name == "lzh") return LzhArchive;
  if (name == "lzh_roundtrip") return LzhRoundTrip;
  if (name == "descriptor") return Descriptor;
  if (name == "profile") return Profile;
  if (name == "bmp") return Bitmap;
  if (name == "master") return MasterLines;
  if (name == "uninstall") return UninstallCommand;
  return nullptr;
}

}  // namespace fuzz
