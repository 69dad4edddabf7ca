#include "os/profile_text.h"

#include <vector>

#include "text/cp932.h"

namespace os {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Line {
  std::size_t begin = 0;    // first byte of the line
  std::size_t end = 0;      // one past the last byte before the line end
  std::size_t next = 0;     // first byte of the following line
  bool section = false;
  bool key = false;         // a line with '=' outside any section header
  std::string name;         // section or key name, blanks trimmed
  std::size_t valueBegin = 0;  // for keys: first byte after '='
};

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<Line> SplitLines(const std::string& content) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < content.size()) {
    Line line;
    line.begin = pos;
    std::size_t nl = content.find('\n', pos);
    if (nl == std::string::npos) {
      // A CR that ends the file is the start of a line end, as in the middle.
      line.end = content.size();
      if (line.end > pos && content[line.end - 1] == '\r') --line.end;
      line.next = content.size();
    } else {
      line.end = (nl > pos && content[nl - 1] == '\r') ? nl - 1 : nl;
      line.next = nl + 1;
    }
    std::string text = content.substr(line.begin, line.end - line.begin);
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) ++first;
    if (first < text.size() && text[first] == '[') {
      line.section = true;
      std::size_t close = text::FindChar(text, ']', first + 1);
      std::size_t stop = close == std::string::npos ? text.size() : close;
      line.name = Trim(text.substr(first + 1, stop - first - 1));
    } else {
      std::size_t eq = text::FindChar(text, '=', first);
      if (eq != std::string::npos) {
        line.key = true;
        line.name = Trim(text.substr(first, eq - first));
        line.valueBegin = line.begin + eq + 1;
      }
    }
    lines.push_back(line);
    pos = line.next;
  }
  return lines;
}

// Index range [first, last) of the lines of the first section named
// `section`; first == npos when there is none. `first` is the header line.
struct SectionRange {
  std::size_t header = std::string::npos;
  std::size_t end = 0;
};

SectionRange FindSection(const std::vector<Line>& lines, const std::string& section) {
  SectionRange r;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].section && text::EqualsNoCaseAscii(lines[i].name, section)) {
      r.header = i;
      r.end = i + 1;
      while (r.end < lines.size() && !lines[r.end].section) ++r.end;
      return r;
    }
  }
  return r;
}

std::size_t FindKey(const std::vector<Line>& lines, const SectionRange& r, const std::string& key) {
  for (std::size_t i = r.header + 1; i < r.end; ++i) {
    if (lines[i].key && text::EqualsNoCaseAscii(lines[i].name, key)) return i;
  }
  return std::string::npos;
}

std::string LineEnd(const std::string& content) {
  std::size_t nl = content.find('\n');
  if (nl == std::string::npos) return "\r\n";
  return (nl > 0 && content[nl - 1] == '\r') ? "\r\n" : "\n";
}

// What completes the last line of `content` before a line is appended: a
// file that ends in a lone CR needs only the LF.
std::string Completion(const std::string& content, const std::string& eol) {
  if (content.empty() || content.back() == '\n') return std::string();
  return content.back() == '\r' ? "\n" : eol;
}

std::string Fit(const std::string& s, std::size_t size) {
  if (size == 0) return std::string();
  return text::CutToBytes(s, size - 1);
}

}  // namespace

std::string ProfileRead(const std::string& content, const std::string& section,
                        const std::string& key, const std::string& def, std::size_t size) {
  std::vector<Line> lines = SplitLines(content);
  SectionRange r = FindSection(lines, section);
  if (r.header != std::string::npos) {
    std::size_t k = FindKey(lines, r, key);
    if (k != std::string::npos) {
      const Line& line = lines[k];
      std::string value = Trim(content.substr(line.valueBegin, line.end - line.valueBegin));
      if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
      }
      return Fit(value, size);
    }
  }
  std::string d = def;
  while (!d.empty() && d.back() == ' ') d.pop_back();
  return Fit(d, size);
}

std::string ProfileWrite(const std::string& content, const std::string& section,
                         const std::string& key, const std::string& value) {
  std::vector<Line> lines = SplitLines(content);
  std::string eol = LineEnd(content);
  std::string v = value;
  std::size_t lead = 0;
  while (lead < v.size() && IsBlank(v[lead])) ++lead;
  v.erase(0, lead);
  SectionRange r = FindSection(lines, section);
  if (r.header == std::string::npos) {
    std::string out = content + Completion(content, eol);
    out += "[" + section + "]" + eol + key + "=" + v + eol;
    return out;
  }
  std::size_t k = FindKey(lines, r, key);
  if (k != std::string::npos) {
    const Line& line = lines[k];
    return content.substr(0, line.valueBegin) + v + content.substr(line.end);
  }
  // Insert after the section's last key, so that blank lines and comments
  // that close the section stay where they are.
  std::size_t after = r.header;
  for (std::size_t i = r.header + 1; i < r.end; ++i) {
    if (lines[i].key) after = i;
  }
  const Line& anchor = lines[after];
  std::string out = content.substr(0, anchor.next);
  if (anchor.next == content.size()) out += Completion(content, eol);  // the anchor is the last line
  out += key + "=" + v + eol;
  out += content.substr(anchor.next);
  return out;
}

}  // namespace os
