// Profile-string (INI) reading and editing on the text of a settings file,
// with the semantics of GetPrivateProfileStringA and
// WritePrivateProfileStringA. Used by the POSIX side of os/; kept apart from
// any I/O so that it is tested and fuzzed on its own.
//
// A line ends at CR LF, LF or a lone CR. A header is a line whose first
// non-blank character is '[' and that holds a ']' after it; the section name
// runs to the last ']' of the line. Requested section and key names match
// without blanks around them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace os {

// The value of `key` in `section` of `content` (section and key names match
// without regard to ASCII case; the first matching section and key count),
// with blanks around it removed and one pair of matching quotes stripped; or
// `def` without its trailing blanks when the section or key is missing. The
// result is cut to size - 1 bytes without splitting a double-byte character.
std::string ProfileRead(const std::string& content, const std::string& section,
                        const std::string& key, const std::string& def, std::size_t size);

// `content` with `key` of `section` set to `value`. Every byte outside the
// edited line stays as it was: an existing key's line keeps its name and
// everything before the '='; a new key is inserted after the section's last
// key (or its header); a new section is appended at the end. New lines use the
// file's own line end (its first one; CR LF for a file that has none yet).
std::string ProfileWrite(const std::string& content, const std::string& section,
                         const std::string& key, const std::string& value);

// One section header or key line of a settings text, as the profile
// functions see it.
struct ProfileEntry {
  int line = 0;         // 1-based line number
  bool section = false;  // a header: `name` is the section's name
  std::string name;     // section or key name, blanks around it removed
  std::string value;    // for keys: as ProfileRead returns it (uncut)
};

// Every header and key line of code page 932 text `content`, in file order,
// split by the same rules as ProfileRead; other lines are left out. For
// readers that need every entry and where it stands (repeated keys, sections
// in order), which the Windows functions cannot give.
std::vector<ProfileEntry> ProfileEntries(const std::string& content);

// Conversion between code page 932 and UTF-16, supplied by the platform.
struct Utf16Codec {
  std::u16string (*toUtf16)(const std::string& cp932);
  std::string (*toCp932)(const std::u16string& utf16);
};

// The same on the bytes of a settings file, which may be UTF-16: a file that
// begins with the UTF-16LE byte-order mark is read as UTF-16 (names and
// values converted with `codec`) and written back in UTF-16, every unit
// outside the edited line kept; any other file is code page 932 text.
std::string ProfileRead(const std::string& content, const std::string& section, const std::string& key,
                        const std::string& def, std::size_t size, const Utf16Codec& codec);
std::string ProfileWrite(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value, const Utf16Codec& codec);

}  // namespace os
