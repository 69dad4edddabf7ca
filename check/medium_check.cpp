// The medium checker. The descriptor is read twice: once by LoadDescriptor,
// exactly as the wizard loads it, and once line by line so that every faulty
// line can be named (the loader keeps only the first). Archives are walked
// with the decoder in the order the extraction component walks them,
// pictures go through the wizard's own reader, and the installation checks
// are the run's own functions, which only read.
#include "check/medium_check.h"

#include <algorithm>
#include <utility>

#include "check/checker.h"
#include "text/cp932.h"

namespace check {

std::string Num(long long n) { return std::to_string(n); }

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

Report Checker::Run() {
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

// The descriptor's findings in line order, then those of the other files
// in the order they were found.
void Checker::SortByLine() {
  std::stable_sort(report_.findings.begin(), report_.findings.end(), [this](const Finding& a, const Finding& b) {
    bool aInfo = a.file == infoShown_;
    bool bInfo = b.file == infoShown_;
    if (aInfo != bInfo) return aInfo;
    return aInfo && a.line < b.line;
  });
}

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
