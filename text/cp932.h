// Helpers for narrow code page 932 (Shift-JIS) text. No I/O here.
//
// A double-byte character's trail byte can be '\' (0x5C), '|' (0x7C), ']' or an
// ASCII letter, so nothing that scans text for separators, letters or
// substrings may look at bytes one by one: every helper here steps over whole
// characters.
#pragma once

#include <cstddef>
#include <string>

namespace text {

// True for a byte that starts a double-byte character (0x81-0x9F, 0xE0-0xFC).
inline bool IsLeadByte(unsigned char c) {
  return static_cast<unsigned char>(c - 0x81) <= 0x9F - 0x81 || static_cast<unsigned char>(c - 0xE0) <= 0xFC - 0xE0;
}

// True for a byte that may follow a lead byte (0x40-0xFC but 0x7F).
inline bool IsValidTrailByte(unsigned char c) { return c >= 0x40 && c != 0x7F && c <= 0xFC; }

// True for a byte that is a character on its own (ASCII and the half-width
// katakana; not 0x80, 0xA0 or 0xFD-0xFF). Lead bytes are not.
inline bool IsValidSingleByte(unsigned char c) { return !IsLeadByte(c) && c != 0x80 && c != 0xA0 && c < 0xFD; }

// Length in bytes of the character that starts at s[i]: 2 for a lead byte
// followed by another byte, else 1.
inline std::size_t CharLength(const std::string& s, std::size_t i) {
  return (i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i]))) ? 2 : 1;
}

// Letters a-z become A-Z; double-byte characters are left whole.
std::string UpperAscii(const std::string& s);

// Compares ASCII letters without regard to case; every other byte, including
// both bytes of a double-byte character, must match exactly.
bool EqualsNoCaseAscii(const std::string& a, const std::string& b);

// First position at or after `from` where `needle` starts on a character
// boundary of `haystack`, or npos. An empty needle is found at `from`.
std::size_t Find(const std::string& haystack, const std::string& needle, std::size_t from = 0);

// Position of the first or last byte `c` (an ASCII byte) that stands as a
// character of its own, never as a trail byte; npos when there is none.
std::size_t FindChar(const std::string& s, char c, std::size_t from = 0);
std::size_t FindLastSeparator(const std::string& s);  // last '\' or '/'

// Whether the last character of `s` is a separator ('\' or '/') of its own,
// not the trail byte of a double-byte character such as 表 (0x95 0x5C).
bool EndsWithSeparator(const std::string& s);
// `folder` ready for a name to be appended directly: `separator` added
// unless it already ends with one. An empty folder (the current one) stays
// empty.
std::string WithTrailingSeparator(const std::string& folder, char separator = '\\');
// A path as it is shown to a person: a run of separators becomes one (the
// two that open a network path, \\server, stay two) and, when `separator`
// is not 0, every separator becomes `separator`.
std::string ShownPath(const std::string& path, char separator = 0);

// `s` cut to at most `maxBytes` bytes without splitting a double-byte character.
std::string CutToBytes(const std::string& s, std::size_t maxBytes);

// True when every lead byte is followed by a valid trail byte (0x40-0x7E,
// 0x80-0xFC) and no byte is outside the code page's single-byte ranges.
bool IsValidCp932(const std::string& s);

// The parts of a path as the runtime's _splitpath gives them: the drive is the
// first two characters when the second is ':'; the directory runs to the last
// '\' or '/' (inclusive); the extension is the last '.' of the rest and what
// follows it; the name is what lies between.
struct PathParts {
  std::string drive;
  std::string dir;
  std::string name;
  std::string ext;
};
PathParts SplitPath(const std::string& path);

// Decimal conversion with the rules of atoi: leading white space skipped, an
// optional sign, then digits; no digits gives 0. Out-of-range values are
// clamped to the int range instead of overflowing.
int AtoiLike(const std::string& s);

// Replaces every occurrence of `from` (non-empty) by `to`, left to right; text
// that a replacement inserted is not searched again.
std::string ReplaceAll(const std::string& s, const std::string& from, const std::string& to);

}  // namespace text
