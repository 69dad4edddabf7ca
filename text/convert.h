// Conversion between code page 932 and UTF-8: file names on Linux, the
// terminal text of brelix-cli and the update log are UTF-8. iconv on Linux,
// the system's tables on Windows.
#pragma once

#include <string>

namespace text {

// Bytes that do not convert are replaced by '?' so that a name is never lost
// whole; `ok` (when given) tells whether everything converted.
std::string Cp932ToUtf8(const std::string& s, bool* ok = nullptr);
std::string Utf8ToCp932(const std::string& s, bool* ok = nullptr);

}  // namespace text
