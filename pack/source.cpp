// medium.ini: the author's description of a medium, read with the profile
// rules of the settings files (os/profile_text.h) after its UTF-8 text is
// converted to code page 932, and checked field by field.
#include <cstdlib>
#include <set>

#include "engine/run_rules.h"
#include "gfx/bmp_read.h"
#include "os/os.h"
#include "os/profile_text.h"
#include "pack/pack_internal.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace pack {

const char kSourceFile[] = "medium.ini";

namespace {

// A line break of the notes and target texts: the wizard turns a TAB into CR
// and the byte after it into LF, so the filler must be one single-byte
// character.
const char kLineBreak[] = "\t_";
constexpr int kMaxLineBreaks = 100;
// The installed TITLE is read into 100 bytes: a longer pattern never matches.
constexpr std::size_t kTitleMaxBytes = 99;

std::string Num(long long n) { return std::to_string(n); }

bool ReadWhole(const std::string& path, std::string& out) {
  os::InputFile in;
  if (!in.Open(path)) return false;
  char buffer[65536];
  for (;;) {
    long long n = in.Read(buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

// A separator, or a character no Windows file name may hold.
bool HasSeparator(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); i += text::CharLength(s, i)) {
    if (text::CharLength(s, i) == 1 && std::string("\\/:*?\"<>|").find(s[i]) != std::string::npos) return true;
  }
  return false;
}

// "prog/sub" or "prog\sub" as a relative folder ending with '\'; "" and "."
// stand for the installation folder itself, written ".\" since a record's
// subfolder cannot be empty.
std::string AsSubfolder(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = text::CharLength(s, i);
    out += n == 1 && s[i] == '/' ? std::string("\\") : s.substr(i, n);
    i += n;
  }
  if (out.empty() || out == ".") return ".\\";
  return text::WithTrailingSeparator(out);
}

class Reader {
 public:
  Reader(Plan& plan, std::vector<Problem>& problems) : plan_(plan), problems_(problems) {}

  void Fail(int line, const std::string& ja, const std::string& en) { AddProblem(problems_, kSourceFile, line, ja, en); }

  void Entries(const std::vector<os::ProfileEntry>& entries) {
    std::string section;
    Item* item = nullptr;
    int keyCount = 0;
    int notesLines[2] = {0, 0};
    std::set<std::string> seenSections;
    for (const os::ProfileEntry& e : entries) {
      if (e.section) {
        section = text::UpperAscii(e.name);
        item = nullptr;
        std::string kind = section.substr(0, section.find(' '));
        if (kind == "ARCHIVE" || kind == "FILE") {
          Item it;
          it.archive = kind == "ARCHIVE";
          it.line = e.line;
          std::size_t space = e.name.find(' ');
          it.name = space == std::string::npos ? std::string() : TrimmedCopy(e.name.substr(space + 1));
          if (it.name.empty()) {
            Fail(e.line, "[" + e.name + "] に名前がありません（例: [archive PROG]、[file readme.txt]）。",
                 "[" + e.name + "] has no name (e.g. [archive PROG], [file readme.txt]).");
          }
          plan_.items.push_back(it);
          item = &plan_.items.back();
          if (it.archive) item->folder = it.name;
          if (!it.archive) item->source = it.name;
        } else if (section != "MEDIUM" && section != "NOTES" && section != "TARGET-TEXT" && section != "TITLES") {
          Fail(e.line, "不明なセクション [" + e.name + "] です。",
               "unknown section [" + e.name + "] (medium, notes, target-text, titles, archive NAME, file NAME).");
        } else if (!seenSections.insert(section).second) {
          Fail(e.line, "セクション [" + e.name + "] が2回あります。", "section [" + e.name + "] appears twice.");
        }
        continue;
      }
      const std::string key = text::UpperAscii(e.name);
      if (!key.empty() && (key[0] == ';' || key[0] == '#')) continue;
      if (section.empty()) {
        Fail(e.line, "セクションの前にキーがあります。", "a key before any section.");
      } else if (section == "MEDIUM") {
        Medium(e, key, keyCount);
      } else if (section == "NOTES" || section == "TARGET-TEXT") {
        bool notes = section == "NOTES";
        if (key != "LINE") {
          Unknown(e);
          continue;
        }
        if (text::FindChar(e.value, '\t') != std::string::npos) {
          Fail(e.line, "TAB は使えません（ウィザードでは改行になります）。", "holds a TAB, which the wizard shows as a line break.");
        }
        std::string& t = notes ? plan_.notes : plan_.targetText;
        int& n = notesLines[notes ? 0 : 1];
        if (n++ > 0) t += kLineBreak;
        t += e.value;
        if (n == kMaxLineBreaks + 2) {
          Fail(e.line, "文章は " + Num(kMaxLineBreaks + 1) + " 行までです（改行は100個まで）。",
               "a text has at most " + Num(kMaxLineBreaks + 1) + " lines (100 line breaks).");
        }
      } else if (section == "TITLES") {
        char* end = nullptr;
        long i = std::strtol(e.name.c_str(), &end, 10);
        if (e.name.empty() || *end != '\0' || i < 1 || i > kTitlePatternCount) {
          Fail(e.line, "タイトルのパターンは 1= ～ 15= で書きます。", "title patterns are written 1= to 15=.");
        } else if (e.value.size() > kTitleMaxBytes) {
          Fail(e.line, "パターンが " + Num(static_cast<long long>(e.value.size())) + " バイトあります。TITLE は99バイトまでしか読まれないため、一致しません。",
               "the pattern is " + Num(static_cast<long long>(e.value.size())) +
                   " bytes; a TITLE is read up to 99 bytes, so it never matches.");
        } else {
          plan_.titles[i - 1] = e.value;
        }
      } else if (item) {
        ItemKey(*item, e, key);
      }
    }
  }

