// brelix-cli: the headless front end that drives every engine operation.
// Each subcommand lives in a file of its own and registers itself here.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace cli {

// Arguments arrive converted to code page 932; output is converted back to
// UTF-8 by Print.
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

// Prints code page 932 text as UTF-8 (no line end added).
void Print(const std::string& cp932, std::FILE* stream = stdout);
void PrintLine(const std::string& cp932, std::FILE* stream = stdout);
// Reads one line from standard input, converted to code page 932; false at EOF.
bool ReadLine(std::string& cp932);
// Prints "usage: brelix-cli <usage>" to stderr and returns 64.
int Usage(const Command& command);

}  // namespace cli
