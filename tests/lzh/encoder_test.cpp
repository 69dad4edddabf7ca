// Archives made by our encoder: every member comes back unchanged through our
// decoder and through every other LZH reader on the machine.
#include <algorithm>
#include <cstring>
#include <set>

#include "lzh/encoder.h"
#include "tests/lzh/lzh_support.h"

namespace lzhtest {
namespace {

struct Sample {
  std::string path;  // code page 932
  std::string data;
  bool directory = false;
  std::uint32_t attributes = 0x20;
  bool compressible = false;  // must come out with the chosen method
};

// Records of a program-like binary: counters, zeros, repeated opcodes.
std::string BinaryLike(std::size_t size) {
  std::string s;
  for (std::uint32_t i = 0; s.size() < size; ++i) {
    s.append(reinterpret_cast<const char*>(&i), 4);
    s += std::string(i % 13, '\0');
    s += "\x55\x8b\xec\x83\xec";
    s += static_cast<char>(i * 37);
  }
  s.resize(size);
  return s;
}

// A random block repeated: its copies lie `period` bytes back, at the edge of
// a window when the period is one short of the window's size.
std::string Repeated(std::size_t period, int copies, unsigned seed) {
  std::string block = Noise(period, seed), s;
  for (int i = 0; i < copies; ++i) s += block;
  return s;
}

std::vector<Sample> Samples() {
  std::vector<Sample> v;
  v.push_back({"readme.txt", MixedData(20000, 1), false, 0x20, true});
  v.push_back({"bin\\tool.exe", BinaryLike(200000), false, 0x20, true});
  v.push_back({"noise.bin", Noise(70000, 2)});
  v.push_back({"empty.txt", ""});
  v.push_back({"one.bin", "x"});
  v.push_back({"runs.bin", std::string(300000, '\0') + std::string(5000, 'A'), false, 0x20, true});
  v.push_back({"edge8k.bin", Repeated(8191, 3, 3)});
  v.push_back({"edge32k.bin", Repeated(32767, 3, 4)});
  v.push_back({"edge64k.bin", Repeated(65535, 3, 5)});
  v.push_back({"big.dat", MixedData(1500000, 6), false, 0x20, true});
  // 表 and ソ end in 0x5C, the byte of '\'.
  v.push_back({"資料\\表計算.txt", MixedData(3000, 7)});
  v.push_back({"見積\\ソース\\a.txt", "abc"});
  v.push_back({"ro.txt", "read only", false, 0x21});
  v.push_back({"空\\", "", true, 0x10});
  // Short streams of every length modulo 8 bits: some readers misread a
  // stream that ends exactly on a byte boundary.
  for (unsigned i = 0; i < 24; ++i) {
    std::string d(100 + 37 * i, static_cast<char>('A' + i % 3));
    d += MixedData(i * 11, i);
    v.push_back({"short\\s" + std::to_string(i) + ".bin", d, false, 0x20, true});
  }
  return v;
}

// Reads in pieces of 1 to 97 bytes, so that the encoder's refills meet every
// boundary.
class PieceSource : public lzh::Source {
 public:
  explicit PieceSource(const std::string& data) : data_(data) {}
  long long Read(void* buffer, std::size_t size) override {
    std::size_t n = std::min({size, data_.size() - pos_, 1 + (pos_ * 31) % 97});
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return static_cast<long long>(n);
  }
  bool Rewind() override {
    pos_ = 0;
    return true;
  }

