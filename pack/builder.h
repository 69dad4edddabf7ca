// The medium builder's working parts, shared by its three files:
//   build.cpp    the run: output checks, the staging folder, writing, the
//                medium check and the rename into place
//   encode.cpp   every member of every archive encoded into a scratch file
//   layout.cpp   archives and files laid out on disks (floppies: clusters
//                and root entries), info.txt and the records
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/archive_files.h"
#include "lzh/encoder.h"
#include "os/os.h"
#include "pack/pack.h"
#include "pack/pack_internal.h"
#include "text/cp932.h"

namespace pack {

inline std::string Num(long long n) { return std::to_string(n); }

// One member of an archive as encoded: its header and data, ready to be
// joined with others into any archive (level 2 headers stand alone). The
// bytes wait in a scratch file, so memory does not grow with the medium.
struct Blob {
  std::string shown;  // the source file, relative to the source folder, for messages
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
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

class Builder {
 public:
  Builder(const std::string& sourceDir, const std::string& outputDir, const Options& options, Outcome& outcome)
      : source_(text::WithTrailingSeparator(sourceDir)), output_(outputDir), options_(options), outcome_(outcome) {
    while (output_.size() > 1 && text::EndsWithSeparator(output_)) output_.pop_back();
  }

  Builder(const Builder&) = delete;
  Builder& operator=(const Builder&) = delete;

  void Run();

 private:
  void Fail(const std::string& file, int line, const std::string& ja, const std::string& en);
  bool CheckOutput();

  // ---- encoding (encode.cpp) --------------------------------------------------

  // Encodes one member alone into the scratch file, where its end marker is
  // overwritten by the next member.
  bool EncodeOne(const engine::FolderMember& m, Blob& blob);

  struct Archive {
    std::string name;  // medium base name (START2, PROG)
    int line = 0;
    std::vector<Blob> blobs;
  };
  bool EncodeFolder(const std::string& folder, int line, Archive& archive);
  bool Encode();

  // ---- layout (layout.cpp) -----------------------------------------------------

  struct DiskUse {
    std::uint64_t clusters = 0;
    int entries = 0;
    std::vector<OutFile> files;
  };

  bool Floppy() const { return options_.media == Media::Floppy; }

  bool Fits(const DiskUse& d, std::uint64_t clusters, int entries) const;
  static void Put(DiskUse& d, OutFile f);
  OutFile ArchiveFile(const std::string& name, const std::vector<Blob>& blobs, std::size_t from, std::size_t to);

  // Lays the medium out with `infoBytes` reserved for info.txt on disk 1.
  bool LayOut(std::uint64_t infoBytes, std::vector<DiskUse>& disks, std::vector<RecordOut>& records);
  bool Place();

  // ---- writing (build.cpp) -----------------------------------------------------

  bool WriteFile(const std::string& folder, const OutFile& f);

  // The folder the medium is built in, beside the output: OUTPUT.pack1, ...
  bool ChooseStaging();
  void Write();
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

}  // namespace pack
