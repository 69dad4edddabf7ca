// The two conversions of the material master files: the size records lose
// one byte, the type letters A and B become Z. Every file matching
// "pok???-3.mst" in the sets "1\" and "21\" of the master folder is rewritten
// through "temp.mst" and replaced in one step, so a failure never costs a
// master file its content.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace targets {

// "MASTER" of [DIR] is read through a 64-byte buffer: at most 63 bytes.
constexpr std::size_t kMasterFolderBuffer = 64;
// A set's search pattern ("MASTER" value, set name, file pattern) may be at
// most this long; a longer one refuses the set instead of being cut.
constexpr std::size_t kMaxSearchPatternBytes = 63;
constexpr std::size_t kMaxMasterFiles = 1000;
extern const char kMasterFilePattern[];  // "pok???-3.mst"
extern const char kTemporaryName[];      // "temp.mst"

// A line rule appends the converted form of one record (the line without its
// line end) to `out`. Positions and lengths are bytes, not characters.
using LineRule = void (*)(const char* line, std::size_t length, std::string& out);

// Size records (code "400400", sub-code "000107" or "000111") that are not
// exactly 185 bytes long lose their byte at position 66, if they have one.
void ConvertSizeLine(const char* line, std::size_t length, std::string& out);
// A type letter "A" or "B" at position 13 becomes "Z".
void ConvertTypeLine(const char* line, std::size_t length, std::string& out);

// The same rules on one whole record.
std::string ConvertSizeRecord(const std::string& line);
std::string ConvertTypeRecord(const std::string& line);

// A whole master file in memory: split into lines as a text-mode read does
// (LF or CR LF ends a line; a last line without line end is a line, and a CR
// at the very end of the file belongs to it), each
// line converted by `rule` and written with CR LF. The file conversion
// streams with the same result.
std::string ConvertMasterText(const std::string& content, LineRule rule);

// Names (without folder) of the files matching `pattern`, in the order the
// listing returns them; folders are skipped, at most 1000 names are kept.
std::vector<std::string> ListMasterFiles(const std::string& pattern);

// Converts every master file of `setFolder` (a folder ending with a
// separator) with `rule`. 1 when all were converted or none matched; 0 at the
// first file that cannot be converted (read-only, held open, temporary file
// not written or not moved), which is left as it was, as are the files after
// it. "temp.mst" never outlives a call.
int ConvertMasterSet(const std::string& setFolder, LineRule rule);

// The master folder named by "MASTER" of [DIR] in `settingsPath`, as written
// there but ending with a separator; empty when the entry is missing or empty.
std::string MasterFolderSetting(const std::string& settingsPath);

// Converts set "1\" and, only when that succeeded, set "21\" of the master
// folder. The folder is taken relative to the settings file's folder unless
// it is absolute. 1 when both sets were converted; 0 when one failed, or,
// with nothing converted, when the settings name no master folder or the
// search pattern of set "21\" (as the settings name it) would be longer
// than 63 bytes.
int ConvertMaterialSizes(const std::string& settingsPath);
int ConvertMaterialTypes(const std::string& settingsPath);

}  // namespace targets