 private:
  static std::string TrimmedCopy(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
    return s.substr(b);
  }

  void Unknown(const os::ProfileEntry& e) {
    Fail(e.line, "不明なキー「" + e.name + "」です。", "unknown key \"" + e.name + "\".");
  }

  void Medium(const os::ProfileEntry& e, const std::string& key, int& keyCount) {
    static const char* const kPictureKeys[] = {"PICTURE.MAIN", "PICTURE.NOTES", "PICTURE.TARGET", "PICTURE.CONFIRM"};
    if (key == "KEY") {
      if (keyCount == kUninstallKeyCount) {
        Fail(e.line, "アンインストールキーは15個までです。", "at most 15 uninstall keys.");
      } else {
        plan_.keys[keyCount++] = e.value;
      }
      return;
    }
    for (int i = 0; i < 4; ++i) {
      if (key == kPictureKeys[i]) {
        std::size_t slash = text::FindLastSeparator(e.value);
        plan_.pictureFrom[i] = e.value;
        plan_.pictures[i] = slash == std::string::npos ? e.value : e.value.substr(slash + 1);
        plan_.pictureLines[i] = e.line;
        return;
      }
    }
    if (key == "FOLDER") {
      plan_.folder = e.value;
    } else if (key == "MASTER-ADJUST") {
      if (e.value != "0" && e.value != "1") {
        Fail(e.line, "master-adjust は 0 か 1 です。", "master-adjust is 0 or 1.");
      }
      plan_.masterAdjust = e.value;
    } else if (key == "SETTINGS") {
      plan_.settings = e.value;
    } else if (key == "CATEGORY") {
      if (e.value.size() != 1 || e.value[0] < '0' || e.value[0] > '6') {
        Fail(e.line, "category は 1～6（種別なしは 0）です。", "category is 1 to 6 (0 for none).");
      }
      plan_.category = e.value;
    } else if (key == "VERSION") {
      plan_.version = e.value;
    } else {
      Unknown(e);
    }
  }

  void ItemKey(Item& item, const os::ProfileEntry& e, const std::string& key) {
    if (key == "INTO") {
      item.into = AsSubfolder(e.value);
    } else if (item.archive && key == "FOLDER") {
      item.folder = e.value;
      item.folderLine = e.line;
    } else if (item.archive && key.compare(0, 7, "FOLDER.") == 0) {
      char* end = nullptr;
      long i = std::strtol(key.c_str() + 7, &end, 10);
      if (!engine::IsStartArchive(item.name)) {
        Fail(e.line, "版ごとのフォルダ（folder.N）は START 書庫だけのものです。", "per-version folders (folder.N) are for the START archive only.");
      } else if (key.size() == 7 || *end != '\0' || !((i >= 0 && i <= kTitlePatternCount) || i == 99)) {
        Fail(e.line, "folder.N の N は 0～15 か 99 です。", "the N of folder.N is 0 to 15 or 99.");
      } else {
        item.variants[static_cast<int>(i)] = e.value;
        item.variantLines[static_cast<int>(i)] = e.line;
      }
    } else if (!item.archive && key == "SOURCE") {
      item.source = e.value;
      item.sourceLine = e.line;
    } else {
      Unknown(e);
    }
  }

