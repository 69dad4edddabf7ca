// The medium built from a checked plan: every member of every archive is
// encoded first (so that sizes are known and every failure is found before
// anything is written), the archives and files are laid out on disks, the
// medium is written into a folder beside the output, checked with the medium
// check and renamed into place.
#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "engine/run_rules.h"
#include "engine/archive_files.h"
#include "lzh/encoder.h"
#include "os/archive_io.h"
#include "os/os.h"
#include "pack/pack_internal.h"
#include "text/cp932.h"

namespace pack {
namespace {

std::string Num(long long n) { return std::to_string(n); }

// One member of an archive as encoded: its header and data, ready to be
// joined with others into any archive (level 2 headers stand alone). The
// bytes wait in a scratch file, so memory does not grow with the medium.
struct Blob {
  std::string shown;  // the source file, relative to the source folder, for messages
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
};

// The encoder's output into the scratch file from `base` on: the encoder
// sees an archive starting at 0.
class ScratchOutput : public lzh::Output {
 public:
  ScratchOutput(os::OutputFile& file, std::uint64_t base) : file_(file), base_(base) {}
  bool Write(const void* data, std::size_t size) override {
    pos_ += size;
    return file_.Write(data, size);
  }
  bool Seek(std::uint64_t offset) override {
    pos_ = offset;
    return file_.Seek(base_ + offset);
  }
  bool Truncate() override { return file_.Truncate(); }
  std::uint64_t Position() const { return pos_; }

 private:
  os::OutputFile& file_;
  std::uint64_t base_;
  std::uint64_t pos_ = 0;
};

// One file of the medium: copied from the source, or written from bytes or
// from encoded members (an archive: the members, then the end marker).
struct OutFile {
  std::string name;
  std::string copyFrom;
  std::string bytes;
  std::vector<const Blob*> blobs;
  bool archive = false;
  std::uint64_t Size() const {
    if (!archive) return copyFrom.empty() ? bytes.size() : size;
    std::uint64_t s = 1;
    for (const Blob* b : blobs) s += b->size;
    return s;
  }
  std::uint64_t size = 0;  // of a copied file
};

struct RecordOut {
  int disk = 1;
  bool archive = true;
  std::string name;
  std::string into;
};

std::uint64_t Clusters(std::uint64_t size) { return (size + kClusterBytes - 1) / kClusterBytes; }

std::string Shown(const std::string& relative) {
  std::string out;
  for (std::size_t i = 0; i < relative.size();) {
    std::size_t n = text::CharLength(relative, i);
    out += n == 1 && relative[i] == '\\' ? std::string("/") : relative.substr(i, n);
    i += n;
  }
  return out;
}

void RemoveTree(const std::string& path) {
  if (!os::IsDirectory(path)) {
    os::RemoveFile(path);
    return;
  }
  for (const os::FindEntry& e : os::FindFiles(text::WithTrailingSeparator(path) + "*")) {
    if (e.name == "." || e.name == "..") continue;
    RemoveTree(text::WithTrailingSeparator(path) + e.name);
  }
  os::RemoveEmptyFolder(path);
}

bool IsEmptyFolder(const std::string& path) {
  for (const os::FindEntry& e : os::FindFiles(text::WithTrailingSeparator(path) + "*")) {
    if (e.name != "." && e.name != "..") return false;
  }
  return true;
}

class Builder {
 public:
  Builder(const std::string& sourceDir, const std::string& outputDir, const Options& options, Outcome& outcome)
      : source_(text::WithTrailingSeparator(sourceDir)), output_(outputDir), options_(options), outcome_(outcome) {
    while (output_.size() > 1 && text::EndsWithSeparator(output_)) output_.pop_back();
  }

  void Run() {
    if (!CheckOutput() || !ChooseStaging()) return;
    scratchPath_ = staging_ + ".tmp";
    bool ok = ReadPlan(source_, plan_, outcome_.problems);
    if (!CheckPictures(source_, plan_, outcome_.problems) || !ok) return;
    if (Encode() && Place()) {
      if (scratch_.Close() && scratchIn_.Open(scratchPath_)) {
        Write();
      } else {
        Fail(output_, 0, "作業ファイルを書けません。", "cannot write the work file beside the output.");
      }
    }
    scratch_.Close();
    scratchIn_.Close();
    os::RemoveFile(scratchPath_);
  }

 private:
  void Fail(const std::string& file, int line, const std::string& ja, const std::string& en) {
    AddProblem(outcome_.problems, file, line, ja, en);
  }

