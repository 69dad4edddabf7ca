// Rules of the update run that other tools must apply exactly as the run
// does: the probe for the settings file, the name a START archive takes, the
// extraction command and its length limit, the category switches.
#pragma once

#include <cstddef>
#include <string>

namespace engine {

// The extraction command must fit the component's 256-byte buffer.
constexpr std::size_t kCommandMaxBytes = 255;
// The two names a "NULL" settings line makes the run try, in order.
extern const char* const kNullSettingsCandidates[2];

// Probes `folder` for the settings file `name`: as given, then with a final
// separator, then (a bare drive letter) as the root of that drive. `folder`
// keeps what the successful (or last) attempt appended, ready for a file
// name to be appended directly.
bool ProbeSettingsFile(std::string& folder, const std::string& name);

// The run's choice of settings file and working folder for `targetFolder`:
// with "NULL" in `settingsFile`, morefa1.ini and then pilunet1.ini; the name
// tried last stays in `settingsFile`, the copy probed last in `work`.
bool ChooseSettingsFile(const std::string& targetFolder, std::string& settingsFile, std::string& work);

// The suffix a START archive takes for the installed variant: "0" to "15" or
// "99"; other indexes add nothing.
std::string StartSuffix(int versionIndex);
// Whether an archive name's file part (no folder, no extension) is exactly
// "START" or "EXCEL", the two names the run treats specially.
bool IsStartArchive(const std::string& name);
bool IsExcelArchive(const std::string& name);

std::string ExtractCommand(const std::string& windowsFolder, const std::string& sourceDir,
                           const std::string& archive, const std::string& destination);

// Keys of [SYSTEM] set to "1" for a category (line 20 read as atoi), in the
// order written; both null for a value outside 1 to 6.
struct CategoryKeys {
  const char* keys[2];
  const char* const* begin() const { return keys; }
  const char* const* end() const { return keys + 2; }
};
CategoryKeys CategoryKeysFor(int category);

}  // namespace engine
