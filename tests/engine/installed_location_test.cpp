#include <gtest/gtest.h>

#include <string>

#include "engine/installed_location.h"
#include "os/os.h"
#include "os/test_hooks.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(FolderFromUninstallCommand, Table) {
  struct Row {
    std::string command;
    int result;
    std::string folder;  // the buffer afterwards
  } rows[] = {
      {"X:\\TOOLS\\UNINST.EXE -fD:\\APPS\\EST\\REMOVE.LOG -cD:\\APPS\\EST\\X.DLL", 1, "D:\\APPS\\EST\\"},
      {"X:\\TOOLS\\UNINST.EXE -fD:\\REMOVE.LOG", 1, "D:\\"},
      {"X:\\TOOLS\\UNINST.EXE -fREMOVE.LOG", 1, ""},
      {"X:\\UNINST.EXE -f\"D:\\APPS\\EST\\REMOVE.LOG\"", 1, "\"D:\\APPS\\EST\\"},
      {"X:\\UNINST.EXE -FD:\\APPS\\REMOVE.LOG", 0, "X:\\UNINST.EXE -FD:\\APPS\\REMOVE.LOG"},
      {"X:\\UNINST.EXE", 0, "X:\\UNINST.EXE"},
      {"", 0, ""},
      {"X:\\UNINST.EXE -f", 1, ""},                                        // " -f" at the very end
      {"U -fC:\\A\\x.log -fD:\\B\\y.log", 1, "C:\\A\\"},                   // the first " -f" counts
      {"U -fD:\\表示\\ソフト\\REMOVE.LOG", 1, "D:\\表示\\ソフト\\"},         // 0x5C trail bytes
      {"U -fD:\\表\\ソ", 1, "D:\\表\\"},
      {"U -fD:/APPS/EST/REMOVE.LOG", 1, "D:/APPS/EST/"},                    // a slash as separator
      {"U -fD:\\Program Files\\EST\\REMOVE.LOG -x", 1, "D:\\Program Files\\EST\\"},
      {"U -f" + std::string(300, 'a') + "\\b\\c.log", 1, std::string(300, 'a') + "\\b\\"},  // no length limit
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.command);
    std::string buffer = r.command;
    EXPECT_EQ(FolderFromUninstallCommand(buffer), r.result);
    EXPECT_EQ(buffer, r.folder);
  }
}

#ifndef _WIN32
using Keys = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

std::string Key(const std::string& name) { return std::string(kUninstallKeyPrefix) + name; }

TEST(FindInstalledFolder, KeysInOrder) {
  struct Row {
    const char* what;
    Keys registry;
    std::vector<std::string> names;
    bool found;
    std::string folder;
  } rows[] = {
      {"no key", {}, {"A", "B"}, false, ""},
      {"third key", {{Key("C"), {{"UninstallString", "U -fD:\\APPS\\EST\\R.LOG"}}}}, {"A", "B", "C"}, true, "D:\\APPS\\EST"},
      {"second name empty", {{Key("C"), {{"UninstallString", "U -fD:\\X\\R.LOG"}}}}, {"A", "", "C"}, false, ""},
      {"first key that opens ends the search",
       {{Key("A"), {}}, {Key("B"), {{"UninstallString", "U -fD:\\X\\R.LOG"}}}}, {"A", "B"}, false, ""},
      {"no -f ends the search too",
       {{Key("A"), {{"UninstallString", "U -FD:\\X\\R.LOG"}}}, {Key("B"), {{"UninstallString", "U -fD:\\Y\\R.LOG"}}}},
       {"A", "B"}, false, ""},
      {"root of a drive", {{Key("A"), {{"UninstallString", "U -fD:\\R.LOG"}}}}, {"A"}, true, "D:"},
      {"bare file name empties the field", {{Key("A"), {{"UninstallString", "U -fR.LOG"}}}}, {"A"}, true, ""},
      {"japanese key name", {{Key("見積原価システム"), {{"uninstallstring", "U -fC:\\見積\\R.LOG"}}}},
       {"見積原価システム"}, true, "C:\\見積"},
      {"long command", {{Key("A"), {{"UninstallString", "U -fC:\\" + std::string(400, 'x') + "\\R.LOG"}}}},
       {"A"}, true, "C:\\" + std::string(400, 'x')},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    os::SetRegistryForTesting(r.registry);
    std::string keys[kUninstallKeyCount];
    for (std::size_t i = 0; i < r.names.size(); ++i) keys[i] = r.names[i];
    std::string folder = "unchanged";
    EXPECT_EQ(FindInstalledFolder(keys, folder), r.found);
    EXPECT_EQ(folder, r.found ? r.folder : "unchanged");
  }
  os::SetRegistryForTesting({});
}
#else
// The real registry under Wine: keys written by the test, read back through
// the same call the dialog makes. The package's installer is a 32-bit
// program, so its keys live in the 32-bit view; a 64-bit build must read
// those, and must not see a key that exists only in the 64-bit view.
namespace {

// Writes HKLM\<uninstall>\name with an UninstallString in the given view;
// false when HKLM cannot be written here.
bool WriteUninstallKey(REGSAM view, const std::string& name, const std::string& command) {
  HKEY key;
  std::string path = std::string(kUninstallKeyPrefix) + name;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  ::RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
  ::RegCloseKey(key);
  return true;
}

void DeleteUninstallKey(REGSAM view, const std::string& name) {
  std::string parent(kUninstallKeyPrefix);
  parent.pop_back();  // the trailing separator
  HKEY key;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
    ::RegDeleteKeyA(key, name.c_str());
    ::RegCloseKey(key);
  }
}

}  // namespace

TEST(FindInstalledFolder, RealRegistry) {
  std::string name = "BrelixTest-" + std::to_string(::GetCurrentProcessId());
  std::string command = "X:\\TOOLS\\UNINST.EXE -fD:\\表示\\EST\\REMOVE.LOG -cD:\\X.DLL" + std::string(300, ' ');
  if (!WriteUninstallKey(KEY_WOW64_32KEY, name, command)) GTEST_SKIP() << "cannot write HKLM here";
  std::string keys[kUninstallKeyCount] = {"BrelixTest-absent", name};
  std::string folder;
  EXPECT_TRUE(FindInstalledFolder(keys, folder));
  EXPECT_EQ(folder, "D:\\表示\\EST");
  DeleteUninstallKey(KEY_WOW64_32KEY, name);

  if (sizeof(void*) == 8) {
    // Only in the 64-bit view: not the installer's key.
    std::string native = name + "-64";
    ASSERT_TRUE(WriteUninstallKey(KEY_WOW64_64KEY, native, command));
    std::string only64[kUninstallKeyCount] = {native};
    folder = "unchanged";
    EXPECT_FALSE(FindInstalledFolder(only64, folder));
    DeleteUninstallKey(KEY_WOW64_64KEY, native);
  }
}
#endif

}  // namespace
