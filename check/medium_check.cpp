// The medium checker. The descriptor is read twice: once by LoadDescriptor,
// exactly as the wizard loads it, and once line by line so that every faulty
// line can be named (the loader keeps only the first). Archives are walked
// with the decoder in the order the extraction component walks them,
// pictures go through the wizard's own reader, and the installation checks
// are the run's own functions, which only read.
#include "check/medium_check.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <utility>

#include "engine/archive_inspect.h"
#include "engine/run_rules.h"
#include "engine/update_session.h"
#include "gfx/bmp_read.h"
#include "lzh/decoder.h"
#include "os/os.h"
#include "targets/master_conversion.h"
#include "targets/product_checks.h"
#include "targets/template_check.h"
#include "text/cp932.h"

namespace check {
namespace {

const char kInfoTxt[] = "info.txt";
const char kTemplateName[] = "横K-R7q.xlsm";
const char kTemplateFolder[] = "形式\\";
constexpr int kMaxLineBreaks = 100;
constexpr std::size_t kTitleBuffer = 100;

std::string Num(long long n) { return std::to_string(n); }

// A path as a key for comparing where files land: separators unified and not
// doubled, ASCII letters upper-cased, double-byte characters left whole.
std::string PathKey(const std::string& path) {
  std::string out;
  bool lastWasSeparator = false;
  for (std::size_t i = 0; i < path.size();) {
    std::size_t n = text::CharLength(path, i);
    if (n == 1 && (path[i] == '\\' || path[i] == '/')) {
      if (!lastWasSeparator) out += '\\';
      lastWasSeparator = true;
    } else {
      out.append(path, i, n);
      lastWasSeparator = false;
    }
    i += n;
  }
  return text::UpperAscii(out);
}

// Strict UTF-8 with at least one multi-byte sequence: text saved in the
// wrong encoding. Code page 932 text almost never passes, because its lead
// bytes 0x81-0x9F cannot start a UTF-8 sequence.
bool LooksLikeUtf8(const std::string& s) {
  bool multi = false;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                                                               : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    if (n > 1) multi = true;
    i += n;
  }
  return multi;
}

// Why the wizard's reader refused a picture, as the message says it.
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

// What walking one archive found: the names it would write, or the first
// reason the extraction component would refuse it.
struct ArchiveResult {
  bool ok = true;
  std::string code;
  std::string member;  // the member the failure concerns, if any
  std::string ja;
  std::string en;
  std::vector<std::string> members;  // file names as written into the destination
};

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

class Checker {
 public:
  Checker(const std::string& mediumDir, const Options& options) : options_(options) {
    root_ = text::WithTrailingSeparator(mediumDir);
  }

  Report Run() {
    if (!FindLayout()) return std::move(report_);
    if (!ReadLines()) return std::move(report_);
    LoadDescriptor(session_, diskFolder_[1]);
    CheckTexts();
    CheckFixedLines();
    CheckTitlePatterns();
    CheckRecordLines();
    CheckRecordFiles();
    CheckStartVariants();
    CheckSameTargets();
    CheckPictures();
    CheckProposedCommands();
    SortByLine();
    if (!options_.target.empty()) CheckTarget();
    return std::move(report_);
  }

 private:
  // ---- findings ----------------------------------------------------------

  void Add(Severity severity, const char* code, const std::string& file, int line, const std::string& ja,
           const std::string& en) {
    Finding f;
    f.severity = severity;
    f.code = code;
    f.file = file;
    f.line = line;
    f.messageJa = ja;
    f.messageEn = en;
    report_.findings.push_back(std::move(f));
  }
  void AddLine(Severity severity, const char* code, int line, const std::string& ja, const std::string& en) {
    Add(severity, code, infoShown_, line, ja, en);
  }
  // What the run would do; tied to the descriptor line that causes it, or to
  // the installation folder.
  void Plan(const char* code, int line, const std::string& ja, const std::string& en) {
    Add(Severity::Info, code, line > 0 ? infoShown_ : options_.target, line, ja, en);
  }

