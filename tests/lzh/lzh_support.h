// Test support shared by the decoder and archive component tests: temporary
// folders, external tools (jlha, lhasa, bsdtar; absent under Wine), decoding
// from memory, and a builder for hand-made archives.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "lzh/crc16.h"
#include "lzh/decoder.h"
#ifndef _WIN32
#include "text/convert.h"
#endif

namespace lzhtest {

namespace fs = std::filesystem;

// Code page 932 <-> UTF-8 for names on the Linux side and for messages;
// the Windows build has no converter and never needs one (the tests that
// use these skip there), so the text passes unchanged.
inline std::string ToUtf8(const std::string& cp932) {
#ifdef _WIN32
  return cp932;
#else
  return text::Cp932ToUtf8(cp932);
#endif
}
inline std::string ToCp932(const std::string& utf8) {
#ifdef _WIN32
  return utf8;
#else
  return text::Utf8ToCp932(utf8);
#endif
}

inline std::string ReadAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

inline void WriteAll(const fs::path& p, const std::string& data) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

class TempDir {
 public:
  TempDir() {
    static int serial = 0;
    std::random_device rd;
    path_ = fs::temp_directory_path() /
            ("brelix-lzh-" + std::to_string(rd()) + "-" + std::to_string(++serial));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    // Read-only files left by a test must not block the clean-up.
    for (auto& e : fs::recursive_directory_iterator(path_, ec)) {
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Runs a shell command (native build only); its exit status, or -1.
inline int Shell(const std::string& command) {
#ifdef _WIN32
  (void)command;
  return -1;
#else
  int rc = std::system(command.c_str());
  if (rc == -1) return -1;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
}

inline bool HaveTool(const std::string& name) {
#ifdef _WIN32
  (void)name;
  return false;
#else
  return Shell("command -v " + name + " >/dev/null 2>&1") == 0;
#endif
}

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''"; else q += c;
  }
  return q + "'";
}

struct Decoded {
  lzh::Member member;
  std::string data;
  lzh::Status status = lzh::Status::Ok;
};

class StringSink : public lzh::Sink {
 public:
  bool Write(const unsigned char* data, std::size_t size) override {
    out.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string out;
};

// Decodes every member; `final` is the status that ended the walk (End for
// a clean archive).
inline std::vector<Decoded> DecodeAll(const std::string& archive, lzh::Status& final) {
  lzh::MemoryReader reader(archive.data(), archive.size());
  lzh::ArchiveReader ar(reader);
  std::vector<Decoded> result;
  for (;;) {
    lzh::Member m;
    final = ar.Next(m);
    if (final != lzh::Status::Ok) break;
    StringSink sink;
    Decoded d;
    d.member = m;
    d.status = ar.Decode(&sink);
    d.data = std::move(sink.out);
    result.push_back(std::move(d));
    if (result.back().status != lzh::Status::Ok) {
      final = result.back().status;
      break;
    }
  }
  return result;
}

// First failure of a whole archive, or End when every member decoded.
inline lzh::Status ArchiveStatus(const std::string& archive) {
  lzh::Status s;
  DecodeAll(archive, s);
  return s;
}

// ---- Hand-made archives ------------------------------------------------------

inline void Put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
inline std::uint16_t Crc(const std::string& s) {
  return lzh::Crc16(reinterpret_cast<const unsigned char*>(s.data()), s.size());
}

struct HandMember {
  int level = 2;
  std::string method = "-lh0-";
  std::string name;       // file name (ext 0x01 at levels 2/3; whole path at 0/1)
  std::string directory;  // ext 0x02 at levels 1..3, raw bytes (0xFF separators)
  std::string packed;     // the packed data as stored
  std::uint64_t original = 0;
  std::uint16_t crc = 0;
  bool headerCrc = true;  // ext 0x00 at levels 2/3
};

// A member whose packed data is `data` stored as -lh0-.
inline HandMember Stored(const std::string& name, const std::string& data, int level = 2) {
  HandMember m;
  m.level = level;
  m.name = name;
  m.packed = data;
  m.original = data.size();
  m.crc = Crc(data);
  return m;
}

// Header plus packed data of one member.
inline std::string BuildMember(const HandMember& m) {
  std::string h;
  const std::uint32_t time = 0x5C000000u;
  if (m.level == 0 || m.level == 1) {
    std::string base;
    base += m.method;
    std::uint32_t packedField = static_cast<std::uint32_t>(m.packed.size());
    std::string extBlock;
    unsigned firstExt = 0;
    if (m.level == 1 && !m.directory.empty()) {
      firstExt = static_cast<unsigned>(1 + m.directory.size() + 2);
      extBlock += '\x02';
      extBlock += m.directory;
      Put16(extBlock, 0);
      packedField += firstExt;
    }
    Put32(base, packedField);
    Put32(base, static_cast<std::uint32_t>(m.original));
    Put32(base, time);
    base += '\x20';
    base += static_cast<char>(m.level);
    base += static_cast<char>(m.name.size());
    base += m.name;
    Put16(base, m.crc);
    if (m.level == 1) {
      base += 'M';
      Put16(base, firstExt);
    }
    unsigned sum = 0;
    for (unsigned char c : base) sum += c;
    h += static_cast<char>(base.size());
    h += static_cast<char>(sum & 0xFF);
    h += base;
    h += extBlock;
    return h + m.packed;
  }
  const int sb = m.level == 3 ? 4 : 2;
  struct Ext {
    unsigned type;
    std::string data;
  };
  std::vector<Ext> exts;
  if (m.headerCrc) exts.push_back({0x00, std::string(2, '\0')});
  exts.push_back({0x01, m.name});
  if (!m.directory.empty()) exts.push_back({0x02, m.directory});
  auto putSize = [&](std::string& s, std::size_t v) {
    if (sb == 2) Put16(s, static_cast<unsigned>(v)); else Put32(s, static_cast<std::uint32_t>(v));
  };
  std::string body;  // the extended headers, each followed by the next one's size
  std::vector<std::size_t> sizes;
  for (const Ext& e : exts) sizes.push_back(1 + e.data.size() + sb);
  for (std::size_t i = 0; i < exts.size(); ++i) {
    body += static_cast<char>(exts[i].type);
    body += exts[i].data;
    putSize(body, i + 1 < exts.size() ? sizes[i + 1] : 0);
  }
  std::size_t fixed = m.level == 3 ? 32 : 26;
  std::size_t total = fixed + body.size();
  if (m.level == 2) Put16(h, static_cast<unsigned>(total)); else Put16(h, 4);
  h += m.method;
  Put32(h, static_cast<std::uint32_t>(m.packed.size()));
  Put32(h, static_cast<std::uint32_t>(m.original));
  Put32(h, time);
  h += '\x20';
  h += static_cast<char>(m.level);
  Put16(h, m.crc);
  h += 'U';
  if (m.level == 3) Put32(h, static_cast<std::uint32_t>(total));
  putSize(h, exts.empty() ? 0 : sizes[0]);
  h += body;
  if (m.headerCrc) {
    // The header CRC covers the whole header with its own field zeroed.
    std::uint16_t c = Crc(h);
    std::size_t at = fixed + 1;
    h[at] = static_cast<char>(c & 0xFF);
    h[at + 1] = static_cast<char>(c >> 8);
  }
  return h + m.packed;
}

inline std::string BuildArchive(const std::vector<HandMember>& members, bool endMarker = true) {
  std::string a;
  for (const auto& m : members) a += BuildMember(m);
  if (endMarker) a += '\0';
  return a;
}

// `size` random bytes: data that does not compress.
inline std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// Test content: text, binary noise, long runs and Japanese text.
inline std::string MixedData(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(size);
  static const char* words[] = {"update ", "archive ", "\x8d\x58\x90\x56 ", "estimate ", "\r\n", "material ", "0123 "};
  while (s.size() < size) {
    switch (rng() % 4) {
      case 0:
        for (int i = 0; i < 40; ++i) s += static_cast<char>(rng());
        break;
      case 1:
        s.append(rng() % 300, static_cast<char>('a' + rng() % 3));
        break;
      default:
        for (int i = 0; i < 20; ++i) s += words[rng() % 7];
        break;
    }
  }
  s.resize(size);
  return s;
}

}  // namespace lzhtest
