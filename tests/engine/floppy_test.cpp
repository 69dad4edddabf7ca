// A two-floppy update under Wine, where drive A: is a real removable drive:
// the test swaps the disk's contents while the prompt is up.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/update_run.h"
#include "os/os.h"
#include "tests/lzh/lzh_support.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::string Archive(const std::string& member, const std::string& content) {
  return lzhtest::BuildMember(lzhtest::Stored(member, content)) + std::string(1, '\0');
}

void EmptyDisk() {
  for (const os::FindEntry& e : os::FindFiles("A:\\*.*")) {
    if (!e.directory) os::RemoveFile("A:\\" + e.name);
  }
}

class SwappingUi : public UpdateUi {
 public:
  std::vector<std::string> shown;
  int prompts = 0;
  void Message(const std::string& text, const std::string& caption) override {
    shown.push_back("[" + caption + "] " + text);
  }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    shown.push_back("[" + caption + "?] " + text);
    ++prompts;
    if (prompts == 2) {  // the first OK comes before the disk is in
      EmptyDisk();
      WriteFile("A:\\DISK2.lzh", Archive("two.txt", "from disk 2"));
    }
    return prompts <= 3;
  }
};

TEST(FloppyUnderWine, SecondDiskIsAskedForAndReadAfterTheSwap) {
  if (os::DriveTypeOf("A:") != os::kDriveRemovable || !os::IsDirectory("A:\\")) {
    GTEST_SKIP() << "drive A: is not a floppy folder in this prefix";
  }
  EmptyDisk();
  WriteFile("A:\\DISK1.lzh", Archive("one.txt", "from disk 1"));
  TempDir dir;
  std::string app = dir / "app";
  MakeFolders(app);
  WriteFile(app + "\\pilunet1.ini", "[SYSTEM]\r\nMAKER=1\r\n");
  MakeFolders(app + "\\bmp");
  WriteFile(app + "\\bmp\\VOSKE2L.BMP", "");
  WriteFile(app + "\\bmp\\file.BMP", "");

  UpdateSession s;
  s.m_targetFolder = app;
  s.m_settingsFile = "pilunet1.ini";
  s.m_recordCount = 2;
  s.m_diskNumbers[0] = 1;
  s.m_recordKinds[0] = 1;
  s.m_archiveNames[0] = "DISK1";
  s.m_subFolders[0] = "a\\";
  s.m_diskNumbers[1] = 2;
  s.m_recordKinds[1] = 1;
  s.m_archiveNames[1] = "DISK2";
  s.m_subFolders[1] = "b\\";
  SwappingUi ui;
  EXPECT_EQ(RunUpdate(s, ui, "A:"), 1);
  const std::string prompt = "[確認?] 2 枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。";
  EXPECT_EQ(ui.shown, (std::vector<std::string>{prompt, prompt, "[確認] システムは正常に更新されました。"}));
  EXPECT_EQ(ReadFile(app + "\\a\\one.txt"), "from disk 1");
  EXPECT_EQ(ReadFile(app + "\\b\\two.txt"), "from disk 2");
  EmptyDisk();
}

}  // namespace
#endif
