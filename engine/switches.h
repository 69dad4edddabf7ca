// The command-line switches of Brelix.exe, parsed without the platform so
// that both builds test the same rules.
//
// A switch starts with '/' or '-'; its name matches without regard to ASCII
// case; a value follows '=' and may be quoted in part or in whole
// (/DIR="C:\My Folder", "/DIR=C:\My Folder"). Backslashes are ordinary
// characters, so a folder may end in one right before its closing quote.
#pragma once

#include <string>
#include <vector>

namespace engine {

// How much of the wizard is shown.
enum class UiMode {
  Wizard,      // no switch: every dialog, as the user knows it
  Silent,      // /SILENT: no dialog, only the progress of the step in progress
  VerySilent,  // /VERYSILENT: no window at all
};

struct Switches {
  UiMode mode = UiMode::Wizard;
  bool help = false;      // /? or /HELP
  bool hasDir = false;    // /DIR= given
  std::string dir;        // its folder, as given
  bool log = false;       // /LOG or /LOG=
  std::string logPath;    // /LOG= path; empty for the default name
  // The first argument that could not be understood, as written, and why
  // (empty when the whole command line was understood). Parsing goes on past
  // it, so the mode and the log are known even then.
  std::string badArgument;
  std::string badReason;
};

// Splits the arguments of a command line into words: blanks separate words
// outside quotes; a quote toggles quoting and is dropped. Double-byte
// characters are kept whole.
std::vector<std::string> SplitArguments(const std::string& arguments);

// The part of a full command line (GetCommandLine) after the program name,
// which is quoted or runs to the first blank.
std::string ArgumentsOf(const std::string& commandLine);

// Parses the arguments (without the program name).
Switches ParseSwitches(const std::string& arguments);

// The text of the help box: one line a switch.
std::string SwitchHelpText();

}  // namespace engine
