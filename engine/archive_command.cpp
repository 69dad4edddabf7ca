#include "engine/archive_command.h"

#include <cstring>

#include "text/cp932.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

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
  if (name.empty() || name == "." || name == ".." || !text::IsValidCp932(name)) return false;
  for (std::size_t i = 0; i < name.size();) {
    std::size_t n = text::CharLength(name, i);
    if (n == 1) {
      unsigned char c = static_cast<unsigned char>(name[i]);
      if (c < 0x20 || std::strchr("<>:\"/\\|?*", c)) return false;
    }
    i += n;
  }
  // The last character: a trail byte is never '.' or ' ', so a plain look works.
  char last = name.back();
  if (last == '.' || last == ' ') return false;
  // Device names stay devices whatever extension follows them.
  std::string stem = name.substr(0, text::FindChar(name, '.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  stem = text::UpperAscii(stem);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices) {
    if (stem == d) return false;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '1' && stem[3] <= '9') {
    return false;
  }
  return true;
}

}  // namespace engine
