#include "tests/reliability/demo_medium.h"

#include "os/os.h"
#include "pack/pack.h"
#include "tests/lzh/lzh_support.h"
#include "tests/support/temp_dir.h"

namespace reliability {
namespace {

using testing_support::MakeFolders;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Size record of 186 bytes (code 400400, sub-code 000107) that the size
// conversion shortens to 185, and a record whose type letter is A.
std::string SizeRecord(char fill) { return "400400000107" + std::string(174, fill); }
std::string TypeRecord(const std::string& rest) { return "1234567890123A" + rest; }

// A 2 x 2 picture, 24 bits: the run never reads the pictures, the dialogs do.
std::string TinyBitmap() {
  std::string b = "BM";
  auto put32 = [&b](unsigned v) {
    for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  auto put16 = [&b](unsigned v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
  };
  put32(14 + 40 + 16);
  put32(0);
  put32(14 + 40);
  put32(40);
  put32(2);
  put32(2);
  put16(1);
  put16(24);
  put32(0);
  put32(16);
  put32(2835);
  put32(2835);
  put32(0);
  put32(0);
  b += std::string(16, '\x7F');
  return b;
}

void AddSnapshot(const std::string& folder, const std::string& relative, Snapshot& out) {
  for (const os::FindEntry& e : os::FindFiles(folder + "*")) {
    if (e.name == "." || e.name == "..") continue;
    if (e.directory) {
      AddSnapshot(folder + e.name + "\\", relative + e.name + "\\", out);
    } else {
      out[relative + e.name] = ReadFile(folder + e.name);
    }
  }
}

}  // namespace

const char* const kMasterFiles[3] = {"master\\1\\pok001-3.mst", "master\\1\\pok101-3.mst",
                                     "master\\21\\pok001-3.mst"};

std::string ExtractedMaster() { return SizeRecord('B') + "\r\n" + TypeRecord("ﾃﾞﾓ材料B") + "\r\n"; }

std::string StoredArchive(const Members& members) {
  std::vector<lzhtest::HandMember> hand;
  for (const auto& m : members) hand.push_back(lzhtest::Stored(m.first, m.second));
  return lzhtest::BuildArchive(hand);
}

DemoPaths MakeDemo(const std::string& root) {
  DemoPaths p{root + "medium\\", root + "install\\"};
  MakeFolders(p.medium);
  MakeFolders(p.install);

  const std::string& m = p.medium;
  // The descriptor brelix-cli pack writes for the demo source as one folder.
  std::string info;
  std::vector<pack::Problem> problems;
  pack::FolderDescriptor(std::string(BRELIX_SOURCE_ROOT) + "/demo/source", info, problems);
  WriteFile(m + "info.txt", info);
  for (const char* picture : {"back.bmp", "notes.bmp", "target.bmp", "confirm.bmp"}) WriteFile(m + picture, TinyBitmap());
  WriteFile(m + "PROG.lzh", StoredArchive({{"MITSUMO.TXT", "見積原価システム 本体 9.1S\r\n"},
                                           {"PROGRAM.INI", "[PROGRAM]\r\nBUILD=910\r\n"}}));
  // The installed 8.0S matches the second title pattern: the run asks for START2.
  WriteFile(m + "START2.lzh", StoredArchive({{"START.TXT", "見積原価システム 9.1S 起動設定\r\n"}}));
  WriteFile(m + "MASTER.lzh",
            StoredArchive({{"pok101-3.mst", ExtractedMaster()}}));
  WriteFile(m + "EXCEL.lzh", StoredArchive({{"横K-R7q.xlsm", "demo template 9.1S\r\n"}}));
  WriteFile(m + "readme.txt", "見積原価システム 9.1S をお使いいただきありがとうございます。\r\n");
  WriteFile(m + "Setup.ini", "[SETUP]\r\nVERSION=9.1S\r\n");

  const std::string& i = p.install;
  for (const char* folder : {"bmp", "master\\1", "master\\21", "形式"}) MakeFolders(i + folder);
  WriteFile(i + "morefa1.ini", "[SYSTEM]\r\nTITLE=見積原価システム 8.0S\r\nVersion=8.0S\r\n\r\n[DIR]\r\nMASTER=master\\\r\n");
  WriteFile(i + "mo2menu.ini", "[MENU]\r\n1=見積\r\n");
  WriteFile(i + "tessolin.exe", "MZ");
  WriteFile(i + "bmp\\VOSKE2L.BMP", TinyBitmap());
  WriteFile(i + "bmp\\file.BMP", TinyBitmap());
  WriteFile(i + kMasterFiles[0], SizeRecord('A') + "\r\n" + TypeRecord("ﾃﾞﾓ材料A") + "\n");
  WriteFile(i + kMasterFiles[2], TypeRecord("ﾃﾞﾓ材料C"));
  // The installed template dates from 2021: the update replaces it.
  WriteFile(i + "形式\\横K-R7q.xlsm", "template 8.0S\r\n");
  os::SetLastWriteTime(i + "形式\\横K-R7q.xlsm", 2021, 6, 1);
  return p;
}

Snapshot TakeSnapshot(const std::string& folder) {
  Snapshot s;
  AddSnapshot(folder, "", s);
  return s;
}

std::vector<std::string> Differences(const Snapshot& before, const Snapshot& after) {
  std::vector<std::string> out;
  for (const auto& b : before) {
    auto a = after.find(b.first);
    if (a == after.end()) {
      out.push_back("-" + b.first);
    } else if (a->second != b.second) {
      out.push_back("*" + b.first);
    }
  }
  for (const auto& a : after) {
    if (!before.count(a.first)) out.push_back("+" + a.first);
  }
  return out;
}

}  // namespace reliability
