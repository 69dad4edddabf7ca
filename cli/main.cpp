#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "text/cp932.h"

#ifndef BRELIX_VERSION
#define BRELIX_VERSION "unknown"
#endif

namespace cli {
namespace {

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

bool LanguageFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return std::strncmp(value, "ja", 2) == 0;
  }
  return SystemIsJapanese();
}

bool g_japanese = LanguageFromEnvironment();
bool g_slashes = false;

}  // namespace

bool Japanese() { return g_japanese; }
void SetJapanese(bool japanese) { g_japanese = japanese; }
bool Slashes() { return g_slashes; }
void SetSlashes(bool slashes) { g_slashes = slashes; }

Registrar::Registrar(const Command& command) { Registry()[command.name] = command; }

void PrintLine(const std::string& cp932, std::FILE* stream) {
  Print(cp932, stream);
  std::fputc('\n', stream);
}

std::string Shown(const std::string& text) { return text::ShownPath(text, g_slashes ? '/' : 0); }

std::string AsFolder(const std::string& dir) { return text::WithTrailingSeparator(dir, g_slashes ? '/' : '\\'); }

int Usage(const Command& command) {
  PrintLine(Say("使い方: brelix-cli ", "usage: brelix-cli ") + command.usage, stderr);
  return kUsageError;
}

}  // namespace cli

namespace {

void Help(std::FILE* stream) {
  cli::PrintLine(cli::Say("使い方: brelix-cli [--lang ja|en] コマンド [引数...]\n\nコマンド:",
                          "usage: brelix-cli [--lang ja|en] COMMAND [ARGS...]\n\ncommands:"),
                 stream);
  for (const auto& entry : cli::Registry()) cli::PrintLine(std::string("  ") + entry.second.usage, stream);
  cli::PrintLine("  --help, --version", stream);
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  // --lang is taken wherever it stands; everything else is the command's.
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--lang") == 0 && i + 1 < argc &&
        (std::strcmp(argv[i + 1], "ja") == 0 || std::strcmp(argv[i + 1], "en") == 0)) {
      cli::SetJapanese(std::strcmp(argv[++i], "ja") == 0);
      continue;
    }
    words.push_back(argv[i]);
  }
  if (words.empty()) {
    Help(stderr);
    return cli::kUsageError;
  }
  if (words[0] == "help" || words[0] == "--help") {
    Help(stdout);
    return 0;
  }
  if (words[0] == "--version") {
    std::printf("brelix-cli %s\n", BRELIX_VERSION);
    return 0;
  }
  auto it = cli::Registry().find(words[0]);
  if (it == cli::Registry().end()) {
    cli::PrintLine(cli::Say("brelix-cli: 不明なコマンドです: ", "brelix-cli: unknown command: ") + cli::FromConsole(words[0]),
                   stderr);
    Help(stderr);
    return cli::kUsageError;
  }
  if (std::find(words.begin() + 1, words.end(), "--help") != words.end()) {
    cli::PrintLine(cli::Say("使い方: brelix-cli ", "usage: brelix-cli ") + it->second.usage);
    return 0;
  }
  // Paths are shown with '/' unless the user wrote them the Windows way
  // only (Q:\APP, on Linux through BRELIX_DRIVE_Q). A 0x5C that is the
  // trail byte of a double-byte character is no separator.
  cli::Args args;
  bool slash = false, backslash = false;
  for (std::size_t i = 1; i < words.size(); ++i) {
    args.push_back(cli::FromConsole(words[i]));
    const std::string& arg = args.back();
    for (std::size_t k = 0; k < arg.size(); ++k) {
      unsigned char c = static_cast<unsigned char>(arg[k]);
      if (text::IsLeadByte(c) && k + 1 < arg.size()) {
        ++k;
      } else {
        slash = slash || c == '/';
        backslash = backslash || c == '\\';
      }
    }
  }
  cli::SetSlashes(slash || !backslash);
  return it->second.run(args);
}
