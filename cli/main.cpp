#include <clocale>
#include <cstring>
#include <iostream>
#include <map>

#include "cli/cli.h"
#include "text/convert.h"

namespace cli {
namespace {

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

}  // namespace

Registrar::Registrar(const Command& command) { Registry()[command.name] = command; }

void Print(const std::string& cp932, std::FILE* stream) {
  std::string utf8 = text::Cp932ToUtf8(cp932);
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void PrintLine(const std::string& cp932, std::FILE* stream) {
  Print(cp932, stream);
  std::fputc('\n', stream);
}

bool ReadLine(std::string& cp932) {
  std::string utf8;
  if (!std::getline(std::cin, utf8)) return false;
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  cp932 = text::Utf8ToCp932(utf8);
  return true;
}

int Usage(const Command& command) {
  std::fprintf(stderr, "usage: brelix-cli %s\n", command.usage);
  return 64;
}

}  // namespace cli

static int Help() {
  std::printf("usage: brelix-cli COMMAND [ARGS...]\n\ncommands:\n");
  for (const auto& entry : cli::Registry()) std::printf("  %s\n", entry.second.usage);
  return 64;
}

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  if (argc < 2 || std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "--help") == 0) return Help();
  auto it = cli::Registry().find(argv[1]);
  if (it == cli::Registry().end()) {
    std::fprintf(stderr, "brelix-cli: unknown command '%s'\n", argv[1]);
    return Help();
  }
  cli::Args args;
  for (int i = 2; i < argc; ++i) args.push_back(text::Utf8ToCp932(argv[i]));
  return it->second.run(args);
}
