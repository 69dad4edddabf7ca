// The descriptor's own lint: the text encoding, the fixed lines, the title
// patterns and the record lines, read line by line so that every faulty line
// can be named (the loader keeps only the first).
#include "check/checker.h"

#include "engine/run_rules.h"
#include "os/os.h"
#include "text/cp932.h"

namespace check {
namespace {

constexpr int kMaxLineBreaks = 100;

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

}  // namespace

bool Checker::ReadLines() {
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

void Checker::CheckTexts() {
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

void Checker::CheckFixedLines() {
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

bool Checker::MakerPossible() const {
  const std::string& s = session_.m_settingsFile;
  return s == "NULL" || text::UpperAscii(s) == "PILUNET1.INI";
}

bool Checker::TitlePossible() const { return text::UpperAscii(session_.m_settingsFile) != "PILUNET1.INI"; }

// Version indexes the classification can give: title patterns up to and
// including the first empty one (which every title contains), then the
// two maker variants.
std::vector<int> Checker::SelectableIndexes() const {
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

void Checker::CheckTitlePatterns() {
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

void Checker::CheckRecordLines() {
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
void Checker::ReportSubfolderOutside(int n, const std::string& sub) {
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

// Longest name a START record can take with the selectable variants.
std::string Checker::LongestStartName(int k) const {
  const std::string& base = session_.RecordAt(k).name;
  std::string longest = base;
  for (int index : SelectableIndexes()) {
    std::string name = base + engine::StartSuffix(index);
    if (name.size() > longest.size()) longest = name;
  }
  return longest;
}

// The commands for line 16's folder, as the probe would end it.
void Checker::CheckProposedCommands() {
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

}  // namespace check
