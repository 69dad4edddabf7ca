// The medium laid out on disks: on floppies every file counted in whole
// clusters and root directory entries, an archive never split across disks.
#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "engine/archive_files.h"
#include "engine/run_rules.h"
#include "lzh/encoder.h"
#include "os/archive_io.h"
#include "os/os.h"
#include "pack/builder.h"
#include "text/cp932.h"

namespace pack {
namespace {

std::uint64_t Clusters(std::uint64_t size) { return (size + kClusterBytes - 1) / kClusterBytes; }

}  // namespace

bool Builder::Fits(const DiskUse& d, std::uint64_t clusters, int entries) const {
  if (!Floppy()) return true;
  // One root entry goes to the volume label.
  return d.clusters + clusters <= kFloppyBytes / kClusterBytes && d.entries + entries <= kFloppyRootEntries - 1;
}

void Builder::Put(DiskUse& d, OutFile f) {
  d.clusters += Clusters(f.Size());
  d.entries += DirectoryEntries(f.name);
  d.files.push_back(std::move(f));
}

OutFile Builder::ArchiveFile(const std::string& name, const std::vector<Blob>& blobs, std::size_t from, std::size_t to) {
  OutFile f;
  f.name = name + ".lzh";
  f.archive = true;
  for (std::size_t i = from; i < to; ++i) f.blobs.push_back(&blobs[i]);
  return f;
}

// Lays the medium out with `infoBytes` reserved for info.txt on disk 1.
bool Builder::LayOut(std::uint64_t infoBytes, std::vector<DiskUse>& disks, std::vector<RecordOut>& records) {
  disks.assign(1, DiskUse());
  records.clear();
  std::vector<OutFile> first;
  if (!options_.exe.empty()) {
    OutFile exe;
    exe.name = "Brelix.exe";
    exe.copyFrom = options_.exe;
    os::InputFile in;
    exe.size = in.Open(options_.exe) ? static_cast<std::uint64_t>(in.Size()) : 0;
    first.push_back(exe);
  }
  OutFile info;
  info.name = kInfoTxtName;
  info.bytes.assign(static_cast<std::size_t>(infoBytes), ' ');
  first.push_back(info);
  std::set<std::string> pictures;
  for (int i = 0; i < 4; ++i) {
    if (plan_.pictureFrom[i].empty() || !pictures.insert(text::UpperAscii(plan_.pictures[i])).second) continue;
    OutFile p;
    p.name = plan_.pictures[i];
    p.copyFrom = source_ + plan_.pictureFrom[i];
    os::InputFile in;
    p.size = in.Open(p.copyFrom) ? static_cast<std::uint64_t>(in.Size()) : 0;
    first.push_back(p);
  }
  for (OutFile& f : first) {
    if (!Fits(disks[0], Clusters(f.Size()), DirectoryEntries(f.name))) {
      Fail(kSourceFile, 0, "Brelix.exe、info.txt と画像だけで1枚目のフロッピーに入りません。",
           "Brelix.exe, info.txt and the pictures alone do not fit on the first floppy.");
      return false;
    }
    Put(disks[0], std::move(f));
  }
  for (std::size_t k = 0; k < plan_.items.size(); ++k) {
    const Item& item = plan_.items[k];
    std::vector<OutFile> unit;
    if (!item.archive) {
      OutFile f;
      f.name = item.name;
      f.copyFrom = source_ + item.source;
      os::InputFile in;
      f.size = in.Open(f.copyFrom) ? static_cast<std::uint64_t>(in.Size()) : 0;
      unit.push_back(f);
    } else {
      for (const Archive& a : encoded_[k]) unit.push_back(ArchiveFile(a.name, a.blobs, 0, a.blobs.size()));
    }
    std::uint64_t clusters = 0;
    int entries = 0;
    for (const OutFile& f : unit) {
      clusters += Clusters(f.Size());
      entries += DirectoryEntries(f.name);
    }
    DiskUse fresh;
    if (!Fits(disks.back(), clusters, entries) && Fits(fresh, clusters, entries)) disks.emplace_back();
    if (Fits(disks.back(), clusters, entries)) {
      for (OutFile& f : unit) Put(disks.back(), std::move(f));
      records.push_back({static_cast<int>(disks.size()), item.archive, item.name, item.into});
      continue;
    }
    // Larger than a whole disk. A file, the variants of START (one record,
    // one disk) and EXCEL (the template check looks for that name only)
    // cannot be split.
    if (!item.archive || engine::IsStartArchive(item.name) || engine::IsExcelArchive(item.name)) {
      Fail(kSourceFile, item.line,
           "1枚のフロッピー（" + Num(static_cast<long long>(kFloppyBytes)) + " バイト）に入りません" +
               (item.archive ? "（この書庫は分割できません）。" : "。"),
           "does not fit on one floppy (" + Num(static_cast<long long>(kFloppyBytes)) + " bytes)" +
               (item.archive ? "; this archive cannot be split." : "."));
      return false;
    }
    // Split into archives of the same destination, one per disk, each
    // holding as many members as fit.
    const Archive& a = encoded_[k][0];
    std::size_t from = 0;
    int part = 1;
    while (from < a.blobs.size()) {
      std::size_t to = from;
      std::uint64_t bytes = 1;
      std::string name = part == 1 ? item.name : item.name + "_" + Num(part);
      const int nameEntries = DirectoryEntries(name + ".lzh");
      while (to < a.blobs.size() && Fits(disks.back(), Clusters(bytes + a.blobs[to].size), nameEntries)) {
        bytes += a.blobs[to].size;
        ++to;
      }
      if (to == from) {
        if (Fits(fresh, Clusters(1 + a.blobs[from].size), nameEntries) && !disks.back().files.empty()) {
          disks.emplace_back();
          continue;
        }
        Fail(a.blobs[from].shown, 0, "圧縮しても1枚のフロッピーに入りません。", "does not fit on one floppy even compressed.");
        return false;
      }
      if (name.size() > kRecordFieldMaxBytes) {
        Fail(kSourceFile, item.line, "分割した書庫の名前 " + name + " が31バイトを超えます。",
             "the split archive's name " + name + " is longer than 31 bytes.");
        return false;
      }
      Put(disks.back(), ArchiveFile(name, a.blobs, from, to));
      records.push_back({static_cast<int>(disks.size()), true, name, item.into});
      from = to;
      ++part;
    }
  }
  return true;
}

bool Builder::Place() {
  std::vector<DiskUse> disks;
  std::vector<RecordOut> records;
  std::uint64_t reserve = 0;
  // info.txt holds the disk numbers the layout gives: lay out again until
  // the room reserved for it is enough.
  for (int round = 0; round < 4; ++round) {
    if (!LayOut(reserve, disks, records)) return false;
    std::vector<std::string> lines;
    for (const RecordOut& r : records) lines.push_back(RecordLine(r.disk, r.archive, r.name, r.into));
    info_ = InfoText(plan_, lines);
    if (!Floppy() || info_.size() <= reserve) break;
    reserve = Clusters(info_.size()) * kClusterBytes;
  }
  if (records.size() > static_cast<std::size_t>(kMaxRecords)) {
    Fail(kSourceFile, 0, "分割した書庫を含めて記録が " + Num(static_cast<long long>(records.size())) + " 件になり、100件を超えます。",
         "with the split archives the medium has " + Num(static_cast<long long>(records.size())) +
             " records, over 100.");
    return false;
  }
  // Two files of one name on one disk would overwrite each other; across
  // disks the run would read the wrong one.
  std::map<std::string, std::string> seen;
  for (const DiskUse& d : disks) {
    for (const OutFile& f : d.files) {
      if (!seen.emplace(text::UpperAscii(f.name), f.name).second) {
        Fail(kSourceFile, 0, "媒体に同じ名前のファイル " + f.name + " が2つできます。",
             "two files of the medium would have the name " + f.name + ".");
        return false;
      }
    }
  }
  for (DiskUse& d : disks) {
    for (OutFile& f : d.files) {
      if (f.name == kInfoTxtName) f.bytes = info_;
    }
  }
  disks_ = std::move(disks);
  return true;
}

}  // namespace pack
