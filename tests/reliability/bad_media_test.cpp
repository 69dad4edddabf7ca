// Faulty update media: each is refused or stopped with a message that names
// the fault, and an installation that nothing was installed into yet stays
// byte-identical. Runs natively and, in the Windows build, under Wine.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "engine/update_run.h"
#include "engine/update_session.h"
#include "gfx/bmp_read.h"
#include "os/os.h"
#include "tests/reliability/demo_medium.h"
#include "tests/support/session.h"
#include "tests/support/temp_dir.h"

namespace {

using reliability::Differences;
using reliability::Snapshot;
using reliability::TakeSnapshot;
using testing_support::ReadFile;
using testing_support::TempDir;
using RecordingUi = testing_support::ScriptedUi;
using testing_support::WriteFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find("\r\n", pos);
    if (nl == std::string::npos) nl = text.size();
    lines.push_back(text.substr(pos, nl - pos));
    pos = nl + 2;
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

// Edits the demo descriptor line by line (index 0 is line 1; the records
// start at index 42).
void EditInfo(const std::string& medium, const std::function<void(std::vector<std::string>&)>& edit) {
  std::vector<std::string> lines = Lines(ReadFile(medium + "info.txt"));
  edit(lines);
  WriteFile(medium + "info.txt", Joined(lines));
}

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  for (std::size_t i = 0; i < size; ++i) s += static_cast<char>(rng() & 0xFF);
  return s;
}

std::string Bad(int line, const std::string& why) {
  return "[エラー] info.txt の " + std::to_string(line) + " 行目が正しくありません（" + why +
         "）。この更新ディスクは使用できません。";
}

struct Row {
  const char* what;
  std::function<void(const std::string& medium)> spoil;
  int result;
  std::vector<std::string> messages;
};

TEST(BadMedia, EachFaultIsReportedAndNothingIsInstalled) {
  const std::string missing = "4つの項目がそろっていません";
  const Row rows[] = {
      {"record line without its subfolder",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1,PROG"; }); }, 1,
       {Bad(43, missing)}},
      {"empty line among the records",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[43] = ""; }); }, 1,
       {Bad(44, missing)}},
      {"overlong name",
       [](const std::string& m) {
         EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1," + std::string(32, 'P') + ",prog\\"; });
       },
       1, {Bad(43, "31バイトを超える項目があります")}},
      {"overlong subfolder",
       [](const std::string& m) {
         EditInfo(m, [](std::vector<std::string>& l) { l[43] = "1,1,start," + std::string(31, 's') + "\\"; });
       },
       1, {Bad(44, "31バイトを超える項目があります")}},
      {"101 records",
       [](const std::string& m) {
         EditInfo(m, [](std::vector<std::string>& l) {
           while (l.size() < 42 + 101) l.push_back("1,2,readme.txt,doc\\");
         });
       },
       1, {Bad(143, "インストール項目が100を超えています")}},
      {"subfolder climbing out of the installation",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[44] = "1,2,readme.txt,..\\doc\\"; }); },
       1, {Bad(45, "フォルダがインストール先フォルダの外を指しています")}},
      {"absolute subfolder",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1,PROG,\\prog\\"; }); }, 1,
       {Bad(43, "フォルダがインストール先フォルダの外を指しています")}},
      {"name climbing out of the medium",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[44] = "1,2,..\\readme.txt,doc\\"; }); },
       1, {Bad(45, "名前が更新ディスクのフォルダの外を指しています")}},
      {"binary garbage", [](const std::string& m) { WriteFile(m + "info.txt", Noise(4096, 7)); }, 0,
       {"[エラー] ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。"}},
      {"binary garbage with line ends",
       [](const std::string& m) {
         std::string noise = Noise(8192, 11);
         for (std::size_t i = 0; i < noise.size(); i += 37) noise[i] = '\n';
         WriteFile(m + "info.txt", noise);
       },
       1, {Bad(43, missing)}},
      {"invalid code page 932 sequence in a name",
       [](const std::string& m) { EditInfo(m, [](std::vector<std::string>& l) { l[42] = "1,1,PR\x81\x7FOG,prog\\"; }); },
       1, {"[確認] 書庫「PR\x81\x7FOG.lzh」が見つかりません。"}},
      {"record naming a missing archive", [](const std::string& m) { os::RemoveFile(m + "PROG.lzh"); }, 1,
       {"[確認] 書庫「PROG.lzh」が見つかりません。"}},
      {"archive of another format renamed .lzh",
       [](const std::string& m) {
         WriteFile(m + "PROG.lzh", std::string("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + Noise(200, 3));
       },
       1, {"[確認] 「PROG.lzh」はLZH書庫ではありません。"}},
      {"truncated archive",
       [](const std::string& m) {
         std::string a = ReadFile(m + "PROG.lzh");
         WriteFile(m + "PROG.lzh", a.substr(0, a.size() / 2));
       },
       1, {"[確認] 書庫「PROG.lzh」の「MITSUMO.TXT」が途中で切れています。"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    reliability::DemoPaths paths = reliability::MakeDemo(dir.path());
    row.spoil(paths.medium);
    const Snapshot before = TakeSnapshot(paths.install);
    UpdateSession session;
    ASSERT_EQ(LoadDescriptor(session, paths.medium), 1);
    session.m_targetFolder = paths.install;
    RecordingUi ui(false);
    EXPECT_EQ(RunUpdate(session, ui, paths.medium), row.result);
    EXPECT_EQ(ui.shown, row.messages);
    EXPECT_EQ(Differences(before, TakeSnapshot(paths.install)), std::vector<std::string>{});
  }
}

// The pictures are read by the dialogs, not by the run: a picture that is a
// text file is refused by the reader, and the update itself goes on.
TEST(BadMedia, PictureThatIsATextFile) {
  TempDir dir;
  reliability::DemoPaths paths = reliability::MakeDemo(dir.path());
  WriteFile(paths.medium + "notes.bmp", "BMP pictures are not text.\r\nBM\r\n" + std::string(2000, 'x'));
  WriteFile(paths.medium + "target.bmp", "BM");
  for (const char* name : {"notes.bmp", "target.bmp"}) {
    SCOPED_TRACE(name);
    std::vector<std::uint8_t> block(gfx::kInitialBlockSize);
    std::uint16_t bitsOffset = 0;
    EXPECT_EQ(gfx::ReadBitmapFile(paths.medium + name, block, bitsOffset), 0);
  }
  std::vector<std::uint8_t> block(gfx::kInitialBlockSize);
  std::uint16_t bitsOffset = 0;
  EXPECT_EQ(gfx::ReadBitmapFile(paths.medium + "back.bmp", block, bitsOffset), 1);

  UpdateSession session;
  ASSERT_EQ(LoadDescriptor(session, paths.medium), 1);
  session.m_targetFolder = paths.install;
  RecordingUi ui(false);
  EXPECT_EQ(RunUpdate(session, ui, paths.medium), 1);
  ASSERT_FALSE(ui.shown.empty());
  EXPECT_EQ(ui.shown.back(), "[確認] システムは正常に更新されました。");
}

}  // namespace
