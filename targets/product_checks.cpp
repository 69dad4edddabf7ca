#include "targets/product_checks.h"

#include "os/os.h"
#include "text/cp932.h"

namespace targets {
namespace {

// Runs `test` on the folder as it stands; when it fails, appends a backslash
// to the folder (for good) and runs it once more. Callers pass folder strings
// that may lack their final separator, and paths are formed by appending a
// name directly.
template <typename Test>
bool WithSeparatorRetry(std::string& folder, Test test) {
  if (test(folder)) return true;
  folder += '\\';
  return test(folder);
}

}  // namespace

int ClassifyInstalledProduct(const std::string& workingFolder, const std::string& settingsFile,
                             const std::string (&patterns)[kTitlePatternSlots]) {
  const std::string settingsPath = workingFolder + settingsFile;
  if (text::UpperAscii(settingsFile) == "PILUNET1.INI") {
    std::string maker = os::GetProfileValue("SYSTEM", "MAKER", "1", kProductValueBuffer, settingsPath);
    return text::AtoiLike(maker) == 1 ? 0 : 99;
  }
  std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kProductValueBuffer, settingsPath);
  for (int i = 0; i < kTitlePatternSlots; ++i) {
    // Matches start on a character boundary, so a pattern never matches
    // the trail byte of one double-byte character and the lead of the next.
    if (text::Find(title, patterns[i]) != std::string::npos) return i + 1;
  }
  return -1;
}

int CheckInstalledFiles(std::string& workingFolder, const std::string& settingsFile) {
  int accepted = 0;

  const std::string upper = text::UpperAscii(settingsFile);
  if (upper != "MOREFA1.INI" && upper != "ZERBIS1.INI") {
    accepted = 1;
  } else if (os::Exists(workingFolder)) {
    auto menuPresent = [](const std::string& folder) {
      return os::Exists(folder + "mo2menu.ini") || os::Exists(folder + "mo1menu.ini");
    };
    if (WithSeparatorRetry(workingFolder, menuPresent)) accepted = 1;
  }

  if (os::Exists(workingFolder)) {
    auto toolPresent = [](const std::string& folder) { return os::Exists(folder + "tessolin.exe"); };
    if (WithSeparatorRetry(workingFolder, toolPresent)) accepted = 1;
  }

  // The bitmap names begin with a separator although the folder ends with
  // one; the doubled separator counts as one.
  if (accepted == 1) {
    accepted = 0;
    if (os::Exists(workingFolder) && os::Exists(workingFolder + "\\bmp\\VOSKE2L.BMP")) accepted = 1;
  }
  if (accepted == 1 && !os::Exists(workingFolder + "\\bmp\\file.BMP")) accepted = 0;
  return accepted;
}

}  // namespace targets
