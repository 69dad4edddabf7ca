// brelix-cli: the headless front end that drives every engine operation.
// Each subcommand lives in a file of its own and registers itself here.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// Arguments arrive converted to code page 932; Print writes it in the
// console's own text (console_posix.cpp: UTF-8, console_win32.cpp: code page
// 932 unchanged).
using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* usage;  // one line, shown by `brelix-cli help`
  int (*run)(const Args& args);
};

// A static Registrar in a command's file adds the command at start-up.
struct Registrar {
  explicit Registrar(const Command& command);
};

// One command-line argument, in the console's text, as code page 932.
std::string FromConsole(const std::string& argument);
// Whether the system speaks Japanese when no locale variable says so
// (Windows: its code page is 932; elsewhere: no).
bool SystemIsJapanese();
// Prints code page 932 text in the console's text (no line end added).
void Print(const std::string& cp932, std::FILE* stream = stdout);
void PrintLine(const std::string& cp932, std::FILE* stream = stdout);
// Reads one line from standard input as code page 932; false at EOF.
bool ReadLine(std::string& cp932);
// Prints "usage: brelix-cli <usage>" to stderr and returns kUsageError.
int Usage(const Command& command);

// Exit status of a command line that cannot be understood (sysexits' EX_USAGE).
constexpr int kUsageError = 64;
// Exit status when an input the command needs cannot be read (EX_NOINPUT).
constexpr int kNoInput = 66;

// The language of brelix-cli's own messages: `--lang ja|en` anywhere on the
// command line, else Japanese when LC_ALL, LC_MESSAGES or LANG (the first one
// set) starts with "ja", English when it does not, and with none of them set
// Japanese when SystemIsJapanese(). Texts of the engine itself (the run's
// message boxes, the archive component's replies) are shown as they are.
bool Japanese();
void SetJapanese(bool japanese);
inline std::string Say(const std::string& ja, const std::string& en) { return Japanese() ? ja : en; }

// Text holding paths as the user should see them: every '\' separator (never
// a trail byte) is shown as '/', unless the command line writes its paths
// with '\' only; a run of separators is shown as one (except a leading "\\"
// of a network path). The engine keeps its own '\' paths internally.
std::string Shown(const std::string& text);
bool Slashes();
void SetSlashes(bool slashes);
// A folder given on the command line, ending with a separator of the kind
// the command line uses, so that file names can be appended to it.
std::string AsFolder(const std::string& dir);

}  // namespace cli
