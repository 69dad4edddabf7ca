// Profile-string (INI) reading and editing on the text of a settings file,
// with the semantics of GetPrivateProfileStringA and
// WritePrivateProfileStringA. Used by the POSIX side of os/; kept apart from
// any I/O so that it is tested and fuzzed on its own.
#pragma once

#include <cstddef>
#include <string>

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
// file's own line end (CR LF for a file that has none yet).
std::string ProfileWrite(const std::string& content, const std::string& section,
                         const std::string& key, const std::string& value);

}  // namespace os
