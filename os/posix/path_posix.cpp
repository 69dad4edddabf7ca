#include "os/posix/path_posix.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "os/posix/scoped.h"
#include "text/convert.h"
#include "text/cp932.h"

namespace os {
namespace posix {
namespace {

bool Present(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

bool EqualsAsciiNoCase(const std::string& a, const std::string& b) {
  // In UTF-8 every byte below 0x80 is an ASCII character of its own, so
  // folding ASCII letters byte by byte never touches a multibyte character.
  return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// The name in `folder` that equals `component` without regard to ASCII case.
std::string FindNoCase(const std::string& folder, const std::string& component) {
  Dir dir(::opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir.valid()) return std::string();
  while (struct dirent* e = ::readdir(dir.get())) {
    if (EqualsAsciiNoCase(e->d_name, component)) return e->d_name;
  }
  return std::string();
}

std::string ResolveCase(const std::string& p) {
  if (p.empty() || Present(p)) return p;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= p.size()) {
    std::size_t slash = p.find('/', start);
    if (slash == std::string::npos) slash = p.size();
    parts.push_back(p.substr(start, slash - start));
    start = slash + 1;
  }
  std::string out = p[0] == '/' ? "/" : "";
  bool resolving = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& c = parts[i];
    if (c.empty()) continue;
    std::string candidate = out + c;
    if (resolving && c != "." && c != ".." && !Present(candidate)) {
      std::string folder = out.empty() ? "." : out;
      std::string found = FindNoCase(folder, c);
      if (found.empty()) {
        resolving = false;
      } else {
        candidate = out + found;
      }
    }
    out = candidate;
    if (i + 1 < parts.size()) out += '/';
  }
  return out;
}

}  // namespace

std::string NativePath(const std::string& path) {
  std::string p = path;
  std::string root;
  if (p.size() >= 2 && p[1] == ':' &&
      ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    char letter = static_cast<char>(p[0] & ~0x20);
    std::string var = std::string("BRELIX_DRIVE_") + letter;
    const char* mapped = std::getenv(var.c_str());
    root = mapped ? mapped : std::string("/nonexistent-drive-") + letter;
    p = "/" + p.substr(2);
  }
  std::string slashed;
  slashed.reserve(p.size());
  for (std::size_t i = 0; i < p.size();) {
    std::size_t n = text::CharLength(p, i);
    if (n == 1 && p[i] == '\\') {
      slashed += '/';
    } else {
      slashed.append(p, i, n);
    }
    i += n;
  }
  std::string utf8 = root + text::Cp932ToUtf8(slashed);
  std::string collapsed;
  collapsed.reserve(utf8.size());
  for (char c : utf8) {
    if (c == '/' && !collapsed.empty() && collapsed.back() == '/') continue;
    collapsed += c;
  }
  return ResolveCase(collapsed);
}

}  // namespace posix
}  // namespace os