 private:
  const std::string& data_;
  std::size_t pos_ = 0;
};

const std::int64_t kTime = 1700000000;
const std::uint32_t kDosTime = (43u << 25) | (11u << 21) | (14u << 16) | (22u << 11) | (13u << 5) | 10u;

std::string MakeArchive(const std::vector<Sample>& samples, lzh::Method method, int level, bool pieces) {
  lzh::MemoryOutput out;
  lzh::EncodeOptions options;
  options.method = method;
  options.level = level;
  lzh::ArchiveWriter writer(out, options);
  for (const Sample& s : samples) {
    lzh::NewMember m;
    m.path = s.path;
    m.directory = s.directory;
    m.unixTime = kTime;
    m.dosTime = kDosTime;
    m.attributes = s.attributes;
    lzh::MemorySource whole(s.data.data(), s.data.size());
    PieceSource inPieces(s.data);
    lzh::Source* src = pieces ? static_cast<lzh::Source*>(&inPieces) : &whole;
    EXPECT_EQ(lzh::EncodeStatus::Ok, writer.Add(m, s.directory ? nullptr : src)) << s.path;
  }
  EXPECT_EQ(lzh::EncodeStatus::Ok, writer.Finish());
  return out.bytes;
}

struct Case {
  lzh::Method method;
  const char* id;
  int level;
  bool pieces;  // the source hands out small pieces
};
const Case kCases[] = {
    {lzh::Method::Lh5, "-lh5-", 2, false}, {lzh::Method::Lh6, "-lh6-", 2, false},
    {lzh::Method::Lh7, "-lh7-", 2, false}, {lzh::Method::Lh5, "-lh5-", 1, true},
    {lzh::Method::Lh6, "-lh6-", 1, false}, {lzh::Method::Lh7, "-lh7-", 1, true},
};

TEST(Encoder, RoundTripThroughOurDecoder) {
  const std::vector<Sample> samples = Samples();
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.id) + " level " + std::to_string(c.level));
    std::string archive = MakeArchive(samples, c.method, c.level, c.pieces);
    lzh::Status final;
    std::vector<Decoded> decoded = DecodeAll(archive, final);
    EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
    ASSERT_EQ(samples.size(), decoded.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const Sample& s = samples[i];
      const lzh::Member& m = decoded[i].member;
      SCOPED_TRACE(ToUtf8(s.path));
      EXPECT_EQ(s.path, m.Path());
      EXPECT_TRUE(decoded[i].data == s.data);
      EXPECT_EQ(c.level, m.level);
      // Level 2 stores attributes only when they are not the usual 0x20.
      EXPECT_EQ(c.level == 2 && s.attributes == 0x20 ? 0u : s.attributes, m.attributes);
      if (c.level == 2) {
        EXPECT_EQ(kTime, m.unixTime);
      } else {
        EXPECT_EQ(kDosTime, m.dosTime);
      }
      if (s.directory) {
        EXPECT_EQ("-lhd-", m.methodId);
      } else if (s.compressible) {
        EXPECT_EQ(c.id, m.methodId);
      }
      if (!s.directory && (s.data.size() <= 1 || s.path == "noise.bin")) {
        EXPECT_EQ("-lh0-", m.methodId);
      }
      if (!s.directory) {
        EXPECT_LE(m.packedSize, s.data.size());
      }
    }
    // Ends with the end marker and nothing after it.
    EXPECT_EQ('\0', archive.back());
  }
}

// A window's worth of repeats is found only by the methods whose window
// reaches back that far.
TEST(Encoder, WindowReach) {
  const struct {
    std::size_t period;
    bool lh5, lh6, lh7;  // shrinks
  } kRows[] = {{8191, true, true, true}, {32767, false, true, true}, {65535, false, false, true}};
  for (const auto& row : kRows) {
    SCOPED_TRACE(row.period);
    std::vector<Sample> one = {{"r.bin", Repeated(row.period, 4, 9)}};
    const std::pair<lzh::Method, bool> methods[] = {
        {lzh::Method::Lh5, row.lh5}, {lzh::Method::Lh6, row.lh6}, {lzh::Method::Lh7, row.lh7}};
    for (const auto& mb : methods) {
      std::string archive = MakeArchive(one, mb.first, 2, false);
      lzh::Status final;
      auto decoded = DecodeAll(archive, final);
      ASSERT_EQ(1u, decoded.size());
      EXPECT_TRUE(decoded[0].data == one[0].data);
      EXPECT_EQ(mb.second, decoded[0].member.packedSize < one[0].data.size() / 2);
    }
  }
}

// Shapes that meet the match finder's edges: period-2 data (every match its
// own continuation), matches of only 4 or 5 bytes (found through the nearest
// four-byte table, not the chains), a long run followed by a tail too short
// to hash, and noise whose repeats start within the first half. The size
// limit is what each shape must at least shrink to.
TEST(Encoder, MatchFinderShapes) {
  std::string tokens;  // five-byte words from a small vocabulary, one random byte apart
  {
    const std::string noise = Noise(4000, 11);
    for (std::size_t i = 0; tokens.size() < 20000; ++i) {
      tokens += noise.substr(5 * (static_cast<unsigned char>(noise[i % 4000]) % 40), 5 - i % 2);
      tokens += noise[(i * 7 + 3) % 4000];
    }
  }
  struct Row {
    std::string what;
    std::string data;
    double shrinksTo;  // packed size over original size, at most
  };
  std::vector<Row> rows = {
      {"period 2", Repeated(2, 50000, 12), 0.002},
      {"short matches", tokens, 0.6},
      {"noise then repeats", Repeated(6000, 5, 13), 0.25},
  };
  for (unsigned tail = 0; tail < 8; ++tail) {
    rows.push_back({"run and tail " + std::to_string(tail), std::string(1000, 'Q') + Noise(tail, tail), 0.05});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (lzh::Method method : {lzh::Method::Lh5, lzh::Method::Lh6, lzh::Method::Lh7}) {
      std::string archive = MakeArchive({{"s.bin", row.data}}, method, 2, true);
      lzh::Status final;
      auto decoded = DecodeAll(archive, final);
      ASSERT_EQ(1u, decoded.size());
      EXPECT_TRUE(decoded[0].data == row.data);
      EXPECT_LE(decoded[0].member.packedSize, row.shrinksTo * row.data.size());
    }
  }
}

