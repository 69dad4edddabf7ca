// Every member of every archive encoded alone into one scratch file beside
// the output, so that sizes are known before the layout and memory does not
// grow with the medium.
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

std::string Shown(const std::string& relative) {
  std::string out;
  for (std::size_t i = 0; i < relative.size();) {
    std::size_t n = text::CharLength(relative, i);
    out += n == 1 && relative[i] == '\\' ? std::string("/") : relative.substr(i, n);
    i += n;
  }
  return out;
}

}  // namespace

// ---- encoding -------------------------------------------------------------
// Every file below `folder` (relative to the source folder), sorted by
// name, under names relative to it; an empty subfolder as a folder member.
void Builder::Walk(const std::string& folder, const std::string& prefix,
                   std::vector<std::pair<std::string, std::string>>& out, std::vector<std::string>& emptyFolders) {
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

lzh::NewMember Builder::MemberOf(const std::string& path, const std::string& name, bool directory) {
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
bool Builder::EncodeOne(const std::string& rel, const std::string& name, bool directory, Blob& blob) {
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

bool Builder::EncodeFolder(const std::string& folder, int line, Archive& archive) {
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

bool Builder::Encode() {
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

}  // namespace pack
