// Loading of the update descriptor info.txt into an UpdateSession.
#include <cstring>

#include "engine/update_session.h"
#include "os/os.h"
#include "text/cp932.h"

namespace {

constexpr int kMaxLineBreaks = 100;

void NoteFault(UpdateSession& s, int lineNumber, RecordFault fault) {
  if (s.m_recordFault == RecordFault::None) {
    s.m_recordFault = fault;
    s.m_faultyLine = lineNumber;
  }
}

}  // namespace

RecordFields SplitRecordLine(const std::string& line) {
  RecordFields r;
  std::size_t start = 0;
  int count = 0;
  for (; count < 4; ++count) {
    std::size_t comma = line.find(',', start);  // ',' is never a trail byte
    if (count == 3 || comma == std::string::npos) {
      r.field[count] = line.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      ++count;
      break;
    }
    r.field[count] = line.substr(start, comma - start);
    start = comma + 1;
  }
  if (count < 4) r.fault = RecordFault::MissingField;
  for (auto& f : r.field) {
    if (f.empty()) {
      r.fault = RecordFault::MissingField;
    } else if (f.size() > kRecordFieldMaxBytes) {
      if (r.fault == RecordFault::None) r.fault = RecordFault::FieldTooLong;
      f = text::CutToBytes(f, kRecordFieldMaxBytes);
    }
  }
  if (r.fault == RecordFault::None) {
    // Paths are formed by appending: the subfolder to the installation
    // folder, the name to the medium's folder. Neither may lead elsewhere.
    text::PathParts name = text::SplitPath(r.field[2]);
    if (LeavesItsFolder(r.field[3])) {
      r.fault = RecordFault::SubfolderOutside;
    } else if (LeavesItsFolder(name.drive + name.dir)) {
      r.fault = RecordFault::NameOutside;
    }
  }
  return r;
}

bool LeavesItsFolder(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && !text::IsLeadByte(static_cast<unsigned char>(path[0]))) return true;
  if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return true;
  std::size_t dots = 0;
  bool onlyDots = true;
  for (std::size_t i = 0; i <= path.size();) {
    std::size_t n = i < path.size() ? text::CharLength(path, i) : 1;
    if (i == path.size() || (n == 1 && (path[i] == '\\' || path[i] == '/'))) {
      if (onlyDots && dots >= 2) return true;
      dots = 0;
      onlyDots = true;
    } else if (n == 1 && path[i] == '.') {
      ++dots;
    } else if (!(n == 1 && path[i] == ' ')) {
      onlyDots = false;
    }
    i += n;
  }
  return false;
}

void RestoreLineBreaks(std::string& text) {
  std::size_t from = 0;
  for (int n = 0; n < kMaxLineBreaks; ++n) {
    std::size_t tab = text.find('\t', from);  // TAB is never a trail byte
    if (tab == std::string::npos) return;
    text[tab] = '\r';
    if (tab + 1 == text.size()) {
      text += '\n';
    } else {
      // The filler character becomes the line feed; a double-byte filler is
      // replaced whole so that no stray trail byte is left behind.
      text.replace(tab + 1, text::CharLength(text, tab + 1), "\n");
    }
    from = tab + 2;
  }
}

const char* RecordFaultText(RecordFault fault) {
  switch (fault) {
    case RecordFault::None:
      return "";
    case RecordFault::MissingField:
      return "4つの項目がそろっていません";
    case RecordFault::FieldTooLong:
      return "31バイトを超える項目があります";
    case RecordFault::TooManyRecords:
      return "インストール項目が100を超えています";
    case RecordFault::SubfolderOutside:
      return "フォルダがインストール先フォルダの外を指しています";
    case RecordFault::NameOutside:
      return "名前が更新ディスクのフォルダの外を指しています";
  }
  return "";
}

int LoadDescriptor(UpdateSession& s, const std::string& sourceDir) {
  s.m_recordCount = 0;
  os::LineReader reader;
  if (!reader.Open(sourceDir + "info.txt")) return 0;

  std::string lines[kDescriptorFixedLines];
  for (auto& line : lines) {
    if (!reader.ReadLine(line)) line.clear();
  }
  auto fixed = [&lines](int number) -> const std::string& { return lines[number - 1]; };
  for (int i = 0; i < kUninstallKeyCount; ++i) s.m_uninstallKeys[i] = fixed(kLineFirstUninstallKey + i);
  s.m_targetFolder = fixed(kLineTargetFolder);
  s.m_masterAdjust = fixed(kLineMasterAdjust);
  s.m_settingsFile = fixed(kLineSettingsFile);
  s.m_category = fixed(kLineCategory);
  s.m_versionText = fixed(kLineVersionText);
  s.m_viewBitmap = fixed(kLineViewBitmap);
  s.m_notesBitmap = fixed(kLineNotesBitmap);
  s.m_targetBitmap = fixed(kLineTargetBitmap);
  s.m_confirmBitmap = fixed(kLineConfirmBitmap);
  s.m_notesText = fixed(kLineNotesText);
  s.m_targetText = fixed(kLineTargetText);
  for (int i = 0; i < kTitlePatternCount; ++i) s.m_titlePatterns[i] = fixed(kLineFirstTitlePattern + i);

  s.m_recordCount = 0;
  s.m_faultyLine = 0;
  s.m_recordFault = RecordFault::None;
  std::string line;
  for (int lineNumber = kFirstRecordLine; reader.ReadLine(line); ++lineNumber) {
    if (s.m_recordCount == kMaxRecords) {
      NoteFault(s, lineNumber, RecordFault::TooManyRecords);
      break;
    }
    RecordFields r = SplitRecordLine(line);
    if (r.fault != RecordFault::None) NoteFault(s, lineNumber, r.fault);
    int k = s.m_recordCount;
    s.m_diskNumbers[k] = text::AtoiLike(r.field[0]);
    s.m_recordKinds[k] = text::AtoiLike(r.field[1]);
    s.m_archiveNames[k] = text::UpperAscii(r.field[2]);
    s.m_subFolders[k] = r.field[3];
    ++s.m_recordCount;
  }

  RestoreLineBreaks(s.m_notesText);
  RestoreLineBreaks(s.m_targetText);
  return 1;
}
