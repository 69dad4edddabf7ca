// The medium's layout: one folder, or one folder per disk, and the folder
// the run reads each record's archive or file from.
#include "check/checker.h"

#include "os/os.h"
#include "text/cp932.h"

namespace check {

// One folder, or one folder per disk: disk1/ holding info.txt, or info.txt
// in the medium's folder (disk 1) beside disk2/, disk3/, ...
bool Checker::FindLayout() {
  for (const os::FindEntry& e : os::FindFiles(root_ + "disk*")) {
    if (!e.directory || e.name.size() < 5 || !text::EqualsNoCaseAscii(e.name.substr(0, 4), "disk")) continue;
    std::string digits = e.name.substr(4);
    if (digits.find_first_not_of("0123456789") != std::string::npos) continue;
    int disk = text::AtoiLike(digits);
    diskFolder_[disk] = root_ + e.name + "\\";
    diskShown_[disk] = e.name + "/";
  }
  if (diskFolder_.count(1) && os::Exists(diskFolder_[1] + kInfoTxt)) {
    perDisk_ = true;
  } else if (os::Exists(root_ + kInfoTxt)) {
    perDisk_ = diskFolder_.size() > (diskFolder_.count(1) ? 1u : 0u);
    if (diskFolder_.count(1)) {
      Add(Severity::Warning, "medium.disk1-without-info", diskShown_[1], 0,
          "disk1 フォルダに info.txt がありません。1枚目は媒体のフォルダとして扱います。",
          "disk1/ holds no info.txt; the medium's own folder is taken as disk 1.");
    }
    diskFolder_[1] = root_;
    diskShown_[1] = "";
  } else {
    Add(Severity::Error, "descriptor.missing", kInfoTxt, 0,
        "info.txt がありません（媒体のフォルダにも disk1 フォルダにも）。",
        "info.txt is missing (neither in the medium's folder nor in disk1/).");
    return false;
  }
  if (perDisk_) {
    for (const auto& d : diskShown_) {
      std::string name = d.second.empty() ? std::string("(medium folder)") : d.second.substr(0, d.second.size() - 1);
      report_.diskFolders.push_back(name);
    }
  }
  infoShown_ = diskShown_[1] + kInfoTxt;
  return true;
}

std::string Checker::Shown(int disk, const std::string& name) const {
  auto it = diskShown_.find(disk);
  return (it == diskShown_.end() ? std::string() : it->second) + name;
}

// The disk in the drive when record k is handled. The run asks for a disk
// only when the record's number is neither 1 nor the disk in the drive, so
// a disk 1 record after a disk 2 record is read from disk 2.
int Checker::DriveFor(int k) const {
  const int disk = session_.RecordAt(k).disk;
  return disk == 1 ? driveBefore_[k] : disk;
}

// Looks for `name` where the run reads it for record k; on a medium laid
// out one folder per disk, also on the other disks, to say where it lies.
Checker::Located Checker::Locate(int k, const std::string& name) {
  Located at;
  at.name = name;
  if (!perDisk_) {
    at.disk = 1;
    at.path = root_ + name;
    at.found = os::Exists(at.path) && !os::IsDirectory(at.path);
    if (!at.found) Hint(name, at);
    return at;
  }
  at.disk = DriveFor(k);
  auto folder = diskFolder_.find(at.disk);
  if (folder != diskFolder_.end()) {
    at.path = folder->second + name;
    at.found = os::Exists(at.path) && !os::IsDirectory(at.path);
    if (at.found) return at;
  } else {
    at.noteJa = " disk" + Num(at.disk) + " フォルダがありません。";
    at.noteEn = " There is no disk" + Num(at.disk) + "/ folder.";
  }
  for (const auto& d : diskFolder_) {
    if (d.first == at.disk || !os::Exists(d.second + name)) continue;
    if (session_.RecordAt(k).disk == 1 && d.first == 1) {
      at.noteJa = " disk1 にありますが、" + Num(at.disk) + " 枚目の後の1枚目の記録では1枚目は求められず、" + Num(at.disk) +
                  " 枚目が入ったままです。";
      at.noteEn = " It lies on disk1/, but the run never asks for disk 1 again after disk " + Num(at.disk) +
                  ", which is still in the drive.";
    } else {
      at.noteJa = " " + d.second.substr(root_.size(), d.second.size() - root_.size() - 1) + " フォルダにあります。";
      at.noteEn = " It lies in " + d.second.substr(root_.size(), d.second.size() - root_.size() - 1) + "/.";
    }
    at.misplacedDisk = d.first;
    break;
  }
  if (at.noteJa.empty()) Hint(name, at);
  return at;
}

void Checker::Hint(const std::string& name, Located& at) {
  std::string upper = text::UpperAscii(name);
  if (upper.size() > 8 && upper.compare(upper.size() - 8, 8, ".LZH.LZH") == 0) {
    at.noteJa = " 書庫名には .lzh を付けずに書きます。";
    at.noteEn = " Archive names are written without .lzh.";
  }
}

}  // namespace check
