// The medium checker's shared state, used only inside check/. One Checker
// runs one check; its parts live by concern:
//   medium_check.cpp     the run of the checks and the order of the findings
//   medium_layout.cpp    the medium's folders per disk, which disk a file is read from
//   descriptor_lint.cpp  the descriptor's own lines (descriptor.*, title.*, record.*)
//   medium_files.cpp     the records' archives and files, and the pictures
//   target_plan.cpp      an installation: the run's checks and the per-record plan
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/medium_check.h"
#include "engine/update_plan.h"
#include "engine/update_session.h"
#include "text/cp932.h"

namespace check {

const char kInfoTxt[] = "info.txt";

std::string Num(long long n);

// A path as a key for comparing where files land: separators unified and not
// doubled, ASCII letters upper-cased, double-byte characters left whole.
std::string PathKey(const std::string& path);

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

class Checker {
 public:
  Checker(const std::string& mediumDir, const Options& options) : options_(options) {
    root_ = text::WithTrailingSeparator(mediumDir);
  }

  Report Run();

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

  void SortByLine();

  // ---- layout (medium_layout.cpp) ------------------------------------------

  bool FindLayout();

  // A path in the installation, for a message.
  std::string P(const std::string& path) const { return text::ShownPath(path, options_.shownSeparator); }

  std::string Shown(int disk, const std::string& name) const;

  struct Located {
    bool found = false;
    int disk = 1;           // the disk folder it was looked for, or found, on
    int misplacedDisk = 0;  // another disk folder that holds it
    std::string name;       // as looked for, relative to a disk folder
    std::string path;
    std::string noteJa;  // a hint for the message when it was not found
    std::string noteEn;
  };

  int DriveFor(int k) const;
  Located Locate(int k, const std::string& name);
  static void Hint(const std::string& name, Located& at);

  // ---- descriptor (descriptor_lint.cpp) --------------------------------------

  bool ReadLines();

  bool HasLine(int line) const { return line >= 1 && line <= static_cast<int>(lines_.size()); }
  const std::string& Line(int line) const { return lines_[static_cast<std::size_t>(line - 1)]; }

  void CheckTexts();
  void CheckFixedLines();
  bool MakerPossible() const;
  bool TitlePossible() const;
  std::vector<int> SelectableIndexes() const;
  void CheckTitlePatterns();
  void CheckRecordLines();
  void ReportSubfolderOutside(int n, const std::string& sub);
  std::string LongestStartName(int k) const;
  void CheckProposedCommands();

  // ---- archives, files and pictures (medium_files.cpp) -------------------------

  const ArchiveResult& Tested(const std::string& path);
  void TestAndRemember(int k, const Located& at);
  void CheckRecordFiles();
  void ReportMissing(int k, const Located& at, const char* missingCode, const char* ja, const char* en,
                     const std::string& name);
  void CheckExcel(int k, const Located& at);
  void CheckStartVariants();
  void CheckSameTargets();
  void CheckPictures();

  // ---- the installation (target_plan.cpp) ----------------------------------------

  void CheckTarget();
  void Classified(const engine::UpdatePlan& plan);
  void Refused(const engine::UpdatePlan& plan, const engine::PlanStep& step);
  void PlanStop(int line);
  void PlanTitle(const engine::PlanStep& step);
  void PlanConversion(const engine::PlanStep& step);

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

}  // namespace check
