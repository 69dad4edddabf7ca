#include "engine/archive_command.h"

#include "text/cp932.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// The characters a Windows file name may not hold, besides controls.
bool IsReservedChar(unsigned char c) {
  return c == '<' || c == '>' || c == ':' || c == '"' || c == '/' || c == '\\' || c == '|' || c == '?' || c == '*';
}

// Whether the first `length` bytes of `name` spell `upper` (capitals and
// symbols) in either case. A double-byte character never matches: its lead
// byte is no ASCII character.
bool StemIs(const std::string& name, std::size_t length, const char* upper) {
  std::size_t i = 0;
  for (; i < length && upper[i]; ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return i == length && !upper[i];
}

}  // namespace

namespace engine {

bool ParseArchiveCommand(const std::string& command, ArchiveCommand& out) {
  std::size_t i = 0;
  auto skipSpaces = [&] {
    while (i < command.size() && IsSpace(command[i])) ++i;
  };
  skipSpaces();
  if (i >= command.size() || (command[i] != 'e' && command[i] != 'E')) return false;
  ++i;
  if (i >= command.size() || !IsSpace(command[i])) return false;
  std::size_t open = text::FindChar(command, '"', i);
  if (open == std::string::npos) return false;
  // Options: only -mcw<folder>. The folder runs to the blanks before the
  // archive's quote, so a Windows folder with blanks in it still parses.
  std::string options = command.substr(i, open - i);
  std::size_t a = 0;
  while (a < options.size() && IsSpace(options[a])) ++a;
  std::size_t b = options.size();
  while (b > a && IsSpace(options[b - 1])) --b;
  options = options.substr(a, b - a);
  ArchiveCommand parsed;
  if (!options.empty()) {
    if (options.size() < 4 || !text::EqualsNoCaseAscii(options.substr(0, 4), "-mcw")) return false;
    parsed.workFolder = options.substr(4);
  }
  // Quotes enclose the paths; a backslash before a closing quote is the end
  // of the folder name, never an escape.
  std::size_t close = text::FindChar(command, '"', open + 1);
  if (close == std::string::npos) return false;
  parsed.archive = command.substr(open + 1, close - open - 1);
  i = close + 1;
  skipSpaces();
  if (i >= command.size() || command[i] != '"') return false;
  std::size_t destClose = text::FindChar(command, '"', i + 1);
  if (destClose == std::string::npos) return false;
  parsed.destination = command.substr(i + 1, destClose - i - 1);
  i = destClose + 1;
  skipSpaces();
  if (i != command.size()) return false;
  if (parsed.archive.empty() || parsed.destination.empty()) return false;
  out = parsed;
  return true;
}

bool IsAcceptableFileName(const std::string& name) {
  if (name.size() <= 2 && name.find_first_not_of('.') == std::string::npos) return false;  // "", "." and ".."
  // One pass over the characters: each valid in the code page, none that a
  // file name may not hold. `stemEnd` is where the first '.' stands.
  const std::size_t size = name.size();
  std::size_t stemEnd = size;
  for (std::size_t i = 0; i < size; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (text::IsLeadByte(c)) {
      if (i + 1 >= size || !text::IsValidTrailByte(static_cast<unsigned char>(name[++i]))) return false;
    } else if (c < 0x20 || !text::IsValidSingleByte(c)) {
      return false;
    } else if (IsReservedChar(c)) {
      return false;
    } else if (c == '.' && stemEnd == size) {
      stemEnd = i;
    }
  }
  // The last character: a trail byte is never '.' or ' ', so a plain look works.
  char last = name.back();
  if (last == '.' || last == ' ') return false;
  // Device names stay devices whatever extension follows them.
  while (stemEnd > 0 && name[stemEnd - 1] == ' ') --stemEnd;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices) {
    if (StemIs(name, stemEnd, d)) return false;
  }
  if (stemEnd == 4 && (StemIs(name, 3, "COM") || StemIs(name, 3, "LPT")) && name[3] >= '1' && name[3] <= '9') {
    return false;
  }
  return true;
}

}  // namespace engine