  bool CheckOutput() {
    // The medium is built beside the output and renamed: the output must be
    // a folder of its own, not the root of a drive.
    if (output_.empty() || output_.back() == ':' || text::EndsWithSeparator(output_)) {
      Fail(output_, 0, "出力先にはドライブのルートではなくフォルダを指定してください。",
           "the output must be a folder, not the root of a drive.");
      return false;
    }
    if (os::Exists(output_) && !os::IsDirectory(output_)) {
      Fail(output_, 0, "出力先がファイルです。", "the output is a file, not a folder.");
      return false;
    }
    if (os::IsDirectory(output_) && !IsEmptyFolder(output_) && !options_.force) {
      Fail(output_, 0, "出力先のフォルダが空ではありません（置き換えるには --force）。",
           "the output folder is not empty (--force replaces it).");
      return false;
    }
    if (!options_.exe.empty() && (!os::Exists(options_.exe) || os::IsDirectory(options_.exe))) {
      Fail(options_.exe, 0, "Brelix.exe がありません。", "Brelix.exe is missing.");
      return false;
    }
    return true;
  }

  // ---- encoding -------------------------------------------------------------

  // Every file below `folder` (relative to the source folder), sorted by
  // name, under names relative to it; an empty subfolder as a folder member.
  void Walk(const std::string& folder, const std::string& prefix, std::vector<std::pair<std::string, std::string>>& out,
            std::vector<std::string>& emptyFolders) {
    const std::string dir = text::WithTrailingSeparator(source_ + folder);
    std::vector<os::FindEntry> found = os::FindFiles(dir + "*");
    std::sort(found.begin(), found.end(), [](const os::FindEntry& a, const os::FindEntry& b) { return a.name < b.name; });
    std::size_t before = out.size();
    for (const os::FindEntry& e : found) {
      if (e.name == "." || e.name == "..") continue;
      const std::string rel = text::WithTrailingSeparator(folder) + e.name;
      if (e.directory) {
        Walk(rel, prefix + e.name + '\\', out, emptyFolders);
      } else {
        out.emplace_back(rel, prefix + e.name);
      }
    }
    if (out.size() == before && !prefix.empty()) emptyFolders.push_back(prefix);
  }

  lzh::NewMember MemberOf(const std::string& path, const std::string& name, bool directory) {
    lzh::NewMember m;
    m.path = name;
    m.directory = directory;
    std::int64_t unixTime = 0;
    std::uint32_t dosTime = 0;
    if (os::LastWriteTime(path, unixTime, dosTime)) {
      m.unixTime = unixTime;
      m.dosTime = dosTime;
    }
    std::uint32_t attributes = 0;
    m.attributes = 0x20 | (os::GetAttributes(path, attributes) ? (attributes & 0x07) : 0);
    return m;
  }

  // Encodes one member alone into the scratch file, where its end marker is
  // overwritten by the next member.
  bool EncodeOne(const std::string& rel, const std::string& name, bool directory, Blob& blob) {
    lzh::EncodeOptions eo;
    eo.method = options_.method;
    eo.level = 2;
    ScratchOutput out(scratch_, scratchEnd_);
    lzh::ArchiveWriter writer(out, eo);
    const std::string path = source_ + rel;
    lzh::EncodeStatus s;
    if (directory) {
      s = writer.Add(MemberOf(path, name, true), nullptr);
    } else {
      os::InputFile in;
      if (!in.Open(path)) {
        Fail(Shown(rel), 0, "読めません。", "cannot be read.");
        return false;
      }
      engine::FileEncodeSource src(in);
      s = writer.Add(MemberOf(path, name, false), &src);
    }
    if (s == lzh::EncodeStatus::Ok) s = writer.Finish();
    if (s != lzh::EncodeStatus::Ok) {
      Fail(Shown(rel), 0, std::string("書庫に入れられません: ") + lzh::EncodeStatusName(s),
           std::string("cannot be archived: ") + lzh::EncodeStatusName(s));
      return false;
    }
    blob.shown = Shown(rel);
    blob.offset = scratchEnd_;
    blob.size = out.Position() - 1;
    scratchEnd_ += blob.size;
    return true;
  }

  struct Archive {
    std::string name;  // medium base name (START2, PROG)
    int line = 0;
    std::vector<Blob> blobs;
  };

