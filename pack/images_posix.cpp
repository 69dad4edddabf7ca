// Floppy and CD images of a finished medium, made with mtools (mformat,
// mcopy) and xorriso, run as child processes.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "pack/pack_internal.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace pack {
namespace {

// A code page 932 path as the Linux file system names it.
std::string Native(const std::string& path) {
  std::string out = text::Cp932ToUtf8(path);
  std::replace(out.begin(), out.end(), '\\', '/');  // UTF-8 has no 0x5C trail byte
  return out;
}

// Runs `argv` with `env` (NAME=value) added; true when it exits with 0.
// Its output goes to `log`.
bool Run(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log) {
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::FILE* f = std::freopen(log.c_str(), "a", stdout);
    if (f) dup2(fileno(stdout), 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadLog(const std::string& log) {
  std::string out;
  if (std::FILE* f = std::fopen(log.c_str(), "r")) {
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && out.size() < 2000) out.append(buffer, n);
    std::fclose(f);
  }
  std::remove(log.c_str());
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return text::Utf8ToCp932(out);
}

bool Failed(const std::string& tool, const std::string& image, const std::string& log, std::vector<Problem>& problems) {
  std::string said = ReadLog(log);
  AddProblem(problems, image, 0, tool + " が失敗しました（インストールされていますか）: " + said,
             tool + " failed (is it installed?): " + said);
  return false;
}

}  // namespace

bool MakeFloppyImage(const std::string& diskFolder, const std::vector<std::string>& files, const std::string& image, int disk,
                     std::vector<Problem>& problems) {
  const std::string img = Native(image);
  const std::string log = img + ".log";
  // mtools' own code page (850) on purpose: with 932 it takes a Japanese
  // name of at most 8 characters (but more bytes) for a short name, cuts it
  // and writes no long name. With 850 every Japanese name gets its long
  // name, which Windows shows, and a short name of '_' with a numeric tail.
  // Its messages are read in English and names passed in UTF-8.
  const std::vector<std::string> env = {"LC_ALL=C.UTF-8"};
  bool ok = Run({"mformat", "-i", img, "-C", "-f", "1440", "-v", "BRELIX" + std::to_string(disk), "::"}, env, log);
  if (ok) {
    std::vector<std::string> argv = {"mcopy", "-i", img, "-m"};
    for (const std::string& name : files) argv.push_back(Native(text::WithTrailingSeparator(diskFolder) + name));
    argv.push_back("::/");
    ok = Run(argv, env, log);
  }
  if (!ok) {
    std::remove(img.c_str());
    return Failed("mtools", image, log, problems);
  }
  std::remove(log.c_str());
  return true;
}

bool MakeCdImage(const std::string& folder, const std::string& image, std::vector<Problem>& problems) {
  const std::string iso = Native(image);
  const std::string log = iso + ".log";
  bool ok = Run({"xorriso", "-as", "mkisofs", "-input-charset", "UTF-8", "-J", "-joliet-long", "-r", "-V", "BRELIX",
                 "-o", iso, Native(folder)},
                {"LC_ALL=C.UTF-8"}, log);
  if (!ok) {
    std::remove(iso.c_str());
    return Failed("xorriso", image, log, problems);
  }
  std::remove(log.c_str());
  return true;
}

}  // namespace pack
