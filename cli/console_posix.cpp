// The terminal of Linux and the BSDs speaks UTF-8: arguments and input are
// converted to code page 932 on the way in, output back to UTF-8 on the way
// out.
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/cli.h"
#include "text/convert.h"

namespace cli {

bool SystemIsJapanese() { return false; }

std::string FromConsole(const std::string& argument) { return text::Utf8ToCp932(argument); }

void Print(const std::string& cp932, std::FILE* stream) {
  std::string utf8 = text::Cp932ToUtf8(cp932);
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

bool ReadLine(std::string& cp932) {
  std::string utf8;
  if (!std::getline(std::cin, utf8)) return false;
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  cp932 = text::Utf8ToCp932(utf8);
  return true;
}

}  // namespace cli
