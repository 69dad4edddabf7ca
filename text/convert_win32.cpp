// The conversions on Windows, through the system's own code page tables.
#include <windows.h>

#include "text/convert.h"
#include "text/cp932.h"

namespace text {
namespace {

constexpr UINT kCp932 = 932;

// Converts `in` from code page `from` to `to` through UTF-16. With
// MB_ERR_INVALID_CHARS a bad byte fails the whole call; the text is then
// converted a character at a time so that only the bad ones become '?'.
bool Whole(UINT from, UINT to, const std::string& in, std::string& out) {
  out.clear();
  if (in.empty()) return true;
  int wideLength = ::MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), nullptr, 0);
  if (wideLength <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), static_cast<int>(in.size()), &wide[0], wideLength);
  // Every character has a UTF-8 form (and the call refuses the "default
  // character used" flag for UTF-8), so only a 932 target is checked.
  BOOL defaulted = FALSE;
  BOOL* check = to == CP_UTF8 ? nullptr : &defaulted;
  int length = ::WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, nullptr, check);
  if (length <= 0 || defaulted) return false;
  out.resize(static_cast<std::size_t>(length));
  ::WideCharToMultiByte(to, 0, wide.data(), wideLength, &out[0], length, nullptr, nullptr);
  return true;
}

// Length of the UTF-8 sequence that starts at s[i] (1 for a stray byte).
std::size_t Utf8Length(const std::string& s, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  std::size_t n = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  return i + n <= s.size() ? n : 1;
}

std::string Convert(UINT from, UINT to, const std::string& in, bool* ok) {
  std::string out;
  if (Whole(from, to, in, out)) {
    if (ok) *ok = true;
    return out;
  }
  std::string result;
  for (std::size_t i = 0; i < in.size();) {
    std::size_t n = from == kCp932 ? CharLength(in, i) : Utf8Length(in, i);
    std::string piece;
    if (Whole(from, to, in.substr(i, n), piece)) {
      result += piece;
      i += n;
    } else {
      result += '?';
      ++i;  // the next byte may start a good character
    }
  }
  if (ok) *ok = false;
  return result;
}

}  // namespace

std::string Cp932ToUtf8(const std::string& s, bool* ok) { return Convert(kCp932, CP_UTF8, s, ok); }

std::string Utf8ToCp932(const std::string& s, bool* ok) { return Convert(CP_UTF8, kCp932, s, ok); }

}  // namespace text
