#include "os/profile_text.h"

#include <utility>
#include <vector>

#include "text/cp932.h"

namespace os {
namespace {

// What the parser needs to know about the text it walks: narrow code page 932
// text, where a double-byte character is one unit of two bytes whose trail
// byte may look like ']' or '=', or UTF-16, where every code unit stands alone
// (a surrogate never equals an ASCII unit).
template <class Str>
struct Units;

template <>
struct Units<std::string> {
  static std::size_t Length(const std::string& s, std::size_t i) { return text::CharLength(s, i); }
  static bool EqualsNoCase(const std::string& a, const std::string& b) { return text::EqualsNoCaseAscii(a, b); }
};

template <>
struct Units<std::u16string> {
  static std::size_t Length(const std::u16string&, std::size_t) { return 1; }
  static bool EqualsNoCase(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      char16_t x = a[i], y = b[i];
      if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
      if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
      if (x != y) return false;
    }
    return true;
  }
};

template <class Str>
Str Ascii(const char* s) {
  Str out;
  for (; *s; ++s) out += static_cast<typename Str::value_type>(*s);
  return out;
}

template <class Ch>
bool IsBlank(Ch c) {
  return c == ' ' || c == '\t';
}

template <class Str>
Str Trim(const Str& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

// First (or, with `last`, last) position of the single-unit character `c`
// in s[from, size), never inside a double-byte character.
template <class Str>
std::size_t FindUnit(const Str& s, char c, std::size_t from, bool last = false) {
  std::size_t found = Str::npos;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = Units<Str>::Length(s, i);
    if (i >= from && n == 1 && s[i] == static_cast<typename Str::value_type>(c)) {
      found = i;
      if (!last) break;
    }
    i += n;
  }
  return found;
}

struct Line {
  std::size_t begin = 0;    // first unit of the line
  std::size_t end = 0;      // one past the last unit before the line end
  std::size_t next = 0;     // first unit of the following line
  bool section = false;
  bool key = false;         // a line with '=' outside any section header
  std::size_t valueBegin = 0;  // for keys: first unit after '='
};

template <class Str>
struct Parsed {
  std::vector<Line> lines;
  std::vector<Str> names;  // per line: section or key name, blanks trimmed
};

// A line ends at CR LF, LF or a lone CR, as the Windows profile functions
// read it.
template <class Str>
Parsed<Str> SplitLines(const Str& content) {
  Parsed<Str> p;
  std::size_t pos = 0;
  while (pos < content.size()) {
    Line line;
    line.begin = pos;
    std::size_t e = pos;
    while (e < content.size() && content[e] != '\n' && content[e] != '\r') ++e;
    line.end = e;
    if (e < content.size() && content[e] == '\r') ++e;
    if (e < content.size() && content[e] == '\n') ++e;
    line.next = e;
    Str text = content.substr(line.begin, line.end - line.begin);
    Str name;
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    // A header's name runs to the last ']' of the line; a '[' without any
    // ']' after it opens an ordinary line.
    std::size_t close = first < text.size() && text[first] == '[' ? FindUnit(text, ']', first + 1, true) : Str::npos;
    if (close != Str::npos) {
      line.section = true;
      name = Trim(text.substr(first + 1, close - first - 1));
    } else {
      std::size_t eq = FindUnit(text, '=', first);
      if (eq != Str::npos) {
        line.key = true;
        name = Trim(text.substr(first, eq - first));
        line.valueBegin = line.begin + eq + 1;
      }
    }
    p.lines.push_back(line);
    p.names.push_back(name);
    pos = line.next;
  }
  return p;
}

// Index range of the lines of the first section named `section`: `header`
// is the header line (npos when there is none), `end` one past its last line.
struct SectionRange {
  std::size_t header = std::string::npos;
  std::size_t end = 0;
};

template <class Str>
SectionRange FindSection(const Parsed<Str>& p, const Str& section) {
  SectionRange r;
  for (std::size_t i = 0; i < p.lines.size(); ++i) {
    if (p.lines[i].section && Units<Str>::EqualsNoCase(p.names[i], section)) {
      r.header = i;
      r.end = i + 1;
      while (r.end < p.lines.size() && !p.lines[r.end].section) ++r.end;
      return r;
    }
  }
  return r;
}

template <class Str>
std::size_t FindKey(const Parsed<Str>& p, const SectionRange& r, const Str& key) {
  for (std::size_t i = r.header + 1; i < r.end; ++i) {
    if (p.lines[i].key && Units<Str>::EqualsNoCase(p.names[i], key)) return i;
  }
  return std::string::npos;
}

// The line end that new lines get: the file's first one (CR LF for a file
// that has none yet).
template <class Str>
Str LineEnd(const Str& content) {
  std::size_t i = 0;
  while (i < content.size() && content[i] != '\n' && content[i] != '\r') ++i;
  if (i == content.size()) return Ascii<Str>("\r\n");
  if (content[i] == '\n') return Ascii<Str>("\n");
  return Ascii<Str>(i + 1 < content.size() && content[i + 1] == '\n' ? "\r\n" : "\r");
}

// What completes the last line of `content` before a line is appended: the
// line end when it has none; in a file whose lines end in LF, the LF after a
// last CR, which makes it the CR LF that every reader takes for one line end.
template <class Str>
Str Completion(const Str& content, const Str& eol) {
  if (content.empty() || content.back() == '\n') return Str();
  if (content.back() == '\r') return eol == Ascii<Str>("\r") ? Str() : Ascii<Str>("\n");
  return eol;
}

// A key line's value, blanks and one pair of quotes removed.
template <class Str>
Str ValueOf(const Str& content, const Line& line) {
  Str value = Trim(content.substr(line.valueBegin, line.end - line.valueBegin));
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// The value of `key` in `section`, blanks and one pair of quotes removed.
template <class Str>
bool Find(const Str& content, const Str& section, const Str& key, Str& value) {
  Parsed<Str> p = SplitLines(content);
  SectionRange r = FindSection(p, Trim(section));
  if (r.header == std::string::npos) return false;
  std::size_t k = FindKey(p, r, Trim(key));
  if (k == std::string::npos) return false;
  value = ValueOf(content, p.lines[k]);
  return true;
}

template <class Str>
Str Edit(const Str& content, const Str& rawSection, const Str& rawKey, const Str& value) {
  const Str section = Trim(rawSection);
  const Str key = Trim(rawKey);
  Parsed<Str> p = SplitLines(content);
  Str eol = LineEnd(content);
  Str v = value;
  std::size_t lead = 0;
  while (lead < v.size() && IsBlank(v[lead])) ++lead;
  v.erase(0, lead);
  const Str eq = Ascii<Str>("=");
  SectionRange r = FindSection(p, section);
  if (r.header == std::string::npos) {
    Str out = content + Completion(content, eol);
    out += Ascii<Str>("[") + section + Ascii<Str>("]") + eol + key + eq + v + eol;
    return out;
  }
  std::size_t k = FindKey(p, r, key);
  if (k != std::string::npos) {
    const Line& line = p.lines[k];
    return content.substr(0, line.valueBegin) + v + content.substr(line.end);
  }
  // Insert after the section's last key, so that blank lines and comments
  // that close the section stay where they are.
  std::size_t after = r.header;
  for (std::size_t i = r.header + 1; i < r.end; ++i) {
    if (p.lines[i].key) after = i;
  }
  const Line& anchor = p.lines[after];
  Str out = content.substr(0, anchor.next);
  if (anchor.next == content.size()) out += Completion(content, eol);  // the anchor is the last line
  out += key + eq + v + eol;
  out += content.substr(anchor.next);
  return out;
}

std::string Fit(const std::string& s, std::size_t size) {
  if (size == 0) return std::string();
  return text::CutToBytes(s, size - 1);
}

std::string Default(const std::string& def, std::size_t size) {
  std::string d = def;
  while (!d.empty() && d.back() == ' ') d.pop_back();
  return Fit(d, size);
}

const char kBom[] = "\xFF\xFE";

bool IsUtf16(const std::string& content) { return content.compare(0, 2, kBom) == 0; }

// The UTF-16 units after the byte-order mark; an odd last byte is left out.
std::u16string Units16(const std::string& content) {
  std::u16string u;
  u.reserve(content.size() / 2);
  for (std::size_t i = 2; i + 1 < content.size(); i += 2) {
    u += static_cast<char16_t>(static_cast<unsigned char>(content[i]) |
                               (static_cast<unsigned char>(content[i + 1]) << 8));
  }
  return u;
}

}  // namespace

std::string ProfileRead(const std::string& content, const std::string& section,
                        const std::string& key, const std::string& def, std::size_t size) {
  std::string value;
  if (Find(content, section, key, value)) return Fit(value, size);
  return Default(def, size);
}

std::string ProfileWrite(const std::string& content, const std::string& section,
                         const std::string& key, const std::string& value) {
  return Edit(content, section, key, value);
}

std::vector<ProfileEntry> ProfileEntries(const std::string& content) {
  Parsed<std::string> p = SplitLines(content);
  std::vector<ProfileEntry> out;
  for (std::size_t i = 0; i < p.lines.size(); ++i) {
    if (!p.lines[i].section && !p.lines[i].key) continue;
    ProfileEntry e;
    e.line = static_cast<int>(i) + 1;
    e.section = p.lines[i].section;
    e.name = p.names[i];
    if (p.lines[i].key) e.value = ValueOf(content, p.lines[i]);
    out.push_back(std::move(e));
  }
  return out;
}

std::string ProfileRead(const std::string& content, const std::string& section, const std::string& key,
                        const std::string& def, std::size_t size, const Utf16Codec& codec) {
  if (!IsUtf16(content)) return ProfileRead(content, section, key, def, size);
  std::u16string value;
  if (Find(Units16(content), codec.toUtf16(section), codec.toUtf16(key), value)) {
    return Fit(codec.toCp932(value), size);
  }
  return Default(def, size);
}

std::string ProfileWrite(const std::string& content, const std::string& section, const std::string& key,
                         const std::string& value, const Utf16Codec& codec) {
  if (!IsUtf16(content)) return ProfileWrite(content, section, key, value);
  std::u16string edited =
      Edit(Units16(content), codec.toUtf16(section), codec.toUtf16(key), codec.toUtf16(value));
  std::string out = kBom;
  out.reserve(2 + edited.size() * 2 + 1);
  for (char16_t u : edited) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  if (content.size() % 2 != 0) out += content.back();
  return out;
}

}  // namespace os
