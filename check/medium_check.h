// Checking an update medium before it ships: the descriptor, the archives
// and files of its records, its pictures and, given an installation, what
// the update run would do there. Everything is read through the same code
// the wizard and the run use; nothing is written.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "gfx/bmp_read.h"

namespace check {

// Info findings describe (a picture's size, what the run would do); they do
// not change the exit status.
enum class Severity { Info, Warning, Error };

struct Finding {
  Severity severity = Severity::Info;
  std::string code;       // stable identifier, e.g. "record.missing-archive"
  std::string file;       // "info.txt", or a file of the medium ("disk2/DATA.lzh")
  int line = 0;           // descriptor line, 0 when the finding concerns a whole file
  std::string messageJa;  // code page 932
  std::string messageEn;

  // "info.txt:44" or "PROG.lzh".
  std::string Where() const;
};

struct Options {
  // Installation folder to check the run against (code page 932, as the run
  // would be given it); empty for the medium alone.
  std::string target;
  // The folder names that go into every extraction command on the user's
  // machine: the Windows folder and the program's own folder on the medium
  // (a floppy or CD root is "A:" or "D:").
  std::string windowsFolder = "C:\\WINDOWS";
  std::string sourceDir = "A:";
  // How the paths the check builds in the installation are shown: doubled
  // separators always become one; a separator here ('/' where the user
  // typed the target with '/') replaces every '\\' of them.
  char shownSeparator = 0;
};

struct Report {
  std::vector<Finding> findings;
  // Disk folders found ("disk1", "disk2", ...); empty for a one-folder medium.
  std::vector<std::string> diskFolders;

  int Count(Severity severity) const;
  // 0 clean, 1 warnings only, 2 errors.
  int ExitStatus() const;
};

// Checks the medium in `mediumDir` (code page 932, with or without a final
// separator): info.txt there, or in disk1/ when the medium is laid out one
// folder per disk (disk1/, disk2/, ...).
Report CheckMedium(const std::string& mediumDir, const Options& options = Options());

const char* SeverityName(Severity severity);  // "info", "warning", "error"

// Why the wizard's reader refuses a picture, as a sentence (Japanese, English).
std::pair<std::string, std::string> PictureHint(gfx::BitmapFault fault);

}  // namespace check
