// The medium built from a checked plan: every member of every archive is
// encoded first (so that sizes are known and every failure is found before
// anything is written), the archives and files are laid out on disks, the
// medium is written into a folder beside the output, checked with the medium
// check and renamed into place.
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

}  // namespace

void Builder::Run() {
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

void Builder::Fail(const std::string& file, int line, const std::string& ja, const std::string& en) {
  AddProblem(outcome_.problems, file, line, ja, en);
}

bool Builder::CheckOutput() {
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

// ---- writing ----------------------------------------------------------------
bool Builder::WriteFile(const std::string& folder, const OutFile& f) {
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
bool Builder::ChooseStaging() {
  for (int n = 1; n < 1000 && staging_.empty(); ++n) {
    std::string candidate = output_ + ".pack" + Num(n);
    if (!os::Exists(candidate) && !os::Exists(candidate + ".tmp")) staging_ = candidate;
  }
  if (staging_.empty()) Fail(output_, 0, "作業フォルダの名前が決まりません。", "no free name for the work folder beside the output.");
  return !staging_.empty();
}

void Builder::Write() {
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
