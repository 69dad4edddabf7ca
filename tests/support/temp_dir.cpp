#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

#include "os/os.h"
#include "text/cp932.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace testing_support {
namespace {

std::string TempRoot() {
#ifdef _WIN32
  char buf[MAX_PATH + 1];
  DWORD n = ::GetTempPathA(sizeof buf, buf);
  return std::string(buf, n);
#else
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/";
#endif
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
#ifdef _WIN32
  long pid = static_cast<long>(::GetCurrentProcessId());
#else
  long pid = static_cast<long>(::getpid());
#endif
  auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
  std::string name = "brelix-test-" + std::to_string(pid) + "-" + std::to_string(counter++) + "-" +
                     std::to_string(tick % 1000000);
  std::string root = TempRoot() + name;
  std::filesystem::create_directories(std::filesystem::path(root));
#ifdef _WIN32
  path_ = root + "\\";
#else
  path_ = root + "/";
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  std::string root = path_.substr(0, path_.size() - 1);
  // Read-only files would stop remove_all on Windows.
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(std::filesystem::path(root), ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  os::OutputFile f;
  ASSERT_TRUE(f.Create(path)) << "cannot create " << path;
  ASSERT_TRUE(f.Write(content));
  ASSERT_TRUE(f.Close());
}

std::string ReadFile(const std::string& path) {
  os::InputFile f;
  if (!f.Open(path)) return "<missing>";
  std::string out;
  char buf[65536];
  long long n;
  while ((n = f.Read(buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  return out;
}

bool ReadOnlyIsEnforced() {
  TempDir dir;
  std::string probe = dir / "probe";
  WriteFile(probe, "x");
  os::SetAttributes(probe, os::kAttrReadOnly);
  os::OutputFile f;
  bool enforced = !f.Create(probe);
  f.Close();
  os::SetAttributes(probe, 0);
  return enforced;
}

void MakeFolders(const std::string& path) {
  for (std::size_t i = 0; i < path.size(); i += text::CharLength(path, i)) {
    if ((path[i] == '\\' || path[i] == '/') && text::CharLength(path, i) == 1 && i > 0 && path[i - 1] != ':') {
      os::MakeFolder(path.substr(0, i));
    }
  }
  os::MakeFolder(path);
}

}  // namespace testing_support
