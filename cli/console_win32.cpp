// The Windows console of the authors' systems speaks code page 932, the text
// the program keeps: arguments (as the C runtime hands them over, in the
// system's code page), input and output pass through unchanged. The C
// runtime's text mode writes each line end as CR LF.
#include <cstdio>
#include <iostream>
#include <string>

#include <windows.h>

#include "cli/cli.h"

namespace cli {

bool SystemIsJapanese() { return GetACP() == 932; }

std::string FromConsole(const std::string& argument) { return argument; }

void Print(const std::string& cp932, std::FILE* stream) { std::fwrite(cp932.data(), 1, cp932.size(), stream); }

bool ReadLine(std::string& cp932) {
  if (!std::getline(std::cin, cp932)) return false;
  if (!cp932.empty() && cp932.back() == '\r') cp932.pop_back();
  return true;
}

}  // namespace cli
