#include "targets/master_conversion.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "os/os.h"
#include "os/targets_io.h"
#include "text/cp932.h"

namespace targets {

const char kMasterFilePattern[] = "pok???-3.mst";
const char kTemporaryName[] = "temp.mst";

namespace {

constexpr std::size_t kSizeRecordLength = 185;
constexpr std::size_t kRemovedSizeByte = 66;
constexpr std::size_t kTypeLetter = 13;
// Read and write granularity of the file conversion. Master files are a few
// hundred kilobytes, so most are read in one call and written in one call.
constexpr std::size_t kChunk = 1 << 20;
constexpr std::uint32_t kAttrDirectory = 0x10;

bool IsSizeRecord(const char* line, std::size_t length) {
  return length >= 12 && std::memcmp(line, "400400", 6) == 0 &&
         (std::memcmp(line + 6, "000107", 6) == 0 || std::memcmp(line + 6, "000111", 6) == 0);
}

// Feeds `rule` the lines of data[0, end) that end with LF and returns where
// the unfinished last line starts. Bytes before `scanFrom` are known to hold
// no LF, so a long line is not searched again after every read.
std::size_t ConvertCompleteLines(const char* data, std::size_t scanFrom, std::size_t end, LineRule rule,
                                 std::string& out) {
  std::size_t start = 0;
  while (const void* found = std::memchr(data + scanFrom, '\n', end - scanFrom)) {
    std::size_t lf = static_cast<std::size_t>(static_cast<const char*>(found) - data);
    std::size_t length = lf - start;
    if (length > 0 && data[lf - 1] == '\r') --length;
    rule(data + start, length, out);
    out.append("\r\n", 2);
    start = scanFrom = lf + 1;
  }
  return start;
}

// The line after the last LF, if the file does not end with one. A text-mode
// read turns only CR LF into a line end, so a CR that ends the file is part
// of this line: the rule sees it (the size rule counts it) and it is written
// back before the CR LF.
void ConvertLastLine(const char* data, std::size_t length, LineRule rule, std::string& out) {
  if (length == 0) return;
  rule(data, length, out);
  out.append("\r\n", 2);
}

// Removes the temporary file on every way out of a file conversion that did
// not move it into place.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!path_.empty()) os::RemoveFile(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

// Buffers reused for every file of a set, so that memory stays the same
// whatever the number and size of the files (a line longer than the input
// buffer grows it).
struct Buffers {
  std::vector<char> input;
  std::string output;
};

// Converts `name` of `folder` into the temporary file `temporaryName` of the
// same folder and moves the result over it. False, with the master untouched
// and the temporary file gone, on any failure.
bool ConvertMasterFile(const std::string& folder, const std::string& name, const std::string& temporaryName,
                       LineRule rule, Buffers& buffers) {
  const std::string master = folder + name;
  const std::string temporary = folder + temporaryName;
  // A read-only master could not be opened for writing; it stays as it is.
  std::uint32_t attributes = 0;
  if (!os::GetAttributes(master, attributes) || (attributes & (os::kAttrReadOnly | kAttrDirectory))) return false;
  os::InputFile input;
  if (!input.Open(master, /*exclusive=*/true)) return false;

  TemporaryFile guard(temporary);
  os::NamedOutputFile output;
  if (!output.Create(folder, temporaryName)) return false;

  std::vector<char>& in = buffers.input;
  std::string& out = buffers.output;
  if (in.size() < kChunk) in.resize(kChunk);
  out.clear();
  std::size_t held = 0;  // bytes of an unfinished line at the front of `in`
  for (;;) {
    if (held == in.size()) in.resize(in.size() * 2);
    long long got = input.Read(in.data() + held, in.size() - held);
    if (got < 0) return false;
    if (got == 0) break;
    std::size_t end = held + static_cast<std::size_t>(got);
    std::size_t rest = ConvertCompleteLines(in.data(), held, end, rule, out);
    held = end - rest;
    if (held > 0 && rest > 0) std::memmove(in.data(), in.data() + rest, held);
    if (out.size() >= kChunk) {
      if (!output.Write(out)) return false;
      out.clear();
    }
  }
  ConvertLastLine(in.data(), held, rule, out);
  if (!out.empty() && !output.Write(out)) return false;
  if (!output.Flush() || !output.Close()) return false;
  // The master must be closed before it can be replaced on Windows.
  input.Close();
  if (!os::MoveReplace(temporary, master)) return false;
  guard.Keep();
  return true;
}

bool IsAbsolute(const std::string& path) {
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  return path.size() >= 2 && path[1] == ':';
}

int ConvertMaterial(const std::string& settingsPath, LineRule rule) {
  const std::string named = MasterFolderSetting(settingsPath);
  // Without a master folder nothing is converted: falling back to the
  // current directory would rewrite whatever files happen to lie there.
  if (named.empty()) return 0;
  std::string folder = named;
  if (!IsAbsolute(named)) {
    text::PathParts parts = text::SplitPath(settingsPath);
    folder = parts.drive + parts.dir + named;
  }
  // The pattern is measured as the product names it, before a relative
  // folder is resolved. The longer set name decides, so a folder too long
  // for the second set converts neither.
  if (named.size() + std::strlen("21\\") + std::strlen(kMasterFilePattern) > kMaxSearchPatternBytes) return 0;
  int result = 0;
  for (const char* set : {"1\\", "21\\"}) {
    result = ConvertMasterSet(folder + set, rule);
    if (result != 1) break;
  }
  return result;
}

}  // namespace

void ConvertSizeLine(const char* line, std::size_t length, std::string& out) {
  if (IsSizeRecord(line, length) && length != kSizeRecordLength && length > kRemovedSizeByte) {
    out.append(line, kRemovedSizeByte);
    out.append(line + kRemovedSizeByte + 1, length - kRemovedSizeByte - 1);
  } else {
    out.append(line, length);
  }
}

void ConvertTypeLine(const char* line, std::size_t length, std::string& out) {
  if (length > kTypeLetter && (line[kTypeLetter] == 'A' || line[kTypeLetter] == 'B')) {
    out.append(line, kTypeLetter);
    out.push_back('Z');
    out.append(line + kTypeLetter + 1, length - kTypeLetter - 1);
  } else {
    out.append(line, length);
  }
}

std::string ConvertSizeRecord(const std::string& line) {
  std::string out;
  ConvertSizeLine(line.data(), line.size(), out);
  return out;
}

std::string ConvertTypeRecord(const std::string& line) {
  std::string out;
  ConvertTypeLine(line.data(), line.size(), out);
  return out;
}

std::string ConvertMasterText(const std::string& content, LineRule rule) {
  std::string out;
  std::size_t rest = ConvertCompleteLines(content.data(), 0, content.size(), rule, out);
  ConvertLastLine(content.data() + rest, content.size() - rest, rule, out);
  return out;
}

std::vector<std::string> ListMasterFiles(const std::string& pattern) {
  std::vector<std::string> names;
  for (os::FindEntry& entry : os::FindFiles(pattern)) {
    if (entry.directory || entry.name == "." || entry.name == "..") continue;
    names.push_back(std::move(entry.name));
    if (names.size() == kMaxMasterFiles) break;
  }
  return names;
}

int ConvertMasterSet(const std::string& setFolder, LineRule rule) {
  // The names are taken before the first file is rewritten, so neither
  // "temp.mst" nor a replaced file can disturb the listing.
  const std::vector<std::string> names = ListMasterFiles(setFolder + kMasterFilePattern);
  if (names.empty()) return 1;
  // A stale temporary file is reused under the name it is stored as, as
  // Windows would match it whatever its letter case.
  std::string temporaryName = kTemporaryName;
  for (const os::FindEntry& entry : os::FindFiles(setFolder + kTemporaryName)) temporaryName = entry.name;
  Buffers buffers;
  for (const std::string& name : names) {
    if (!ConvertMasterFile(setFolder, name, temporaryName, rule, buffers)) return 0;
  }
  return 1;
}

std::string MasterFolderSetting(const std::string& settingsPath) {
  std::string folder = os::GetProfileValue("DIR", "MASTER", "", kMasterFolderBuffer, settingsPath);
  return text::WithTrailingSeparator(folder);
}

int ConvertMaterialSizes(const std::string& settingsPath) { return ConvertMaterial(settingsPath, ConvertSizeLine); }

int ConvertMaterialTypes(const std::string& settingsPath) { return ConvertMaterial(settingsPath, ConvertTypeLine); }

}  // namespace targets