  bool EncodeFolder(const std::string& folder, int line, Archive& archive) {
    const std::string dir = source_ + folder;
    if (folder.empty() || !os::IsDirectory(dir)) {
      Fail(kSourceFile, line, "フォルダ " + folder + " がありません。", "the folder " + folder + " is missing.");
      return false;
    }
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> emptyFolders;
    Walk(folder, "", files, emptyFolders);
    if (files.empty() && emptyFolders.empty()) {
      Fail(kSourceFile, line, "フォルダ " + folder + " にファイルがありません。", "the folder " + folder + " holds no file.");
      return false;
    }
    bool ok = true;
    std::set<std::string> names;
    for (const auto& f : files) {
      // A name the file system gave that code page 932 cannot hold arrives
      // with '?', which no Windows file name contains.
      if (text::FindChar(f.second, '?') != std::string::npos) {
        Fail(Shown(f.first), 0, "名前をシフトJIS（コードページ932）で表せません。", "its name cannot be represented in code page 932.");
        ok = false;
      } else if (!names.insert(text::UpperAscii(f.second)).second) {
        Fail(Shown(f.first), 0, "大文字小文字だけが違う同名のファイルがあります（Windows では同じ名前です）。",
             "another file has the same name but for letter case (one name on Windows).");
        ok = false;
      }
    }
    if (!ok) return false;
    for (const auto& f : files) {
      Blob b;
      if (!EncodeOne(f.first, f.second, false, b)) return false;
      archive.blobs.push_back(std::move(b));
    }
    for (const std::string& d : emptyFolders) {
      Blob b;
      if (!EncodeOne(folder + '\\' + d, d, true, b)) return false;
      archive.blobs.push_back(std::move(b));
    }
    return true;
  }

  bool Encode() {
    if (!scratch_.Create(scratchPath_)) {
      Fail(output_, 0, "作業ファイルを作れません。", "cannot create a work file beside the output.");
      return false;
    }
    std::vector<int> indexes = SelectableIndexes(plan_);
    encoded_.resize(plan_.items.size());
    bool ok = true;
    for (std::size_t k = 0; k < plan_.items.size(); ++k) {
      const Item& item = plan_.items[k];
      if (!item.archive) {
        const std::string path = source_ + item.source;
        os::InputFile in;
        if (!os::Exists(path) || os::IsDirectory(path) || !in.Open(path)) {
          Fail(kSourceFile, item.sourceLine ? item.sourceLine : item.line, "ファイル " + item.source + " がありません。",
               "the file " + item.source + " is missing.");
          ok = false;
        }
        continue;
      }
      if (engine::IsStartArchive(item.name)) {
        for (int index : indexes) {
          Archive a;
          a.name = item.name + engine::StartSuffix(index);
          auto v = item.variants.find(index);
          a.line = v != item.variants.end() ? item.variantLines.at(index) : item.folderLine;
          ok = EncodeFolder(v != item.variants.end() ? v->second : item.folder, a.line, a) && ok;
          encoded_[k].push_back(std::move(a));
        }
      } else {
        Archive a;
        a.name = item.name;
        a.line = item.folderLine ? item.folderLine : item.line;
        ok = EncodeFolder(item.folder, a.line, a) && ok;
        encoded_[k].push_back(std::move(a));
      }
    }
    return ok;
  }

  // ---- layout -----------------------------------------------------------------

  struct DiskUse {
    std::uint64_t clusters = 0;
    int entries = 0;
    std::vector<OutFile> files;
  };

  bool Floppy() const { return options_.media == Media::Floppy; }

  bool Fits(const DiskUse& d, std::uint64_t clusters, int entries) const {
    if (!Floppy()) return true;
    // One root entry goes to the volume label.
    return d.clusters + clusters <= kFloppyBytes / kClusterBytes && d.entries + entries <= kFloppyRootEntries - 1;
  }

  static void Put(DiskUse& d, OutFile f) {
    d.clusters += Clusters(f.Size());
    d.entries += DirectoryEntries(f.name);
    d.files.push_back(std::move(f));
  }

  OutFile ArchiveFile(const std::string& name, const std::vector<Blob>& blobs, std::size_t from, std::size_t to) {
    OutFile f;
    f.name = name + ".lzh";
    f.archive = true;
    for (std::size_t i = from; i < to; ++i) f.blobs.push_back(&blobs[i]);
    return f;
  }

