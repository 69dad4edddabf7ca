// The state of one update: the descriptor info.txt as loaded, the folder the
// user chose and the product classification the run finds.
#pragma once

#include <string>

constexpr int kMaxRecords = 100;
constexpr int kUninstallKeyCount = 15;
constexpr int kTitlePatternCount = 15;
constexpr std::size_t kRecordFieldMaxBytes = 31;
// Lines 1 to 42 of info.txt are fixed; install records start on line 43.
constexpr int kDescriptorFixedLines = 42;
constexpr int kFirstRecordLine = kDescriptorFixedLines + 1;
// The fixed lines (1-based), as the loader reads them and the check names
// them. Line 17 is not read.
constexpr int kLineFirstUninstallKey = 1;  // to 15
constexpr int kLineTargetFolder = 16;
constexpr int kLineMasterAdjust = 18;
constexpr int kLineSettingsFile = 19;
constexpr int kLineCategory = 20;
constexpr int kLineVersionText = 21;
constexpr int kLineViewBitmap = 22;
constexpr int kLineNotesBitmap = 23;
constexpr int kLineTargetBitmap = 24;
constexpr int kLineConfirmBitmap = 25;
constexpr int kLineNotesText = 26;
constexpr int kLineTargetText = 27;
constexpr int kLineFirstTitlePattern = 28;  // to 42

// What an install record installs: kind 1 is an LZH archive (named without
// .lzh); every other number copies a single file.
enum class RecordKind { Archive, File };
constexpr int kArchiveKindNumber = 1;
inline RecordKind RecordKindOf(int number) {
  return number == kArchiveKindNumber ? RecordKind::Archive : RecordKind::File;
}

// One install record, read from the session's four record tables. The
// strings are the session's own, so a view sees the START suffix the run
// appends to the name.
struct Record {
  int disk;
  RecordKind kind;
  int kindNumber;  // as written in info.txt
  const std::string& name;
  const std::string& subfolder;
  bool IsArchive() const { return kind == RecordKind::Archive; }
};

// Why a record line of the descriptor cannot be used. The session keeps the
// first such line so that the run can refuse the medium before it changes
// anything.
enum class RecordFault {
  None,
  MissingField,   // fewer than four fields, or an empty one
  FieldTooLong,   // a field longer than 31 bytes
  TooManyRecords, // a 101st record line
  // The subfolder is not a folder inside the installation folder: it names a
  // drive, starts at a root (\x\), or climbs out through "..".
  SubfolderOutside,
  // The name's folder part leaves the medium's folder the same ways.
  NameOutside,
};

// One record line split into "disk,kind,name,subfolder"; the subfolder runs
// to the end of the line or to a fourth comma. Fields longer than 31 bytes
// are cut; `fault` says why the line cannot be used, if it cannot (a missing
// or overlong field first, then a subfolder or name that leaves its folder).
struct RecordFields {
  std::string field[4];
  RecordFault fault = RecordFault::None;
};
RecordFields SplitRecordLine(const std::string& line);

// Whether a relative path given by the descriptor leaves the folder it is
// appended to: it names a drive ("C:x", "C:\x"), starts with a separator, or
// holds a ".." component. A component made only of dots and blanks with at
// least two dots counts as "..", since Windows drops trailing dots and
// blanks from a name.
bool LeavesItsFolder(const std::string& path);

struct UpdateSession {
  std::string m_targetFolder;
  std::string m_settingsFile;
  std::string m_uninstallKeys[kUninstallKeyCount];
  std::string m_masterAdjust;
  std::string m_category;
  std::string m_viewBitmap;
  std::string m_notesBitmap;
  std::string m_targetBitmap;
  std::string m_confirmBitmap;
  std::string m_notesText;
  std::string m_targetText;
  std::string m_archiveNames[kMaxRecords];
  std::string m_subFolders[kMaxRecords];
  std::string m_versionText;
  int m_diskNumbers[kMaxRecords] = {};
  int m_recordKinds[kMaxRecords] = {};
  int m_recordCount = 0;
  std::string m_titlePatterns[kTitlePatternCount];
  int m_versionIndex = 0;

  // First faulty record line, if any: its 1-based line number in info.txt
  // and the kind of fault.
  int m_faultyLine = 0;
  RecordFault m_recordFault = RecordFault::None;

  // Install record k (0 <= k < m_recordCount).
  Record RecordAt(int k) const {
    return Record{m_diskNumbers[k], RecordKindOf(m_recordKinds[k]), m_recordKinds[k], m_archiveNames[k], m_subFolders[k]};
  }
};

// Reads sourceDir + "info.txt" into the session. Returns 1 when the file was
// opened and read, 0 when it does not open (every field then keeps its value).
int LoadDescriptor(UpdateSession& session, const std::string& sourceDir);

// Restores line breaks written as a TAB and one filler character: at most 100
// times the first TAB becomes CR and the character after it LF. A TAB that is
// the last character becomes CR LF (the text grows by one byte).
void RestoreLineBreaks(std::string& text);

// Text for a record fault, for messages ("" for None).
const char* RecordFaultText(RecordFault fault);
