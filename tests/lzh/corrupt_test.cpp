// Every way an archive can be bad gives a failure, never a short or silent
// success: truncation anywhere, flipped bytes, wrong sizes, wrong methods.
#include "tests/lzh/lzh_support.h"
#include "tests/lzh/test_encoders.h"

#include <algorithm>

namespace lzhtest {
namespace {

std::string Sample(const char* name) { return ReadAll(fs::path(BRELIX_TEST_DATA) / "lzh" / name); }

const char* const kSamples[] = {"sample_lh5_l0.lzh", "sample_lh6_l1.lzh", "sample_lh7_l2.lzh", "handmade_mixed.lzh"};

// A hand-made archive with every method this decoder has and levels 0-3.
std::string HandMadeArchive() {
  std::string a = MixedData(3000, 51);
  HandMember lh1 = Stored("lh1.bin", a, 1);
  lh1.method = "-lh1-";
  lh1.packed = Lh1Encoder().Encode(a);
  HandMember lzs = Stored("lzs.bin", a, 3);
  lzs.method = "-lzs-";
  lzs.packed = EncodeLzs(a);
  HandMember lz5 = Stored("lz5.bin", a, 0);
  lz5.method = "-lz5-";
  lz5.packed = EncodeLz5(a);
  return BuildArchive({lh1, lzs, lz5, Stored("st.bin", a, 2)});
}

struct Named {
  std::string label;
  std::string archive;
};

std::vector<Named> GoodArchives() {
  std::vector<Named> v;
  for (const char* s : kSamples) v.push_back({s, Sample(s)});
  v.push_back({"hand-made", HandMadeArchive()});
  return v;
}

TEST(Corrupt, SamplesAreGood) {
  for (const Named& n : GoodArchives()) {
    SCOPED_TRACE(n.label);
    ASSERT_FALSE(n.archive.empty()) << "test data missing";
    lzh::Status final;
    auto decoded = DecodeAll(n.archive, final);
    EXPECT_EQ(lzh::Status::End, final) << lzh::StatusName(final);
    EXPECT_GE(decoded.size(), 2u);
  }
}

// Cut after any byte: either a failure, or (only exactly at a member
// boundary) a shorter archive whose members are all whole.
TEST(Corrupt, TruncatedAnywhere) {
  for (const Named& n : GoodArchives()) {
    SCOPED_TRACE(n.label);
    lzh::Status s;
    auto whole = DecodeAll(n.archive, s);
    std::vector<std::size_t> boundaries;
    std::size_t at = 0;
    for (const Decoded& d : whole) {
      at = static_cast<std::size_t>(d.member.headerOffset + d.member.headerSize + d.member.packedSize);
      boundaries.push_back(at);
    }
    for (std::size_t cut = 0; cut < n.archive.size(); ++cut) {
      lzh::Status final;
      auto decoded = DecodeAll(n.archive.substr(0, cut), final);
      if (final == lzh::Status::End) {
        bool boundary = cut == 0;
        for (std::size_t b : boundaries) boundary = boundary || b == cut;
        ASSERT_TRUE(boundary) << "silent success when cut at " << cut;
        for (std::size_t i = 0; i < decoded.size(); ++i) ASSERT_EQ(whole[i].data, decoded[i].data);
      } else {
        ASSERT_TRUE(final == lzh::Status::Truncated || final == lzh::Status::BadData ||
                    final == lzh::Status::CrcMismatch)
            << "cut at " << cut << ": " << lzh::StatusName(final);
      }
    }
  }
}

// One flipped byte anywhere: a failure, or output identical to the
// original (a flip in bits the decoder never uses).
TEST(Corrupt, FlippedByteAnywhere) {
  for (const Named& n : GoodArchives()) {
    SCOPED_TRACE(n.label);
    lzh::Status s;
    auto whole = DecodeAll(n.archive, s);
    // The type byte of a level 1 header's first extended header: flipping
    // 0x00 (its header CRC) removes the very check that would notice.
    std::vector<std::size_t> blind;
    for (const Decoded& d : whole) {
      if (d.member.level == 1) {
        blind.push_back(static_cast<std::size_t>(d.member.headerOffset) +
                        static_cast<unsigned char>(n.archive[static_cast<std::size_t>(d.member.headerOffset)]) + 2);
      }
    }
    for (std::size_t pos = 0; pos < n.archive.size(); ++pos) {
      if (std::find(blind.begin(), blind.end(), pos) != blind.end()) continue;
      // Every position with one bit, every seventh with the top bit as well.
      for (unsigned char mask : {0x01, 0x80}) {
        if (mask == 0x80 && pos % 7 != 0) continue;
        std::string bad = n.archive;
        bad[pos] = static_cast<char>(bad[pos] ^ mask);
        lzh::Status final;
        auto decoded = DecodeAll(bad, final);
        if (final != lzh::Status::End) continue;
        bool same = decoded.size() == whole.size();
        for (std::size_t i = 0; same && i < decoded.size(); ++i) {
          same = decoded[i].data == whole[i].data && decoded[i].member.Path() == whole[i].member.Path();
        }
        // A flip in a field that nothing checks must not change any content
        // or name.
        ASSERT_TRUE(same) << "flip " << int(mask) << " at " << pos << " went unnoticed";
      }
    }
  }
}

TEST(Corrupt, HeaderChecksumsAreChecked) {
  for (int level : {0, 1, 2, 3}) {
    SCOPED_TRACE(level);
    std::string a = BuildArchive({Stored("file.txt", "content", level)});
    // Byte 15 is in the time field at every level: only the checksum or the
    // header CRC can notice the change.
    a[15] = static_cast<char>(a[15] ^ 0x10);
    EXPECT_EQ(lzh::Status::HeaderChecksum, ArchiveStatus(a));
  }
}

struct SizeCase {
  const char* label;
  std::int64_t originalDelta;
  std::int64_t packedDelta;
  lzh::Status expected[3];  // any of these
};

// Sizes stated in the header that do not fit the data.
TEST(Corrupt, StatedSizesThatDoNotFit) {
  std::string data = MixedData(5000, 61);
  HandMember base = Stored("s.bin", data, 2);
  base.method = "-lz5-";
  base.packed = EncodeLz5(data);
  const SizeCase cases[] = {
      {"original one larger", 1, 0, {lzh::Status::BadData, lzh::Status::Truncated, lzh::Status::CrcMismatch}},
      {"original one smaller", -1, 0, {lzh::Status::CrcMismatch, lzh::Status::SizeMismatch, lzh::Status::CrcMismatch}},
      {"packed one smaller", 0, -1, {lzh::Status::BadData, lzh::Status::Truncated, lzh::Status::CrcMismatch}},
      {"original absurd", 0xFFFFFFF0 - 5000, 0, {lzh::Status::BadData, lzh::Status::Truncated, lzh::Status::CrcMismatch}},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.label);
    HandMember m = base;
    m.original = static_cast<std::uint64_t>(static_cast<std::int64_t>(m.original) + c.originalDelta);
    std::string packed = m.packed;
    m.packed.resize(static_cast<std::size_t>(static_cast<std::int64_t>(packed.size()) + c.packedDelta));
    std::string a = BuildArchive({m});
    lzh::Status s = ArchiveStatus(a);
    EXPECT_TRUE(s == c.expected[0] || s == c.expected[1] || s == c.expected[2]) << lzh::StatusName(s);
  }
}

// Stored members: the packed size must equal the original size.
TEST(Corrupt, StoredSizeMismatch) {
  HandMember m = Stored("s.bin", "0123456789");
  m.original = 9;
  EXPECT_EQ(lzh::Status::SizeMismatch, ArchiveStatus(BuildArchive({m})));
  m = Stored("s.bin", "0123456789");
  m.packed += "x";
  EXPECT_EQ(lzh::Status::SizeMismatch, ArchiveStatus(BuildArchive({m})));
  m = Stored("s.bin", "0123456789");
  m.original = 0xFFFFFFFFu;
  EXPECT_EQ(lzh::Status::SizeMismatch, ArchiveStatus(BuildArchive({m})));
}

// A stream that would copy a match past the stated size is an error, not
// output cut short.
TEST(Corrupt, MatchPastStatedSize) {
  std::string data = std::string(100, 'q');
  HandMember m = Stored("m.bin", data, 2);
  m.method = "-lz5-";
  m.packed = EncodeLz5(data);
  m.original = 50;  // a match crosses this point
  m.crc = Crc(data.substr(0, 50));
  lzh::Status s = ArchiveStatus(BuildArchive({m}));
  EXPECT_EQ(lzh::Status::SizeMismatch, s) << lzh::StatusName(s);
}

TEST(Corrupt, MalformedHeaders) {
  std::string good = BuildArchive({Stored("f.txt", "abc", 2)});
  struct Row {
    const char* label;
    std::string archive;
    lzh::Status expected;
  };
  std::string level9 = good;
  level9[20] = 9;
  std::string shortL2 = good;
  shortL2[0] = 20;  // below the fixed part
  shortL2[1] = 0;
  std::string extTooLong = good;
  extTooLong[24] = static_cast<char>(0xF0);  // first ext size runs past the header
  std::string l3huge = BuildArchive({Stored("f.txt", "abc", 3)});
  l3huge[24] = l3huge[25] = l3huge[26] = l3huge[27] = static_cast<char>(0xFF);
  std::string l1under = BuildArchive({Stored("f.txt", "abc", 1)});
  HandMember withDir = Stored("f.txt", "abc", 1);
  withDir.directory = "d\xFF";
  std::string l1ext = BuildArchive({withDir});
  l1ext[7] = 1;  // packed size smaller than the extended headers
  l1ext[8] = l1ext[9] = l1ext[10] = 0;
  unsigned sum = 0;
  for (std::size_t i = 2; i < static_cast<unsigned char>(l1ext[0]) + 2u; ++i) sum += static_cast<unsigned char>(l1ext[i]);
  l1ext[1] = static_cast<char>(sum);
  const Row rows[] = {
      {"not an archive", "This is plain text, not an archive.", lzh::Status::BadHeader},
      {"level 9", level9, lzh::Status::BadHeader},
      {"level 2 size below fixed part", shortL2, lzh::Status::BadHeader},
      {"extended header past the end", extTooLong, lzh::Status::BadHeader},
      {"level 3 absurd header size", l3huge, lzh::Status::BadHeader},
      {"level 1 packed size under extended headers", l1ext, lzh::Status::BadHeader},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.label);
    lzh::Status s = ArchiveStatus(r.archive);
    EXPECT_EQ(r.expected, s) << lzh::StatusName(s);
  }
}

// Random damage: never a crash, a hang or silently different content.
TEST(Corrupt, RandomDamageNeverSilent) {
  std::mt19937 rng(99);
  for (const Named& n : GoodArchives()) {
    SCOPED_TRACE(n.label);
    lzh::Status s;
    auto whole = DecodeAll(n.archive, s);
    for (int round = 0; round < 300; ++round) {
      std::string bad = n.archive;
      int hits = 1 + static_cast<int>(rng() % 8);
      for (int k = 0; k < hits; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
      lzh::Status final;
      auto decoded = DecodeAll(bad, final);
      if (final != lzh::Status::End) continue;
      for (std::size_t i = 0; i < decoded.size() && i < whole.size(); ++i) {
        if (decoded[i].member.Path() == whole[i].member.Path()) {
          ASSERT_TRUE(decoded[i].data == whole[i].data) << "round " << round;
        }
      }
    }
  }
}

}  // namespace
}  // namespace lzhtest