  // Lays the medium out with `infoBytes` reserved for info.txt on disk 1.
  bool LayOut(std::uint64_t infoBytes, std::vector<DiskUse>& disks, std::vector<RecordOut>& records) {
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

  bool Place() {
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

  // ---- writing ----------------------------------------------------------------

  bool WriteFile(const std::string& folder, const OutFile& f) {
    const std::string path = folder + f.name;
    if (!f.copyFrom.empty()) return os::CopyFileReplace(f.copyFrom, path);
    os::OutputFile out;
    if (!out.Create(path)) return false;
    if (f.archive) {
      std::vector<char> buffer(65536);
      for (const Blob* b : f.blobs) {
        if (!scratchIn_.Seek(b->offset)) return false;
        for (std::uint64_t left = b->size; left > 0;) {
          std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
          if (scratchIn_.Read(buffer.data(), n) != static_cast<long long>(n) || !out.Write(buffer.data(), n)) return false;
          left -= n;
        }
      }
      if (!out.Write(std::string(1, '\0'))) return false;
    } else if (!out.Write(f.bytes)) {
      return false;
    }
    return out.Close();
  }

  // The folder the medium is built in, beside the output: OUTPUT.pack1, ...
  bool ChooseStaging() {
    for (int n = 1; n < 1000 && staging_.empty(); ++n) {
      std::string candidate = output_ + ".pack" + Num(n);
      if (!os::Exists(candidate) && !os::Exists(candidate + ".tmp")) staging_ = candidate;
    }
    if (staging_.empty()) Fail(output_, 0, "作業フォルダの名前が決まりません。", "no free name for the work folder beside the output.");
    return !staging_.empty();
  }

  void Write() {
    const std::string staging = staging_;
    if (!os::MakeFolder(staging)) {
      Fail(output_, 0, "作業フォルダを作れません。", "cannot create the work folder beside the output.");
      return;
    }
    const std::string root = text::WithTrailingSeparator(staging);
    for (std::size_t i = 0; i < disks_.size(); ++i) {
      Disk disk;
      disk.folder = Floppy() ? "disk" + Num(static_cast<long long>(i + 1)) : "";
      const std::string folder = Floppy() ? root + disk.folder + '\\' : root;
      if (Floppy() && !os::MakeFolder(root + disk.folder)) {
        Fail(output_, 0, "フォルダ " + disk.folder + " を作れません。", "cannot create the folder " + disk.folder + ".");
        RemoveTree(staging);
        return;
      }
      for (const OutFile& f : disks_[i].files) {
        if (!WriteFile(folder, f)) {
          Fail(output_, 0, f.name + " を書けません。", "cannot write " + f.name + ".");
          RemoveTree(staging);
          return;
        }
        disk.files.push_back(f.name);
        disk.bytes += f.Size();
      }
      disk.occupied = disks_[i].clusters * kClusterBytes;
      disk.entries = disks_[i].entries;
      outcome_.disks.push_back(disk);
    }
    outcome_.report = check::CheckMedium(staging);
    outcome_.checked = true;
    if (outcome_.report.ExitStatus() >= 2) {
      RemoveTree(staging);
      return;
    }
    std::string iso;
    if (options_.images) {
      bool ok = true;
      if (Floppy()) {
        for (std::size_t i = 0; i < disks_.size() && ok; ++i) {
          const std::string name = "disk" + Num(static_cast<long long>(i + 1));
          ok = MakeFloppyImage(root + name, outcome_.disks[i].files, root + name + ".img", static_cast<int>(i + 1), outcome_.problems);
          if (ok) outcome_.images.push_back(text::WithTrailingSeparator(output_) + name + ".img");
        }
      } else {
        iso = staging + ".iso";
        ok = MakeCdImage(staging, iso, outcome_.problems);
      }
      if (!ok) {
        RemoveTree(staging);
        if (!iso.empty()) os::RemoveFile(iso);
        return;
      }
    }
    // Into place: an empty (or, with --force, any) output folder goes first.
    std::string old;
    if (os::IsDirectory(output_)) {
      if (IsEmptyFolder(output_)) {
        os::RemoveEmptyFolder(output_);
      } else {
        old = staging + ".old";
        if (!os::MoveReplace(output_, old)) old.clear();
      }
    }
    if (!os::MoveReplace(staging, output_)) {
      if (!old.empty()) os::MoveReplace(old, output_);
      Fail(output_, 0, "出力先に移せません。", "cannot move the medium into place.");
      RemoveTree(staging);
      if (!iso.empty()) os::RemoveFile(iso);
      return;
    }
    if (!old.empty()) RemoveTree(old);
    if (!iso.empty()) {
      if (os::MoveReplace(iso, output_ + ".iso")) {
        outcome_.images.push_back(output_ + ".iso");
      } else {
        Fail(output_ + ".iso", 0, "ISO イメージを置けません。", "cannot move the ISO image into place.");
      }
    }
  }

  static constexpr const char* kInfoTxtName = "info.txt";

  std::string source_;
  std::string output_;
  Options options_;
  Outcome& outcome_;
  Plan plan_;
  std::vector<std::vector<Archive>> encoded_;  // per item
  std::vector<DiskUse> disks_;
  std::string info_;
  std::string staging_;
  std::string scratchPath_;
  os::OutputFile scratch_;
  std::uint64_t scratchEnd_ = 0;
  os::InputFile scratchIn_;
};

}  // namespace

int DirectoryEntries(const std::string& name) {
  int chars = 0;
  for (std::size_t i = 0; i < name.size(); i += text::CharLength(name, i)) ++chars;
  return 1 + (chars + 12) / 13;
}

Outcome Pack(const std::string& sourceDir, const std::string& outputDir, const Options& options) {
  Outcome outcome;
  Builder(sourceDir, outputDir, options, outcome).Run();
  return outcome;
}

}  // namespace pack
