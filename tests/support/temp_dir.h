// A fresh folder for one test, removed with everything in it afterwards, and
// small file helpers that go through the os/ door.
#pragma once

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, ending with a separator, in code page 932.
  const std::string& path() const { return path_; }
  // path() + name.
  std::string operator/(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;
};

// Writes `content` (bytes) to `path`, creating or truncating it.
void WriteFile(const std::string& path, const std::string& content);
// The whole file, or "<missing>" when it cannot be read.
std::string ReadFile(const std::string& path);
// Creates every missing folder of `path` (a folder path, any separators).
void MakeFolders(const std::string& path);

// False where the system lets a read-only file be written anyway: Wine run
// as root maps the attribute to Unix permissions, which root ignores.
bool ReadOnlyIsEnforced();

// True in the Windows build (tests run under Wine).
constexpr bool kWindows =
#ifdef _WIN32
    true;
#else
    false;
#endif

}  // namespace testing_support
