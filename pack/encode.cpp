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

// ---- encoding -------------------------------------------------------------
// Each member is encoded on its own, with a fresh encoder: on many small
// files that compresses better than costs carried from member to member.
bool Builder::EncodeOne(const engine::FolderMember& m, Blob& blob) {
  const std::string shown = text::ShownPath(m.source.substr(source_.size()), '/');
  lzh::EncodeOptions eo;
  eo.method = options_.method;
  eo.level = 2;
  ScratchOutput out(scratch_, scratchEnd_);
  lzh::ArchiveWriter writer(out, eo);
  const lzh::NewMember member = engine::MemberFromFile(m.source, m.name, m.directory);
  bool openFailed;
  lzh::EncodeStatus s = engine::AddFromFile(writer, member, m.source, nullptr, openFailed);
  if (openFailed) {
    Fail(shown, 0, "読めません。", "cannot be read.");
    return false;
  }
  if (s == lzh::EncodeStatus::Ok) s = writer.Finish();
  if (s != lzh::EncodeStatus::Ok) {
    Fail(shown, 0, std::string("書庫に入れられません: ") + lzh::EncodeStatusName(s),
         std::string("cannot be archived: ") + lzh::EncodeStatusName(s));
    return false;
  }
  blob.shown = shown;
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
  std::vector<engine::FolderMember> members;
  engine::ListFolderMembers(dir, "", members);
  // The files first, then the empty folders.
  std::stable_partition(members.begin(), members.end(), [](const engine::FolderMember& m) { return !m.directory; });
  if (members.empty()) {
    Fail(kSourceFile, line, "フォルダ " + folder + " にファイルがありません。", "the folder " + folder + " holds no file.");
    return false;
  }
  bool ok = true;
  std::set<std::string> names;
  for (const engine::FolderMember& f : members) {
    if (f.directory) continue;
    const std::string shown = text::ShownPath(f.source.substr(source_.size()), '/');
    // A name the file system gave that code page 932 cannot hold arrives
    // with '?', which no Windows file name contains.
    if (text::FindChar(f.name, '?') != std::string::npos) {
      Fail(shown, 0, "名前をシフトJIS（コードページ932）で表せません。", "its name cannot be represented in code page 932.");
      ok = false;
    } else if (!names.insert(text::UpperAscii(f.name)).second) {
      Fail(shown, 0, "大文字小文字だけが違う同名のファイルがあります（Windows では同じ名前です）。",
           "another file has the same name but for letter case (one name on Windows).");
      ok = false;
    }
  }
  if (!ok) return false;
  for (const engine::FolderMember& m : members) {
    Blob b;
    if (!EncodeOne(m, b)) return false;
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