  Plan& plan_;
  std::vector<Problem>& problems_;
};

}  // namespace

void AddProblem(std::vector<Problem>& problems, const std::string& file, int line, const std::string& ja,
                const std::string& en) {
  Problem p;
  p.file = file;
  p.line = line;
  p.ja = ja;
  p.en = en;
  problems.push_back(std::move(p));
}

std::string Problem::Where() const { return line > 0 ? file + ":" + Num(line) : file; }

std::vector<int> SelectableIndexes(const Plan& plan) {
  std::vector<int> out;
  const std::string settings = text::UpperAscii(plan.settings);
  if (settings != "PILUNET1.INI") {
    for (int i = 0; i < kTitlePatternCount; ++i) {
      out.push_back(i + 1);
      if (plan.titles[i].empty()) break;
    }
  }
  if (settings == "NULL" || settings == "PILUNET1.INI") {
    out.push_back(0);
    out.push_back(99);
  }
  return out;
}

std::string RecordLine(int disk, bool archive, const std::string& name, const std::string& into) {
  return Num(disk) + "," + (archive ? "1" : "2") + "," + name + "," + into;
}

std::string InfoText(const Plan& plan, const std::vector<std::string>& records) {
  std::vector<std::string> lines;
  for (const std::string& k : plan.keys) lines.push_back(k);
  lines.push_back(plan.folder);
  lines.push_back("");
  lines.push_back(plan.masterAdjust.empty() ? "0" : plan.masterAdjust);
  lines.push_back(plan.settings);
  lines.push_back(plan.category.empty() ? "0" : plan.category);
  lines.push_back(plan.version);
  for (const std::string& p : plan.pictures) lines.push_back(p);
  lines.push_back(plan.notes);
  lines.push_back(plan.targetText);
  for (const std::string& t : plan.titles) lines.push_back(t);
  for (const std::string& r : records) lines.push_back(r);
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

bool ReadPlan(const std::string& sourceDir, Plan& plan, std::vector<Problem>& problems) {
  const std::size_t before = problems.size();
  std::string raw;
  if (!ReadWhole(sourceDir + kSourceFile, raw)) {
    AddProblem(problems, kSourceFile, 0, std::string(kSourceFile) + " を読めません。",
               std::string("cannot read ") + kSourceFile + ".");
    return false;
  }
  if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
  // Line by line, so that a character code page 932 cannot hold is named
  // with its line.
  std::string content;
  int number = 0;
  for (std::size_t pos = 0; pos < raw.size();) {
    std::size_t end = raw.find('\n', pos);
    std::string line = raw.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? raw.size() : end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool ok = true;
    std::string converted = text::Utf8ToCp932(line, &ok);
    if (!ok) {
      AddProblem(problems, kSourceFile, number, "シフトJIS（コードページ932）で表せない文字があるか、UTF-8 ではありません。",
                 "holds a character code page 932 cannot represent, or is not UTF-8.");
    }
    content += converted + "\n";
  }
  Reader reader(plan, problems);
  reader.Entries(os::ProfileEntries(content));
  if (plan.settings.empty()) {
    AddProblem(problems, kSourceFile, 0, "[medium] に settings=（設定ファイル名か NULL）がありません。",
               "[medium] has no settings= (the settings file name, or NULL).");
  }
  const std::vector<int> indexes = SelectableIndexes(plan);
  if (plan.items.size() > static_cast<std::size_t>(kMaxRecords)) {
    AddProblem(problems, kSourceFile, plan.items[kMaxRecords].line, "記録は100件までです。",
               "at most 100 records; this one is the 101st.");
  }
  for (Item& item : plan.items) {
    if (item.name.empty()) continue;
    if (item.into.empty()) {
      AddProblem(problems, kSourceFile, item.line, "into=（インストール先のフォルダ）がありません。",
                 "has no into= (the folder in the installation).");
      continue;
    }
    if (HasSeparator(item.name) || (item.archive && text::FindChar(item.name, '.') != std::string::npos)) {
      AddProblem(problems, kSourceFile, item.line,
                 item.archive ? "書庫名「" + item.name + "」にはフォルダも拡張子も \\/:*?\"<>| も書けません（.lzh は付きます）。"
                              : "ファイル名「" + item.name + "」にフォルダも \\/:*?\"<>| も書けません（媒体の直下に置かれます）。",
                 item.archive ? "the archive name \"" + item.name + "\" takes neither folder, extension nor \\/:*?\"<>| (.lzh is added)."
                              : "the file name \"" + item.name + "\" takes neither folder nor \\/:*?\"<>| (it lies at the medium's root).");
      continue;
    }
    // The record line as the run splits it: longest name it can take.
    std::string longest = item.name;
    if (item.archive && engine::IsStartArchive(item.name)) longest += "99";
    std::string line = RecordLine(1, item.archive, longest, item.into);
    RecordFields f = SplitRecordLine(line);
    bool commas = text::FindChar(item.name, ',') != std::string::npos || text::FindChar(item.into, ',') != std::string::npos;
    if (commas) {
      AddProblem(problems, kSourceFile, item.line, "名前やフォルダにカンマは使えません。", "names and folders cannot hold a comma.");
    } else if (f.fault == RecordFault::FieldTooLong) {
      AddProblem(problems, kSourceFile, item.line,
                 "名前「" + longest + "」かフォルダ「" + item.into + "」が31バイトを超えます。",
                 "the name \"" + longest + "\" or the folder \"" + item.into + "\" is longer than 31 bytes.");
    } else if (f.fault == RecordFault::SubfolderOutside) {
      AddProblem(problems, kSourceFile, item.line,
                 "フォルダ「" + item.into + "」がインストール先フォルダの外を指しています。",
                 "the folder \"" + item.into + "\" leads out of the installation folder.");
    } else if (f.fault != RecordFault::None) {
      AddProblem(problems, kSourceFile, item.line, RecordFaultText(f.fault), RecordFaultText(f.fault));
    }
    if (item.archive && engine::IsStartArchive(item.name)) {
      std::string missing;
      for (int index : indexes) {
        if (!item.variants.count(index) && item.folderLine == 0) missing += (missing.empty() ? "" : ", ") + Num(index);
      }
      if (!missing.empty()) {
        AddProblem(problems, kSourceFile, item.line,
                   "START 書庫の版 " + missing + " のフォルダがありません。folder=（全版共通）か folder.N= を書いてください。",
                   "the START archive has no folder for version(s) " + missing +
                       "; give folder= (for every version) or folder.N=.");
      }
    }
  }
  return problems.size() == before;
}

bool CheckPictures(const std::string& sourceDir, const Plan& plan, std::vector<Problem>& problems) {
  const std::size_t before = problems.size();
  for (int i = 0; i < 4; ++i) {
    if (plan.pictureFrom[i].empty()) continue;
    const std::string path = sourceDir + plan.pictureFrom[i];
    std::vector<std::uint8_t> block(gfx::kInitialBlockSize);
    std::uint16_t bitsOffset = 0;
    gfx::BitmapFault fault = gfx::BitmapFault::None;
    if (!os::Exists(path) || os::IsDirectory(path)) {
      AddProblem(problems, kSourceFile, plan.pictureLines[i], "画像 " + plan.pictureFrom[i] + " がありません。",
                 "the picture " + plan.pictureFrom[i] + " is missing.");
    } else if (gfx::ReadBitmapFile(path, block, bitsOffset, &fault) != 1) {
      std::pair<std::string, std::string> why = check::PictureHint(fault);
      AddProblem(problems, kSourceFile, plan.pictureLines[i],
                 "画像 " + plan.pictureFrom[i] + " をウィザードは描けません: " + why.first,
                 "the wizard cannot draw the picture " + plan.pictureFrom[i] + ": " + why.second);
    }
  }
  return problems.size() == before;
}

bool FolderDescriptor(const std::string& sourceDir, std::string& descriptor, std::vector<Problem>& problems) {
  Plan plan;
  if (!ReadPlan(text::WithTrailingSeparator(sourceDir), plan, problems)) return false;
  std::vector<std::string> records;
  for (const Item& item : plan.items) records.push_back(RecordLine(1, item.archive, item.name, item.into));
  descriptor = InfoText(plan, records);
  return true;
}

}  // namespace pack
