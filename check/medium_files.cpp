// The records' archives and files and the wizard's pictures: archives are
// walked with the decoder in the order the extraction component walks them,
// pictures go through the wizard's own reader.
#include "check/checker.h"

#include <cstdint>
#include <map>
#include <set>
#include <utility>

#include "engine/archive_inspect.h"
#include "engine/run_rules.h"
#include "gfx/bmp_read.h"
#include "lzh/decoder.h"
#include "os/os.h"
#include "text/cp932.h"

namespace check {
namespace {

const char kTemplateName[] = "横K-R7q.xlsm";
const char kTemplateFolder[] = "形式\\";

// Walks the archive in the order the extraction component does: headers,
// each member judged as the extraction judges it, then the data and its CRC.
ArchiveResult TestArchive(const std::string& path) {
  ArchiveResult r;
  auto fail = [&r](const char* code, const std::string& member, const std::string& ja, const std::string& en) {
    r.ok = false;
    r.code = code;
    r.member = member;
    r.ja = ja;
    r.en = en;
    return r;
  };
  os::InputFile file;
  if (!file.Open(path)) return fail("archive.unreadable", "", "を開けません。", "cannot be opened.");
  engine::ArchiveFileReader reader(file);
  lzh::ArchiveReader archive(reader);
  int members = 0;
  for (;;) {
    lzh::Member m;
    lzh::Status s = archive.Next(m);
    if (s == lzh::Status::End) break;
    if (s != lzh::Status::Ok) {
      // A first header that cannot be read: most likely no LZH file at all.
      if (members == 0 && s != lzh::Status::ReadError) {
        return fail("archive.not-lzh", "", "はLZH書庫ではありません。", "is not an LZH archive.");
      }
      if (s == lzh::Status::Truncated) {
        return fail("archive.truncated", "", "は途中で切れています。", "ends too early (truncated).");
      }
      return fail("archive.corrupt", "", std::string("は壊れています（") + lzh::StatusName(s) + "）。",
                  std::string("is corrupt (") + lzh::StatusName(s) + ").");
    }
    ++members;
    engine::MemberVerdict verdict = engine::JudgeMember(m);
    if (verdict == engine::MemberVerdict::Directory || verdict == engine::MemberVerdict::PassedOver) continue;
    if (verdict == engine::MemberVerdict::UnknownMethod) {
      return fail("archive.unsupported-method", m.Path(), "は未対応の圧縮形式 " + m.methodId + " です。",
                  "uses the unsupported method " + m.methodId + ".");
    }
    if (verdict == engine::MemberVerdict::BadName) {
      return fail("archive.bad-member-name", m.Path(), "は Windows で使えないファイル名です。",
                  "has a name Windows cannot create.");
    }
    lzh::Status d = archive.Decode(nullptr);
    if (d == lzh::Status::CrcMismatch) {
      return fail("archive.crc", m.Path(), "がCRCエラーです。", "fails its CRC.");
    }
    if (d == lzh::Status::Truncated) {
      return fail("archive.truncated", m.Path(), "が途中で切れています。", "is truncated.");
    }
    if (d != lzh::Status::Ok) {
      return fail("archive.corrupt", m.Path(), std::string("が壊れています（") + lzh::StatusName(d) + "）。",
                  std::string("is corrupt (") + lzh::StatusName(d) + ").");
    }
    r.members.push_back(m.name);
  }
  if (members == 0) return fail("archive.not-lzh", "", "はLZH書庫ではありません。", "is not an LZH archive.");
  return r;
}

}  // namespace

std::pair<std::string, std::string> PictureHint(gfx::BitmapFault fault) {
  switch (fault) {
    case gfx::BitmapFault::NotBmp:
      return {"BMPファイルではありません（BMで始まりません）。", "it is no BMP file (it does not start with BM)."};
    case gfx::BitmapFault::HeadersCut:
      return {"ヘッダの途中で終わっています。", "it ends inside its headers."};
    case gfx::BitmapFault::CoreHeader:
      return {"古い形式（OS/2）のヘッダです。Windows 形式で保存してください。", "it has an old OS/2 core header; save it as a Windows BMP."};
    case gfx::BitmapFault::Compression:
      return {"未対応の圧縮形式（JPEG/PNG 埋め込みなど）です。", "its compression (embedded JPEG or PNG, ...) is not supported."};
    case gfx::BitmapFault::NoMemory:
      return {"読み込むためのメモリが足りません。", "there is not enough memory to read it."};
    case gfx::BitmapFault::Unreadable:
      return {"ファイルを読めません。", "the file cannot be read."};
    case gfx::BitmapFault::None:
    case gfx::BitmapFault::BadValues:
      break;
  }
  return {"画素データが足りないか、ヘッダの値が合いません。", "its pixel data is short or its header values do not fit."};
}


const ArchiveResult& Checker::Tested(const std::string& path) {
  auto it = archives_.find(path);
  if (it == archives_.end()) it = archives_.emplace(path, TestArchive(path)).first;
  return it->second;
}

// Tests an archive record k reads and remembers what it writes.
void Checker::TestAndRemember(int k, const Located& at) {
  const ArchiveResult& r = Tested(at.path);
  std::string shown = Shown(at.disk, at.name);
  if (!r.ok && reported_.insert(at.path).second) {
    if (r.member.empty()) {
      Add(Severity::Error, r.code.c_str(), shown, 0, "書庫 " + shown + " " + r.ja, "archive " + shown + " " + r.en);
    } else {
      Add(Severity::Error, r.code.c_str(), shown, 0, "書庫 " + shown + " の " + r.member + " " + r.ja,
          "archive " + shown + ": member " + r.member + " " + r.en);
    }
  }
  for (const std::string& m : r.members) writes_[k].push_back(m);
}

void Checker::CheckRecordFiles() {
  int drive = 1;
  for (int k = 0; k < session_.m_recordCount; ++k) {
    driveBefore_[k] = drive;
    const int disk = session_.RecordAt(k).disk;
    if (disk != 1 && disk != drive) drive = disk;
  }
  for (int k = 0; k < session_.m_recordCount; ++k) {
    if (!recordOk_[k]) continue;
    const int line = kFirstRecordLine + k;
    const Record r = session_.RecordAt(k);
    const std::string& name = r.name;
    const std::string& sub = r.subfolder;
    const int kind = r.kindNumber;
    const int disk = r.disk;
    if (disk < 1) {
      AddLine(Severity::Warning, "record.disk-number", line,
              "ディスク番号 " + Num(disk) + " は1以上ではありません（フロッピーでは「" + Num(disk) + " 枚目」を求めます）。",
              "disk number " + Num(disk) + " is below 1 (on floppies the run asks for disk " + Num(disk) + ").");
    }
    if (kind != 1 && kind != 2) {
      AddLine(Severity::Warning, "record.kind", line,
              "種類 " + Num(kind) + " はファイルのコピーとして扱われます（1 = 書庫、2 = ファイル）。",
              "kind " + Num(kind) + " is taken as a file to copy (1 = archive, 2 = file).");
    }
    if (!text::EndsWithSeparator(sub)) {
      AddLine(Severity::Error, "record.subfolder-separator", line,
              "フォルダ「" + sub + "」が \\ で終わっていません。ファイル名がそのまま後ろにつながります。",
              "the folder \"" + sub + "\" does not end with \\; file names would be appended to it directly.");
    }
    if (r.IsArchive()) {
      if (engine::IsStartArchive(name)) continue;  // its variants are checked on their own
      Located at = Locate(k, name + ".lzh");
      if (!at.found) {
        ReportMissing(k, at, "record.missing-archive", "書庫", "archive", name + ".lzh");
        continue;
      }
      TestAndRemember(k, at);
      if (engine::IsExcelArchive(name)) CheckExcel(k, at);
    } else {
      Located at = Locate(k, name);
      if (!at.found) {
        ReportMissing(k, at, "record.missing-file", "ファイル", "file", name);
        continue;
      }
      text::PathParts parts = text::SplitPath(name);
      writes_[k].push_back(parts.name + parts.ext);
    }
  }
}

void Checker::ReportMissing(int k, const Located& at, const char* missingCode, const char* ja, const char* en,
                   const std::string& name) {
  const int line = kFirstRecordLine + k;
  if (at.misplacedDisk != 0) {
    AddLine(Severity::Error, session_.RecordAt(k).disk == 1 && at.misplacedDisk == 1 ? "record.disk-not-asked"
                                                                                     : "record.wrong-disk",
            line, std::string(ja) + " " + name + " が " + Num(at.disk) + " 枚目のフォルダにありません。" + at.noteJa,
            std::string(en) + " " + name + " is not on the folder of disk " + Num(at.disk) + "." + at.noteEn);
    return;
  }
  AddLine(Severity::Error, missingCode, line,
          std::string(ja) + " " + Shown(at.disk, name) + " が媒体にありません。" + at.noteJa,
          std::string(en) + " " + Shown(at.disk, name) + " is missing from the medium." + at.noteEn);
}

void Checker::CheckExcel(int k, const Located& at) {
  const int line = kFirstRecordLine + k;
  const ArchiveResult& r = Tested(at.path);
  if (r.ok) {
    bool has = false;
    for (const std::string& m : r.members) has = has || text::EqualsNoCaseAscii(m, kTemplateName);
    if (!has) {
      AddLine(Severity::Error, "excel.no-template", line,
              std::string("EXCEL 書庫に ") + kTemplateName + " が入っていません。",
              std::string("the EXCEL archive does not contain ") + kTemplateName + ".");
    }
  }
  const std::string& sub = session_.RecordAt(k).subfolder;
  if (PathKey(sub) != PathKey(kTemplateFolder)) {
    AddLine(Severity::Warning, "excel.subfolder", line,
            "ひな形の確認は " + std::string(kTemplateFolder) + kTemplateName + " を見ますが、EXCEL 書庫は「" + sub +
                "」に展開されます。",
            "the template check looks at " + std::string(kTemplateFolder) + kTemplateName +
                ", but the EXCEL archive is extracted into \"" + sub + "\".");
  }
}

void Checker::CheckStartVariants() {
  std::vector<int> indexes = SelectableIndexes();
  for (int k = 0; k < session_.m_recordCount; ++k) {
    const Record r = session_.RecordAt(k);
    if (!recordOk_[k] || !r.IsArchive() || !engine::IsStartArchive(r.name)) continue;
    const int line = kFirstRecordLine + k;
    for (int index : indexes) {
      std::string name = r.name + engine::StartSuffix(index) + ".lzh";
      Located at = Locate(k, name);
      if (at.found) {
        TestAndRemember(k, at);
        continue;
      }
      std::string why = index == 0 || index == 99
                            ? std::string(index == 0 ? "MAKER が 1" : "MAKER が 1 以外") + "のメーカー版"
                            : Num(kLineFirstTitlePattern + index - 1) + " 行目のパターンに合う製品";
      std::string whyEn = index == 0 || index == 99
                              ? std::string("the maker variant with MAKER ") + (index == 0 ? "1" : "other than 1")
                              : "a product matching the pattern on line " + Num(kLineFirstTitlePattern + index - 1);
      AddLine(Severity::Error, "start.missing-variant", line,
              why + "には " + Shown(at.disk, name) + " が展開されますが、媒体にありません。" + at.noteJa,
              whyEn + " gets " + Shown(at.disk, name) + ", which the medium lacks." + at.noteEn);
    }
  }
}

void Checker::CheckSameTargets() {
  std::map<std::string, int> firstWriter;  // path key -> record
  for (int k = 0; k < session_.m_recordCount; ++k) {
    std::set<std::string> seen;
    std::map<int, std::pair<std::string, int>> clashes;  // earlier record -> first name, count
    const std::string& sub = session_.RecordAt(k).subfolder;
    for (const std::string& name : writes_[k]) {
      std::string key = PathKey(sub + name);
      if (!seen.insert(key).second) continue;
      auto it = firstWriter.find(key);
      if (it == firstWriter.end()) {
        firstWriter.emplace(key, k);
        continue;
      }
      auto& c = clashes[it->second];
      if (c.second++ == 0) c.first = sub + name;
    }
    for (const auto& c : clashes) {
      std::string more = c.second.second > 1 ? "（ほか " + Num(c.second.second - 1) + " 件）" : "";
      std::string moreEn = c.second.second > 1 ? " (and " + Num(c.second.second - 1) + " more)" : "";
      AddLine(Severity::Warning, "record.same-target", kFirstRecordLine + k,
              c.second.first + more + " は " + Num(kFirstRecordLine + c.first) + " 行目でも書き込まれ、この行が上書きします。",
              c.second.first + moreEn + " is also written by line " + Num(kFirstRecordLine + c.first) +
                  "; this line overwrites it.");
    }
  }
}

void Checker::CheckPictures() {
  static const char* const kRoleJa[] = {"メイン画面", "注意事項", "インストール先選択", "確認"};
  static const char* const kRoleEn[] = {"main window", "notes", "target selection", "confirmation"};
  for (int i = 0; i < 4; ++i) {
    const int line = kLineViewBitmap + i;
    if (!HasLine(line)) continue;
    const std::string& name = Line(line);
    if (name.empty()) {
      AddLine(Severity::Warning, "picture.no-name", line, std::string(kRoleJa[i]) + "の画像名が空です。何も描かれません。",
              std::string("the ") + kRoleEn[i] + " picture name is empty; nothing is drawn.");
      continue;
    }
    std::string path = diskFolder_[1] + name;
    std::string shown = Shown(1, name);
    if (!os::Exists(path) || os::IsDirectory(path)) {
      AddLine(Severity::Error, "picture.missing", line, std::string(kRoleJa[i]) + "の画像 " + shown + " がありません。",
              std::string("the ") + kRoleEn[i] + " picture " + shown + " is missing.");
      continue;
    }
    std::vector<std::uint8_t> block(gfx::kInitialBlockSize);
    std::uint16_t bitsOffset = 0;
    gfx::BitmapFault fault = gfx::BitmapFault::None;
    if (gfx::ReadBitmapFile(path, block, bitsOffset, &fault) != 1) {
      std::pair<std::string, std::string> why = PictureHint(fault);
      Add(Severity::Error, "picture.unreadable", shown, 0,
          std::string(kRoleJa[i]) + "の画像（" + Num(line) + " 行目）をウィザードのBMP読み込みで読めません: " + why.first,
          std::string("the ") + kRoleEn[i] + " picture (line " + Num(line) + ") cannot be read by the wizard's BMP reader: " +
              why.second);
      continue;
    }
    std::string size = Num(gfx::SourceWidth(block)) + "x" + Num(gfx::SourceHeight(block)) + ", " +
                       Num(gfx::GetU16(block.data() + gfx::kHdrBitCount));
    Add(Severity::Info, "picture.ok", shown, 0, std::string(kRoleJa[i]) + "の画像: " + size + " ビット",
        std::string(kRoleEn[i]) + " picture: " + size + " bits");
  }
}

}  // namespace check
