// Building an update medium from an author's source folder: the descriptor
// info.txt written from a small INI file (medium.ini), the archives made with
// our own encoder, the pictures and single files copied, laid out on floppy
// disks, a CD or a plain folder. Every rule the update run enforces is
// checked before anything is written; the medium is built beside the output
// folder and renamed into place only after the medium check passes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "check/medium_check.h"
#include "lzh/header.h"

namespace pack {

// The author's file in the source folder (UTF-8).
extern const char kSourceFile[];

enum class Media { Floppy, Cd, Folder };

// A formatted 1.44 MB floppy: 2847 clusters of 512 bytes after the boot
// sector, two FATs of 9 sectors and a root directory of 224 entries.
constexpr std::uint64_t kFloppyBytes = 1457664;
constexpr std::uint64_t kClusterBytes = 512;
constexpr int kFloppyRootEntries = 224;

struct Options {
  Media media = Media::Folder;
  lzh::Method method = lzh::Method::Lh5;
  // Brelix.exe for disk 1; empty for a medium without the program (tests).
  std::string exe;
  // Floppy: diskN.img (FAT12) beside each diskN folder; CD: OUTPUT.iso.
  bool images = false;
  // Replace an OUTPUT folder that is not empty.
  bool force = false;
};

// Something the medium cannot be built with: where in the source (a file
// relative to the source folder, and its line, 0 for the whole file) and why.
struct Problem {
  std::string file;
  int line = 0;
  std::string ja;  // code page 932
  std::string en;
  std::string Where() const;  // "medium.ini:12" or "prog/a.txt"
};

// One disk (or the one folder) as written.
struct Disk {
  std::string folder;  // "disk1", ... ("" for a one-folder medium)
  std::vector<std::string> files;
  std::uint64_t bytes = 0;     // sum of the file sizes
  std::uint64_t occupied = 0;  // in whole clusters (floppy only)
  int entries = 0;             // root directory entries taken (floppy only)
};

struct Outcome {
  std::vector<Problem> problems;  // empty when the medium was written
  bool checked = false;           // the final check ran
  check::Report report;           // its findings
  std::vector<Disk> disks;
  std::vector<std::string> images;  // image files written
  bool Ok() const { return problems.empty() && (!checked || report.ExitStatus() < 2); }
};

// Builds the medium described by `sourceDir`/medium.ini into `outputDir`
// (both code page 932 paths). `outputDir` must be absent or empty unless
// options.force; on failure it is left as it was.
Outcome Pack(const std::string& sourceDir, const std::string& outputDir, const Options& options);

// The info.txt that a one-folder medium of `sourceDir` gets (every record on
// disk 1), from medium.ini alone: nothing is encoded, copied or written.
bool FolderDescriptor(const std::string& sourceDir, std::string& descriptor, std::vector<Problem>& problems);

// Root directory entries one file takes on a FAT floppy: its short entry and
// the long-name entries of up to 13 characters each.
int DirectoryEntries(const std::string& name);

}  // namespace pack