  // The descriptor's findings in line order, then those of the other files
  // in the order they were found.
  void SortByLine() {
    std::stable_sort(report_.findings.begin(), report_.findings.end(), [this](const Finding& a, const Finding& b) {
      bool aInfo = a.file == infoShown_;
      bool bInfo = b.file == infoShown_;
      if (aInfo != bInfo) return aInfo;
      return aInfo && a.line < b.line;
    });
  }

  // ---- layout --------------------------------------------------------------

  // One folder, or one folder per disk: disk1/ holding info.txt, or info.txt
  // in the medium's folder (disk 1) beside disk2/, disk3/, ...
  bool FindLayout() {
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

  // A path in the installation, for a message.
  std::string P(const std::string& path) const { return text::ShownPath(path, options_.shownSeparator); }

  std::string Shown(int disk, const std::string& name) const {
    auto it = diskShown_.find(disk);
    return (it == diskShown_.end() ? std::string() : it->second) + name;
  }

  bool ReadLines() {
    os::LineReader reader;
    if (!reader.Open(diskFolder_[1] + kInfoTxt)) {
      Add(Severity::Error, "descriptor.missing", infoShown_, 0, "info.txt を開けません。", "info.txt cannot be opened.");
      return false;
    }
    std::string line;
    while (reader.ReadLine(line)) lines_.push_back(line);
    if (static_cast<int>(lines_.size()) < kDescriptorFixedLines) {
      Add(Severity::Error, "descriptor.short", infoShown_, 0,
          "行数が " + Num(static_cast<long long>(lines_.size())) + " 行しかありません。42行目まではすべて必要です（足りない行は空として読まれます）。",
          "has only " + Num(static_cast<long long>(lines_.size())) +
              " lines; lines 1 to 42 are all needed (missing lines read as empty).");
    }
    return true;
  }

  bool HasLine(int line) const { return line >= 1 && line <= static_cast<int>(lines_.size()); }
  const std::string& Line(int line) const { return lines_[static_cast<std::size_t>(line - 1)]; }

  // ---- descriptor ------------------------------------------------------------

  void CheckTexts() {
    if (!lines_.empty() && lines_[0].compare(0, 3, "\xEF\xBB\xBF") == 0) {
      AddLine(Severity::Error, "descriptor.utf8-bom", 1,
              "先頭にUTF-8のBOMがあります。info.txt はシフトJIS（コードページ932）で保存してください。",
              "starts with a UTF-8 byte order mark; save info.txt in Shift-JIS (code page 932).");
    }
    for (int n = 1; n <= static_cast<int>(lines_.size()); ++n) {
      const std::string& s = Line(n);
      std::string body = n == 1 && s.compare(0, 3, "\xEF\xBB\xBF") == 0 ? s.substr(3) : s;
      if (LooksLikeUtf8(body)) {
        AddLine(Severity::Error, "descriptor.utf8-text", n,
                "UTF-8 で書かれているようです。シフトJIS（コードページ932）で保存してください。",
                "looks like UTF-8; save info.txt in Shift-JIS (code page 932).");
      } else if (!text::IsValidCp932(body)) {
        AddLine(Severity::Error, "descriptor.invalid-cp932", n, "シフトJIS（コードページ932）として正しくない文字があります。",
                "holds bytes that are not valid Shift-JIS (code page 932).");
      }
    }
  }

  void CheckFixedLines() {
    // Key names: the lookup stops at the first empty one.
    int firstEmpty = 0;
    for (int n = 1; n <= kUninstallKeyCount && HasLine(n); ++n) {
      if (Line(n).empty()) {
        if (firstEmpty == 0) firstEmpty = n;
      } else if (firstEmpty != 0) {
        AddLine(Severity::Warning, "descriptor.key-after-empty", n,
                "キー名が " + Num(firstEmpty) + " 行目の空行より後にあるため、レジストリで探されません。",
                "this key name comes after the empty line " + Num(firstEmpty) + " and is never looked up.");
      }
    }
    if (HasLine(kLineFirstUninstallKey) && Line(kLineFirstUninstallKey).empty()) {
      AddLine(Severity::Warning, "descriptor.no-key-name", kLineFirstUninstallKey,
              "1行目が空です。メインウィンドウの表題がなく、インストール先はレジストリで探されません。",
              "line 1 is empty: the main window has no caption and the installed folder is never looked up.");
    }
    if (HasLine(kLineTargetFolder) && Line(kLineTargetFolder).empty()) {
      AddLine(Severity::Warning, "descriptor.no-target-folder", kLineTargetFolder, "提案するインストール先フォルダが空です。",
              "the proposed installation folder is empty.");
    }
    if (HasLine(kLineMasterAdjust) && Line(kLineMasterAdjust) != "0" && Line(kLineMasterAdjust) != "1") {
      int v = text::AtoiLike(Line(kLineMasterAdjust));
      if (v == 0) {
        AddLine(Severity::Warning, "descriptor.master-adjust", kLineMasterAdjust,
                "値「" + Line(kLineMasterAdjust) + "」は 0 として読まれます（マスタ変換なし、注意事項の表題は「アップデート」）。0 か 1 と書いてください。",
                "the value \"" + Line(kLineMasterAdjust) + "\" reads as 0 (no master conversion, notes titled as a plain update); write 0 or 1.");
      } else if (v == 1) {
        AddLine(Severity::Warning, "descriptor.master-adjust", kLineMasterAdjust,
                "値「" + Line(kLineMasterAdjust) + "」は 1 として読まれます（マスタ変換あり）。1 と書いてください。",
                "the value \"" + Line(kLineMasterAdjust) + "\" reads as 1 (masters converted); write 1.");
      } else {
        AddLine(Severity::Warning, "descriptor.master-adjust", kLineMasterAdjust,
                "値「" + Line(kLineMasterAdjust) + "」は無視されます（マスタ変換なし、注意事項の表題も変わりません）。",
                "the value \"" + Line(kLineMasterAdjust) + "\" is ignored: no master conversion, and the notes keep their own title.");
      }
    }
    if (HasLine(kLineSettingsFile) && Line(kLineSettingsFile).empty()) {
      AddLine(Severity::Error, "descriptor.no-settings-file", kLineSettingsFile,
              "設定ファイル名が空です（ファイル名か NULL を書いてください）。",
              "the settings file name is empty (write a file name or NULL).");
    }
    if (HasLine(kLineCategory)) {
      int category = text::AtoiLike(Line(kLineCategory));
      if (category < 1 || category > 6) {
        AddLine(Severity::Warning, "descriptor.category", kLineCategory,
                "業種「" + Line(kLineCategory) + "」は 1～6 ではないため、種別の設定は書き込まれません。",
                "category \"" + Line(kLineCategory) + "\" is not 1 to 6, so no category switch is written.");
      }
    }
    // An empty version text disables both the Version entry and the title
    // change. That suits a data-only update, but an update that installs a
    // START archive is a new program version whose number would stay old.
    if (HasLine(kLineVersionText) && Line(kLineVersionText).empty()) {
      bool start = false;
      for (int k = 0; k < session_.m_recordCount; ++k) {
        const Record r = session_.RecordAt(k);
        start = start || (r.IsArchive() && engine::IsStartArchive(r.name));
      }
      AddLine(start ? Severity::Warning : Severity::Info, "descriptor.no-version", kLineVersionText,
              std::string("バージョン文字列が空です。Version も TITLE も書き換えられません") +
                  (start ? "（START 書庫を入れる更新です）。" : "。"),
              std::string("the version text is empty: neither Version nor TITLE is changed") +
                  (start ? " (yet the update installs a START archive)." : "."));
    }
    for (int n = kLineNotesText; n <= kLineNotesText + 1 && HasLine(n); ++n) {
      const std::string& s = Line(n);
      std::size_t tabs = 0;
      for (char c : s) tabs += c == '\t';
      if (!s.empty() && s.back() == '\t' && tabs <= kMaxLineBreaks) {
        AddLine(Severity::Warning, "descriptor.trailing-tab", n,
                "行末がTABです。改行はTABと埋め字1文字で書きます。",
                "ends with a TAB; a line break is written as a TAB followed by one filler character.");
      }
      if (tabs > kMaxLineBreaks) {
        AddLine(Severity::Warning, "descriptor.too-many-breaks", n,
                "TABが " + Num(static_cast<long long>(tabs)) + " 個あります。改行になるのは最初の100個だけです。",
                "holds " + Num(static_cast<long long>(tabs)) + " TABs; only the first 100 become line breaks.");
      }
    }
  }

  // ---- title patterns and START variants ---------------------------------------

  bool MakerPossible() const {
    const std::string& s = session_.m_settingsFile;
    return s == "NULL" || text::UpperAscii(s) == "PILUNET1.INI";
  }
  bool TitlePossible() const { return text::UpperAscii(session_.m_settingsFile) != "PILUNET1.INI"; }

  // Version indexes the classification can give: title patterns up to and
  // including the first empty one (which every title contains), then the
  // two maker variants.
  std::vector<int> SelectableIndexes() const {
    std::vector<int> out;
    if (TitlePossible()) {
      for (int i = 0; i < kTitlePatternCount; ++i) {
        out.push_back(i + 1);
        if (session_.m_titlePatterns[i].empty()) break;
      }
    }
    if (MakerPossible()) {
      out.push_back(0);
      out.push_back(99);
    }
    return out;
  }

  void CheckTitlePatterns() {
    if (!TitlePossible() || !HasLine(kLineFirstTitlePattern)) return;
    int firstEmpty = -1;
    for (int i = 0; i < kTitlePatternCount; ++i) {
      int line = kLineFirstTitlePattern + i;
      if (session_.m_titlePatterns[i].empty()) {
        if (firstEmpty >= 0) continue;
        firstEmpty = i;
        std::string before = i == 0 ? std::string() : Num(kLineFirstTitlePattern) + "-" + Num(line - 1);
        AddLine(Severity::Warning, "title.empty-pattern", line,
                "空のパターンはどの TITLE にも含まれます。" +
                    (i == 0 ? std::string("すべての製品が") : before + " 行目に合わない製品はすべて") +
                    "バージョン " + Num(i + 1) + " として更新されます。使わない行には製品名に現れない文字列を書いてください。",
                "an empty pattern is found in every TITLE: " +
                    (i == 0 ? std::string("every product") : "every product not matched by lines " + before) +
                    " is updated as version " + Num(i + 1) + ". Fill unused lines with a text no title contains.");
      } else if (firstEmpty >= 0) {
        AddLine(Severity::Warning, "title.pattern-never-used", line,
                Num(kLineFirstTitlePattern + firstEmpty) + " 行目の空パターンが先に合うため、このパターンは使われません。",
                "never used: the empty pattern on line " + Num(kLineFirstTitlePattern + firstEmpty) + " matches first.");
      }
    }
  }

  void CheckStartVariants() {
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

  // ---- records ---------------------------------------------------------------

  void CheckRecordLines() {
    int index = 0;
    int extra = 0;
    for (int n = kFirstRecordLine; n <= static_cast<int>(lines_.size()); ++n) {
      if (index == kMaxRecords) {
        ++extra;
        continue;
      }
      const std::string& line = Line(n);
      RecordFields r = SplitRecordLine(line);
      bool ok = r.fault == RecordFault::None;
      if (r.fault == RecordFault::MissingField) {
        AddLine(Severity::Error, "record.missing-field", n,
                line.empty() ? "空行です。記録行は「ディスク,種類,名前,フォルダ\\」の4項目です（空行も1件と数えられます）。"
                             : "4つの項目（ディスク,種類,名前,フォルダ\\）がそろっていないか、空の項目があります。",
                line.empty() ? "is empty; a record line is disk,kind,name,folder\\ (an empty line counts as a record too)."
                             : "does not carry four non-empty fields (disk,kind,name,folder\\).");
      } else if (r.fault == RecordFault::FieldTooLong) {
        AddLine(Severity::Error, "record.field-too-long", n, "31バイトを超える項目があります。",
                "has a field longer than 31 bytes.");
      } else {
        if (r.fault == RecordFault::SubfolderOutside) ReportSubfolderOutside(n, r.field[3]);
        if (r.fault == RecordFault::NameOutside) {
          AddLine(Severity::Error, "record.name-escapes", n,
                  "名前「" + r.field[2] + "」が媒体のフォルダの外を指しています（更新は中止されます）。",
                  "the name \"" + r.field[2] + "\" leads out of the medium's folder (the update refuses the medium).");
        }
        std::size_t fourth = std::string::npos;
        for (int commas = 0, i = 0; commas < 4; ++commas, i = static_cast<int>(fourth) + 1) {
          fourth = line.find(',', static_cast<std::size_t>(i));  // ',' is never a trail byte
          if (fourth == std::string::npos) break;
        }
        if (fourth != std::string::npos) {
          AddLine(Severity::Warning, "record.extra-field", n,
                  "4つ目のカンマ以降「" + line.substr(fourth) + "」は無視されます。",
                  "the text from the fourth comma on (\"" + line.substr(fourth) + "\") is ignored.");
        }
      }
      recordOk_[index] = ok;
      ++index;
    }
    if (extra > 0) {
      AddLine(Severity::Error, "record.too-many", kFirstRecordLine + kMaxRecords,
              "記録は100件までです。ここから " + Num(extra) + " 行が超えています（更新は中止されます）。",
              "at most 100 records; " + Num(extra) + " line(s) from here exceed it (the update refuses the medium).");
    }
    if (session_.m_recordCount == 0 && static_cast<int>(lines_.size()) >= kDescriptorFixedLines) {
      Add(Severity::Warning, "record.none", infoShown_, 0, "インストールする記録がありません。",
          "has no install records.");
    }
  }

  // A subfolder naming a drive keeps its own code; a root or ".." gets
  // record.subfolder-escapes. The run refuses the medium for either.
  void ReportSubfolderOutside(int n, const std::string& sub) {
    if (sub.size() >= 2 && sub[1] == ':' && !text::IsLeadByte(static_cast<unsigned char>(sub[0]))) {
      AddLine(Severity::Error, "record.subfolder-drive", n,
              "フォルダ「" + sub + "」にドライブ名があります。インストール先フォルダからの相対パスで書いてください（更新は中止されます）。",
              "the folder \"" + sub + "\" names a drive; it must be relative to the installation folder (the update refuses the medium).");
      return;
    }
    AddLine(Severity::Error, "record.subfolder-escapes", n,
            "フォルダ「" + sub + "」がインストール先フォルダの外を指しています（更新は中止されます）。",
            "the folder \"" + sub + "\" leads out of the installation folder (the update refuses the medium).");
  }

  struct Located {
    bool found = false;
    int disk = 1;           // the disk folder it was looked for, or found, on
    int misplacedDisk = 0;  // another disk folder that holds it
    std::string name;       // as looked for, relative to a disk folder
    std::string path;
    std::string noteJa;  // a hint for the message when it was not found
    std::string noteEn;
  };

  // The disk in the drive when record k is handled. The run asks for a disk
  // only when the record's number is neither 1 nor the disk in the drive, so
  // a disk 1 record after a disk 2 record is read from disk 2.
  int DriveFor(int k) const {
    const int disk = session_.RecordAt(k).disk;
    return disk == 1 ? driveBefore_[k] : disk;
  }

  // Looks for `name` where the run reads it for record k; on a medium laid
  // out one folder per disk, also on the other disks, to say where it lies.
  Located Locate(int k, const std::string& name) {
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

  static void Hint(const std::string& name, Located& at) {
    std::string upper = text::UpperAscii(name);
    if (upper.size() > 8 && upper.compare(upper.size() - 8, 8, ".LZH.LZH") == 0) {
      at.noteJa = " 書庫名には .lzh を付けずに書きます。";
      at.noteEn = " Archive names are written without .lzh.";
    }
  }

  const ArchiveResult& Tested(const std::string& path) {
    auto it = archives_.find(path);
    if (it == archives_.end()) it = archives_.emplace(path, TestArchive(path)).first;
    return it->second;
  }

  // Tests an archive record k reads and remembers what it writes.
  void TestAndRemember(int k, const Located& at) {
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

  void CheckRecordFiles() {
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

  void ReportMissing(int k, const Located& at, const char* missingCode, const char* ja, const char* en,
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

  void CheckExcel(int k, const Located& at) {
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

  void CheckSameTargets() {
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

  // ---- pictures ----------------------------------------------------------------

  void CheckPictures() {
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

  // ---- command lengths -----------------------------------------------------------

  // Longest name a START record can take with the selectable variants.
  std::string LongestStartName(int k) const {
    const std::string& base = session_.RecordAt(k).name;
    std::string longest = base;
    for (int index : SelectableIndexes()) {
      std::string name = base + engine::StartSuffix(index);
      if (name.size() > longest.size()) longest = name;
    }
    return longest;
  }

  // The commands for line 16's folder, as the probe would end it.
  void CheckProposedCommands() {
    if (session_.m_targetFolder.empty()) return;
    std::string work = text::WithTrailingSeparator(session_.m_targetFolder);
    for (int k = 0; k < session_.m_recordCount; ++k) {
      const Record r = session_.RecordAt(k);
      if (!recordOk_[k] || !r.IsArchive()) continue;
      std::string name = engine::IsStartArchive(r.name) ? LongestStartName(k) : r.name;
      std::string command = engine::ExtractCommand(options_.windowsFolder, options_.sourceDir, name, work + r.subfolder);
      if (command.size() > engine::kCommandMaxBytes) {
        AddLine(Severity::Warning, "record.command-too-long", kFirstRecordLine + k,
                "提案フォルダ " + work + " では展開コマンドが " + Num(static_cast<long long>(command.size())) +
                    " バイトになり、255バイトを超えます。",
                "with the proposed folder " + work + " the extraction command is " +
                    Num(static_cast<long long>(command.size())) + " bytes, over 255.");
      }
    }
  }

  // ---- the installation ----------------------------------------------------------

  void CheckTarget() {
    const std::string& target = options_.target;
    if (session_.m_recordFault != RecordFault::None) {
      Plan("plan.refused", session_.m_faultyLine,
           "更新は " + Num(session_.m_faultyLine) + " 行目で媒体を拒否し、何も変更しません。",
           "the run would refuse the medium because of line " + Num(session_.m_faultyLine) + " and change nothing.");
      return;
    }
    std::string settings = session_.m_settingsFile;
    std::string work;
    if (!engine::ChooseSettingsFile(target, settings, work)) {
      Add(Severity::Error, "target.settings-not-found", target, 0,
          "インストール先に設定ファイル " + std::string(session_.m_settingsFile == "NULL" ? "morefa1.ini も pilunet1.ini も" : session_.m_settingsFile) +
              "見つかりません（「ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。」）。",
          "the settings file " + std::string(session_.m_settingsFile == "NULL" ? "(morefa1.ini or pilunet1.ini)" : session_.m_settingsFile) +
              " is not in the installation folder; the run would say the folder seems wrong.");
      return;
    }
    Add(Severity::Info, "target.settings-file", target, 0, "設定ファイル " + P(work + settings),
        "settings file " + P(work + settings));
    if (targets::CheckInstalledFiles(work, settings) != 1) {
      // Which of the files the check asks for are absent, for the message.
      std::string missing;
      auto need = [&](const std::string& name) {
        if (!os::Exists(work + name)) missing += (missing.empty() ? "" : ", ") + name;
      };
      std::string upper = text::UpperAscii(settings);
      if ((upper == "MOREFA1.INI" || upper == "ZERBIS1.INI") && !os::Exists(work + "mo2menu.ini") &&
          !os::Exists(work + "mo1menu.ini") && !os::Exists(work + "tessolin.exe")) {
        missing = "mo2menu.ini / mo1menu.ini / tessolin.exe";
      }
      need("\\bmp\\VOSKE2L.BMP");
      need("\\bmp\\file.BMP");
      Add(Severity::Error, "target.installed-files", target, 0,
          "インストール済みファイルの確認で拒否されます（「このバージョンへの更新はできません。」）。不足: " + missing,
          "the installed files check refuses the installation; missing: " + missing);
      return;
    }
    int index = targets::ClassifyInstalledProduct(work, settings, session_.m_titlePatterns);
    std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, work + settings);
    if (index == -1) {
      Add(Severity::Error, "target.not-recognised", target, 0,
          "TITLE「" + title + "」に合うパターンがなく、更新できません（「このバージョンへの更新はできません。」）。",
          "no title pattern is found in TITLE \"" + title + "\"; the run would refuse the update.");
      return;
    }
    if (index >= 1 && index <= 15) {
      Plan("target.classified", kLineFirstTitlePattern + index - 1,
           "バージョン " + Num(index) + "（TITLE「" + title + "」）", "version index " + Num(index) + " (TITLE \"" + title + "\")");
    } else {
      Add(Severity::Info, "target.classified", target, 0, "メーカー版 バージョン " + Num(index),
          "maker variant, version index " + Num(index));
    }
    PlanRecords(work, settings, index);
  }

  void PlanRecords(const std::string& work, const std::string& settings, int index) {
    const std::string& sourceDir = options_.sourceDir;
    bool fits = true;
    for (int k = 0; k < session_.m_recordCount; ++k) {
      const Record r = session_.RecordAt(k);
      if (!r.IsArchive()) continue;
      std::string name = r.name;
      if (engine::IsStartArchive(name)) name += engine::StartSuffix(index);
      std::string command = engine::ExtractCommand(options_.windowsFolder, sourceDir, name, work + r.subfolder);
      if (command.size() > engine::kCommandMaxBytes) {
        fits = false;
        AddLine(Severity::Error, "target.command-too-long", kFirstRecordLine + k,
                "このインストール先では展開コマンドが " + Num(static_cast<long long>(command.size())) +
                    " バイトになり、255バイトを超えます（更新は始まりません）。",
                "for this installation the extraction command is " + Num(static_cast<long long>(command.size())) +
                    " bytes, over 255 (the run would not start).");
      }
    }
    if (!fits) return;

    std::set<std::string> madeFolders;
    int drive = 1;
    for (int k = 0; k < session_.m_recordCount; ++k) {
      const int line = kFirstRecordLine + k;
      const Record r = session_.RecordAt(k);
      const int disk = r.disk;
      std::string name = r.name;
      const bool archive = r.IsArchive();
      if (archive && engine::IsStartArchive(name)) name += engine::StartSuffix(index);
      if (disk != 1 && disk != drive) {
        drive = disk;
        // A START disk is taken as in with START.lzh or with its variant.
        std::string awaited = name + (archive ? ".lzh" : "");
        if (archive && name != r.name) awaited = r.name + ".lzh / " + awaited;
        Plan("plan.disk", line, "フロッピーなら " + Num(disk) + " 枚目を求めます（" + awaited + " を待ちます）。",
             "on floppies: would ask for disk " + Num(disk) + " (waiting for " + awaited + ")");
      }
      std::string destination = work + r.subfolder;
      if (!os::Exists(destination) && madeFolders.insert(PathKey(destination)).second) {
        Plan("plan.make-folder", line, "フォルダ " + P(destination) + " を作ります。", "would create folder " + P(destination));
      }
      if (archive) {
        if (engine::IsStartArchive(r.name) && !session_.m_versionText.empty() && index <= 15) {
          Plan("plan.setting", line, P(work + settings) + " [SYSTEM] Version=" + session_.m_versionText + " を書きます。",
               "would write [SYSTEM] Version=" + session_.m_versionText + " to " + P(work + settings));
        }
        if (engine::IsExcelArchive(name)) {
          if (targets::CheckSpreadsheetTemplate(work) != 1) {
            Plan("plan.skip", line, "EXCEL を展開しません: ひな形は最新です。", "would skip EXCEL: template up to date");
            continue;
          }
          Plan("plan.template", line, "ひな形の更新対象です（「原価計算書のエクセルひな形を更新しました。」）。",
               "template due: would announce the template update");
        }
        Plan("plan.extract", line, name + ".lzh を " + P(destination) + " に展開します。",
             "would extract " + name + ".lzh into " + P(destination));
        Located at = Locate(k, name + ".lzh");
        if (!at.found || !Tested(at.path).ok) return PlanStop(line);
      } else {
        text::PathParts parts = text::SplitPath(name);
        std::string targetPath = destination + parts.name + parts.ext;
        Plan("plan.copy", line, name + " を " + P(targetPath) + " にコピーします。", "would copy " + name + " to " + P(targetPath));
        std::uint32_t attributes = 0;
        if (os::GetAttributes(targetPath, attributes) && (attributes & os::kAttrReadOnly)) {
          AddLine(Severity::Error, "target.read-only", line, P(targetPath) + " は読み取り専用のため、コピーが失敗します。",
                  P(targetPath) + " is read-only; the copy would fail.");
          return PlanStop(line);
        }
        if (!Locate(k, name).found) return PlanStop(line);
      }
    }
    PlanFinish(work, settings);
  }

  // A record whose archive or file is missing, damaged or cannot be written
  // ends the run with a message; nothing after it happens.
  void PlanStop(int line) {
    Plan("plan.stop", line, "更新はここで失敗して終わります。以降の記録と設定の書き込みは行われません。",
         "the run would fail and end here; later records and the settings entries are not written");
  }

  void PlanFinish(const std::string& work, const std::string& settings) {
    const std::string settingsPath = work + settings;
    auto setting = [&](const std::string& file, const std::string& entry, int line) {
      Plan("plan.setting", line, P(file) + " " + entry + " を書きます。", "would write " + entry + " to " + P(file));
    };
    setting(settingsPath, "[SYSTEM] GENGOU=令和", 0);
    if (!session_.m_versionText.empty()) {
      std::string title = os::GetProfileValue("SYSTEM", "TITLE", "", kTitleBuffer, settingsPath);
      std::string replaced = text::ReplaceAll(title, "8.0S", session_.m_versionText);
      std::string written = text::CutToBytes(replaced, kTitleBuffer - 1);
      if (written.size() < replaced.size()) {
        AddLine(Severity::Warning, "target.title-cut", kLineVersionText, "新しい TITLE が99バイトを超えるため切り詰められます: " + written,
                "the new TITLE exceeds 99 bytes and would be cut: " + written);
      }
      if (written == title) {
        Plan("plan.title-unchanged", kLineVersionText, "TITLE に 8.0S がないため、TITLE は変わりません。",
             "TITLE holds no 8.0S and stays as it is");
      } else {
        setting(settingsPath, "[SYSTEM] TITLE=" + written, kLineVersionText);
      }
    }
    setting(work + "tov3.ini", "[HISTORY] 抽出開始日ON=1, 抽出終了日ON=1", 0);
    for (const char* key : engine::CategoryKeysFor(text::AtoiLike(session_.m_category))) {
      if (key) setting(settingsPath, std::string("[SYSTEM] ") + key + "=1", kLineCategory);
    }
    if (text::AtoiLike(session_.m_masterAdjust) == 1) {
      std::string master = targets::MasterFolderSetting(work + "morefa1.ini");
      if (master.empty()) {
        AddLine(Severity::Warning, "target.no-master-folder", kLineMasterAdjust,
                P(work + "morefa1.ini") + " に [DIR] MASTER がないため、マスタ変換は失敗を報告します。",
                P(work + "morefa1.ini") + " names no [DIR] MASTER folder, so both master conversions would report a failure.");
      } else {
        Plan("plan.convert-masters", kLineMasterAdjust, "材料マスタ（" + master + "）のサイズ変換とタイプ変換を行います。",
             "would convert material sizes and types of the masters in " + master);
      }
    } else {
      Plan("plan.no-conversion", kLineMasterAdjust, "マスタ変換は行いません。", "no master conversion");
    }
  }

  Options options_;
  Report report_;
  std::string root_;
  std::string infoShown_;
  bool perDisk_ = false;
  std::map<int, std::string> diskFolder_;  // disk number -> folder ending with a separator
  std::map<int, std::string> diskShown_;   // disk number -> "disk2/" ("" for the medium's folder)
  std::vector<std::string> lines_;
  UpdateSession session_;
  bool recordOk_[kMaxRecords] = {};
  int driveBefore_[kMaxRecords] = {};
  std::vector<std::string> writes_[kMaxRecords];
  std::map<std::string, ArchiveResult> archives_;
  std::set<std::string> reported_;
};

}  // namespace

std::string Finding::Where() const { return line > 0 ? file + ":" + std::to_string(line) : file; }

int Report::Count(Severity severity) const {
  int n = 0;
  for (const Finding& f : findings) n += f.severity == severity;
  return n;
}

int Report::ExitStatus() const {
  if (Count(Severity::Error) > 0) return 2;
  if (Count(Severity::Warning) > 0) return 1;
  return 0;
}

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Info: return "info";
    case Severity::Warning: return "warning";
    case Severity::Error: return "error";
  }
  return "";
}

Report CheckMedium(const std::string& mediumDir, const Options& options) {
  return Checker(mediumDir, options).Run();
}

}  // namespace check