class FailingSource : public lzh::Source {
 public:
  long long Read(void*, std::size_t) override { return -1; }
  bool Rewind() override { return false; }
};

class FailingOutput : public lzh::Output {
 public:
  bool Write(const void*, std::size_t) override { return false; }
  bool Seek(std::uint64_t) override { return true; }
  bool Truncate() override { return true; }
};

TEST(Encoder, Failures) {
  const std::string data = MixedData(5000, 3);
  struct Row {
    const char* what;
    std::string path;
    bool failingSource;
    bool failingOutput;
    lzh::EncodeStatus expected;
  };
  const Row kRows[] = {
      {"empty name", "", false, false, lzh::EncodeStatus::BadName},
      {"empty component", "a\\\\b", false, false, lzh::EncodeStatus::BadName},
      {"climbs out", "..\\b", false, false, lzh::EncodeStatus::BadName},
      {"absolute", "\\b", false, false, lzh::EncodeStatus::BadName},
      {"read fails", "a", true, false, lzh::EncodeStatus::ReadError},
      {"write fails", "a", false, true, lzh::EncodeStatus::WriteError},
      {"long name at level 2", std::string(300, 'n'), false, false, lzh::EncodeStatus::Ok},
  };
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.what);
    lzh::MemoryOutput memory;
    FailingOutput failing;
    lzh::ArchiveWriter writer(r.failingOutput ? static_cast<lzh::Output&>(failing) : memory, lzh::EncodeOptions());
    lzh::MemorySource good(data.data(), data.size());
    FailingSource bad;
    lzh::NewMember m;
    m.path = r.path;
    EXPECT_EQ(r.expected, writer.Add(m, r.failingSource ? static_cast<lzh::Source*>(&bad) : &good));
  }
}

// ---- Other readers -------------------------------------------------------------

// Every regular file under `dir` by its content, whatever name a reader gave it.
std::multiset<std::string> Contents(const fs::path& dir) {
  std::multiset<std::string> out;
  for (auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) out.insert(ReadAll(e.path()));
  }
  return out;
}

TEST(Encoder, OtherReadersExtractOurArchives) {
  struct Tool {
    const char* name;
    const char* extract;  // run inside an empty folder; the archive is ../a.lzh
    bool exactNames;      // gives code page 932 names back as UTF-8
  };
  // bsdtar needs the names' code page named; jlha and 7z keep names as bytes
  // or mangle 0x5C trail bytes into folders, so only contents are compared.
  const Tool kTools[] = {
      {"lhasa", "lhasa xq ../a.lzh", false},
      {"bsdtar", "LC_ALL=C.UTF-8 bsdtar --options hdrcharset=CP932 -xf ../a.lzh", true},
      {"7z", "7z x -y -bd ../a.lzh", false},
      {"jlha", "jlha xq ../a.lzh", false},
  };
  std::vector<Sample> samples = Samples();
  std::multiset<std::string> expected;
  for (const Sample& s : samples) {
    if (!s.directory) expected.insert(s.data);
  }
  int ran = 0;
  for (const Case& c : kCases) {
    if (c.pieces) continue;  // the same bytes as another row
    TempDir tmp;
    WriteAll(tmp.path() / "a.lzh", MakeArchive(samples, c.method, c.level, false));
    for (const Tool& t : kTools) {
      if (!HaveTool(t.name)) continue;
      SCOPED_TRACE(std::string(t.name) + " " + c.id + " level " + std::to_string(c.level));
      fs::path out = tmp.path() / t.name;
      fs::create_directories(out);
      EXPECT_EQ(0, Shell("cd " + Quote(out.string()) + " && " + t.extract + " >/dev/null 2>&1"));
      std::multiset<std::string> got = Contents(out);
      EXPECT_EQ(expected.size(), got.size());
      for (const Sample& s : samples) {
        if (!s.directory && !got.count(s.data)) ADD_FAILURE() << "missing or changed: " << ToUtf8(s.path);
      }
      if (t.exactNames) {
        for (const Sample& s : samples) {
          std::string rel = ToUtf8(s.path);
          std::replace(rel.begin(), rel.end(), '\\', '/');
          EXPECT_TRUE(fs::exists(out / fs::u8path(rel))) << rel;
        }
      }
      ++ran;
    }
  }
  if (ran == 0) GTEST_SKIP() << "no other LZH reader is installed";
}

}  // namespace
}  // namespace lzhtest
