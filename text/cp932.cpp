#include "text/cp932.h"

#include <climits>

namespace text {

std::string UpperAscii(const std::string& s) {
  std::string out = s;
  for (std::size_t i = 0; i < out.size();) {
    std::size_t n = CharLength(out, i);
    if (n == 1 && out[i] >= 'a' && out[i] <= 'z') out[i] = static_cast<char>(out[i] - 'a' + 'A');
    i += n;
  }
  return out;
}

static char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCaseAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    std::size_t n = CharLength(a, i);
    if (n != CharLength(b, i)) return false;
    if (n == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (LowerAscii(a[i]) != LowerAscii(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

std::size_t Find(const std::string& haystack, const std::string& needle, std::size_t from) {
  if (from > haystack.size()) return std::string::npos;
  std::size_t i = 0;
  while (i < from) i += CharLength(haystack, i);
  for (; i + needle.size() <= haystack.size(); i += CharLength(haystack, i)) {
    if (haystack.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string::npos;
}

std::size_t FindChar(const std::string& s, char c, std::size_t from) {
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) {
    if (i >= from && s[i] == c && CharLength(s, i) == 1) return i;
  }
  return std::string::npos;
}

std::size_t FindLastSeparator(const std::string& s) {
  std::size_t last = std::string::npos;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = CharLength(s, i);
    if (n == 1 && (s[i] == '\\' || s[i] == '/')) last = i;
    i += n;
  }
  return last;
}

bool EndsWithSeparator(const std::string& s) {
  std::size_t last = FindLastSeparator(s);
  return last != std::string::npos && last + 1 == s.size();
}

std::string WithTrailingSeparator(const std::string& folder, char separator) {
  if (folder.empty() || EndsWithSeparator(folder)) return folder;
  return folder + separator;
}

std::string ShownPath(const std::string& path, char separator) {
  std::string out;
  bool afterSeparator = false;
  for (std::size_t i = 0; i < path.size();) {
    std::size_t n = CharLength(path, i);
    bool isSeparator = n == 1 && (path[i] == '\\' || path[i] == '/');
    if (!isSeparator) {
      out.append(path, i, n);
    } else if (!afterSeparator || (i == 1 && path[0] == '\\')) {
      out += separator ? separator : path[i];
    }
    afterSeparator = isSeparator;
    i += n;
  }
  return out;
}

std::string CutToBytes(const std::string& s, std::size_t maxBytes) {
  if (s.size() <= maxBytes) return s;
  std::size_t end = 0;
  while (end < s.size()) {
    std::size_t n = CharLength(s, end);
    if (end + n > maxBytes) break;
    end += n;
  }
  return s.substr(0, end);
}

bool IsValidCp932(const std::string& s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(c)) {
      if (i + 1 >= s.size() || !IsValidTrailByte(static_cast<unsigned char>(s[i + 1]))) return false;
      ++i;
    } else if (!IsValidSingleByte(c)) {
      return false;
    }
  }
  return true;
}

PathParts SplitPath(const std::string& path) {
  PathParts p;
  std::size_t pos = 0;
  if (path.size() >= 2 && path[1] == ':' && !IsLeadByte(static_cast<unsigned char>(path[0]))) {
    p.drive = path.substr(0, 2);
    pos = 2;
  }
  std::string rest = path.substr(pos);
  std::size_t sep = FindLastSeparator(rest);
  if (sep != std::string::npos) {
    p.dir = rest.substr(0, sep + 1);
    rest = rest.substr(sep + 1);
  }
  std::size_t dot = std::string::npos;
  for (std::size_t i = 0; i < rest.size(); i += CharLength(rest, i)) {
    if (rest[i] == '.' && CharLength(rest, i) == 1) dot = i;
  }
  if (dot != std::string::npos) {
    p.name = rest.substr(0, dot);
    p.ext = rest.substr(dot);
  } else {
    p.name = rest;
  }
  return p;
}

int AtoiLike(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long long value = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    value = value * 10 + (s[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string out;
  std::size_t start = 0;
  for (std::size_t hit = Find(s, from); hit != std::string::npos; hit = Find(s, from, start)) {
    out.append(s, start, hit - start);
    out += to;
    start = hit + from.size();
  }
  out.append(s, start, std::string::npos);
  return out;
}

}  // namespace text
