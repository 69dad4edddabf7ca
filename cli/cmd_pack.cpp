// brelix-cli pack: builds an update medium from an author's source folder
// (medium.ini, the pictures, one folder per archive, single files).
#include <string>

#include "check/medium_check.h"
#include "cli/cli.h"
#include "os/os.h"
#include "pack/pack.h"
#include "text/cp932.h"

namespace {

int PackMedium(const cli::Args& args);

const cli::Command kPack = {
    "pack",
    "pack SOURCE OUTPUT [--media floppy|cd|folder] [--method lh5|lh6|lh7] [--images] [--exe PATH|none] [--force]  "
    "(build an update medium)",
    PackMedium};

// Brelix.exe beside brelix-cli (an author's copy of both), else in the
// Windows build trees: build-win/app/ from build-win/cli/, and from a native
// build/cli/ the sibling build-win/app/.
std::string FindExe() {
  std::string self = os::ExecutablePath();
  std::size_t slash = text::FindLastSeparator(self);
  if (slash == std::string::npos) return std::string();
  const std::string dir = self.substr(0, slash + 1);
  for (const char* rel : {"Brelix.exe", "..\\app\\Brelix.exe", "..\\..\\build-win\\app\\Brelix.exe"}) {
    std::string path = dir + rel;
    if (os::Exists(path) && !os::IsDirectory(path)) return path;
  }
  return std::string();
}

std::string Thousands(unsigned long long n) {
  std::string s = std::to_string(n);
  for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<std::size_t>(i), ",");
  return s;
}

int PackMedium(const cli::Args& args) {
  std::vector<std::string> paths;
  pack::Options options;
  bool exeGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--media" && hasValue) {
      const std::string v = args[++i];
      if (v == "floppy") options.media = pack::Media::Floppy;
      else if (v == "cd") options.media = pack::Media::Cd;
      else if (v == "folder") options.media = pack::Media::Folder;
      else return cli::Usage(kPack);
    } else if (a == "--method" && hasValue) {
      const std::string v = args[++i];
      if (v == "lh5") options.method = lzh::Method::Lh5;
      else if (v == "lh6") options.method = lzh::Method::Lh6;
      else if (v == "lh7") options.method = lzh::Method::Lh7;
      else return cli::Usage(kPack);
    } else if (a == "--exe" && hasValue) {
      exeGiven = true;
      options.exe = args[++i];
      if (options.exe == "none") options.exe.clear();
    } else if (a == "--images") {
      options.images = true;
    } else if (a == "--force") {
      options.force = true;
    } else if (a.compare(0, 2, "--") != 0) {
      paths.push_back(a);
    } else {
      return cli::Usage(kPack);
    }
  }
  if (paths.size() != 2) return cli::Usage(kPack);
  if (options.images && options.media == pack::Media::Folder) {
    cli::PrintLine(cli::Say("brelix-cli: --images は --media floppy か cd で使います", "brelix-cli: --images goes with --media floppy or cd"),
                   stderr);
    return cli::kUsageError;
  }
  if (!exeGiven) {
    options.exe = FindExe();
    if (options.exe.empty()) {
      cli::PrintLine(cli::Say("brelix-cli: Brelix.exe が brelix-cli の横にもビルドフォルダにもありません。--exe PATH で指定してください"
                              "（プログラムなしの媒体は --exe none）",
                              "brelix-cli: Brelix.exe is neither beside brelix-cli nor in a Windows build tree; give --exe PATH "
                              "(--exe none for a medium without the program)"),
                     stderr);
      return 1;
    }
  }

  pack::Outcome outcome = pack::Pack(paths[0], paths[1], options);
  const bool ja = cli::Japanese();
  for (const pack::Problem& p : outcome.problems) {
    cli::PrintLine(cli::Shown(p.Where()) + ": " + (ja ? p.ja : p.en), stderr);
  }
  if (outcome.checked) {
    for (const check::Finding& f : outcome.report.findings) {
      if (f.severity == check::Severity::Info) continue;
      std::string severity = check::SeverityName(f.severity);
      severity.resize(7, ' ');
      cli::PrintLine(severity + "  " + f.Where() + "  " + f.code + "  " + (ja ? f.messageJa : f.messageEn),
                     f.severity == check::Severity::Error ? stderr : stdout);
    }
  }
  if (!outcome.Ok()) {
    cli::PrintLine(cli::Say("brelix-cli: 媒体は作られませんでした", "brelix-cli: no medium was written"), stderr);
    return 1;
  }
  for (const pack::Disk& d : outcome.disks) {
    std::string where = d.folder.empty() ? cli::Shown(paths[1]) : d.folder;
    std::string line = where + ": " + std::to_string(d.files.size()) + cli::Say(" ファイル、", " files, ") +
                       Thousands(d.bytes) + cli::Say(" バイト", " bytes");
    if (options.media == pack::Media::Floppy) {
      line += cli::Say("（使用 ", " (") + Thousands(d.occupied) + " / " + Thousands(pack::kFloppyBytes) +
              cli::Say("）", " on the floppy)");
    }
    cli::PrintLine(line);
  }
  for (const std::string& image : outcome.images) cli::PrintLine(cli::Say("イメージ: ", "image: ") + cli::Shown(image));
  if (options.exe.empty()) {
    cli::PrintLine(cli::Say("注意: Brelix.exe は入っていません（--exe none）", "note: the medium has no Brelix.exe (--exe none)"));
  }
  return 0;
}

const cli::Registrar kRegisterPack(kPack);

}  // namespace
