#include "engine/run_rules.h"

#include "os/os.h"
#include "text/cp932.h"

namespace engine {
namespace {

// Checks `folder` followed directly by `name`; a folder given without its
// final separator gets one.
bool CheckFolder(std::string& folder, const std::string& name) {
  if (!os::Exists(folder)) return false;
  if (os::Exists(folder + name)) return true;
  folder += "\\";
  return os::Exists(folder + name);
}

}  // namespace

const char* const kNullSettingsCandidates[2] = {"morefa1.ini", "pilunet1.ini"};

bool ProbeSettingsFile(std::string& folder, const std::string& name) {
  if (CheckFolder(folder, name)) return true;
  folder += ":\\";
  return CheckFolder(folder, name);
}

bool ChooseSettingsFile(const std::string& targetFolder, std::string& settingsFile, std::string& work) {
  if (settingsFile != "NULL") {
    work = targetFolder;
    return ProbeSettingsFile(work, settingsFile);
  }
  for (const char* name : kNullSettingsCandidates) {
    settingsFile = name;
    work = targetFolder;
    if (ProbeSettingsFile(work, settingsFile)) return true;
  }
  return false;
}

std::string StartSuffix(int versionIndex) {
  if ((versionIndex >= 0 && versionIndex <= 15) || versionIndex == 99) return std::to_string(versionIndex);
  return std::string();
}

bool IsStartArchive(const std::string& name) { return text::SplitPath(name).name == "START"; }
bool IsExcelArchive(const std::string& name) { return text::SplitPath(name).name == "EXCEL"; }

std::string ExtractCommand(const std::string& windowsFolder, const std::string& sourceDir,
                           const std::string& archive, const std::string& destination) {
  return "e -mcw" + windowsFolder + " \"" + sourceDir + archive + "\" \"" + destination + "\"";
}

CategoryKeys CategoryKeysFor(int category) {
  switch (category) {
    case 1: return {{"種別電気", nullptr}};
    case 2: return {{"種別水道", nullptr}};
    case 3: return {{"種別設備", nullptr}};
    case 4: return {{"種別建築", nullptr}};
    case 5: return {{"種別水道", "種別設備"}};
    case 6: return {{"種別電気", "種別設備"}};
    default: return {{nullptr, nullptr}};
  }
}

}  // namespace engine
