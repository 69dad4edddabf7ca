#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/bmp_read.h"

namespace gfx {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 4) b.resize(at + 4);
  PutU32(b.data() + at, v);
}
void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// An info header of `size` bytes (40, or 108/124 for V4/V5); the bytes past
// 40 carry a recognisable pattern so that the test sees them copied whole.
Bytes InfoHeader(std::uint32_t size, std::int32_t width, std::int32_t height, std::uint16_t depth,
                 std::uint32_t imageSize, std::uint32_t colorsUsed, std::uint32_t compression = 0) {
  Bytes h(size, 0);
  Put32(h, kHdrSize, size);
  Put32(h, kHdrWidth, static_cast<std::uint32_t>(width));
  Put32(h, kHdrHeight, static_cast<std::uint32_t>(height));
  Put16(h, kHdrPlanes, 1);
  Put16(h, kHdrBitCount, depth);
  Put32(h, kHdrCompression, compression);
  Put32(h, kHdrSizeImage, imageSize);
  Put32(h, kHdrClrUsed, colorsUsed);
  Put32(h, 36, 0xA1B2C3D4);  // important colours: passed on unchanged
  for (std::uint32_t i = 40; i < size; ++i) h[i] = static_cast<std::uint8_t>(0x80 + i);
  return h;
}

Bytes Pattern(std::size_t n, std::uint8_t seed) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
  return b;
}

// A whole file: file header, info header, table, `gap` filler bytes, bits.
// `bitsField` is written as the bits offset (kAuto: the real one).
constexpr std::uint32_t kAuto = 0xFFFFFFFF;
Bytes File(const Bytes& header, const Bytes& table, std::size_t gap, const Bytes& bits,
           std::uint32_t bitsField = kAuto) {
  Bytes f = {'B', 'M'};
  f.resize(kFileHeaderSize, 0);
  std::size_t bitsAt = kFileHeaderSize + header.size() + table.size() + gap;
  Put32(f, 10, bitsField == kAuto ? static_cast<std::uint32_t>(bitsAt) : bitsField);
  f.insert(f.end(), header.begin(), header.end());
  f.insert(f.end(), table.begin(), table.end());
  f.insert(f.end(), gap, 0xEE);
  f.insert(f.end(), bits.begin(), bits.end());
  Put32(f, 2, static_cast<std::uint32_t>(f.size()));
  return f;
}

Bytes Concat(Bytes a, const Bytes& b, const Bytes& c) {
  a.insert(a.end(), b.begin(), b.end());
  a.insert(a.end(), c.begin(), c.end());
  return a;
}

struct ReadCase {
  const char* name;
  Bytes file;
  Bytes expectedBlock;  // empty when the read must fail
  std::uint16_t expectedBitsOffset;
};

// The header as the block must hold it afterwards.
Bytes Patched(Bytes header, std::uint32_t colorsUsed, std::uint32_t imageSize) {
  Put32(header, kHdrClrUsed, colorsUsed);
  Put32(header, kHdrSizeImage, imageSize);
  return header;
}

std::vector<ReadCase> ReadCases() {
  std::vector<ReadCase> cases;
  auto good = [&](const char* name, const Bytes& header, const Bytes& table, std::size_t gap,
                  const Bytes& bits, std::uint32_t colors, std::uint32_t size,
                  std::uint32_t bitsField = kAuto) {
    cases.push_back({name, File(header, table, gap, bits, bitsField),
                     Concat(Patched(header, colors, size), table, bits),
                     static_cast<std::uint16_t>(header.size() + table.size())});
  };
  auto bad = [&](const char* name, Bytes file) { cases.push_back({name, std::move(file), {}, 0}); };

  // 1 bit, 5 x 3: rows of 4 bytes.
  good("1-bit colours used 0", InfoHeader(40, 5, 3, 1, 0, 0), Pattern(8, 1), 0, Pattern(12, 2), 2, 12);
  // 4 bit, 9 x 2: 36 bits a row, 8 bytes.
  good("4-bit colours used 0", InfoHeader(40, 9, 2, 4, 16, 0), Pattern(64, 3), 0, Pattern(16, 4), 16, 16);
  good("8-bit colours used 0", InfoHeader(40, 3, 2, 8, 8, 0), Pattern(1024, 5), 0, Pattern(8, 6), 256, 8);
  good("8-bit colours used 3", InfoHeader(40, 4, 2, 8, 8, 3), Pattern(12, 7), 0, Pattern(8, 8), 3, 8);
  // 24 bit, 3 x 2: 9 bytes a row padded to 12; no colour table.
  good("24-bit image size 0", InfoHeader(40, 3, 2, 24, 0, 0), {}, 0, Pattern(24, 9), 0, 24);
  good("32-bit colours used 0 has no table", InfoHeader(40, 2, 2, 32, 0, 0), {}, 0, Pattern(16, 10), 0, 16);
  good("24-bit with an optimisation palette of 2", InfoHeader(40, 1, 1, 24, 0, 2), Pattern(8, 11), 0,
       Pattern(4, 12), 2, 4);
  good("bits offset 0: bits follow the table", InfoHeader(40, 5, 3, 1, 0, 0), Pattern(8, 13), 0,
       Pattern(12, 14), 2, 12, 0);
  good("bits offset past a gap", InfoHeader(40, 3, 2, 24, 0, 0), {}, 6, Pattern(24, 15), 0, 24);
  good("image size larger than computed", InfoHeader(40, 3, 2, 24, 30, 0), {}, 0, Pattern(30, 16), 0, 30);
  good("top-down bitmap", InfoHeader(40, 3, -2, 24, 0, 0), {}, 0, Pattern(24, 17), 0, 24);
  // A V5 header: colours come after the whole 124 bytes.
  good("V5 header 8-bit", InfoHeader(124, 2, 2, 8, 0, 4), Pattern(16, 18), 0, Pattern(8, 19), 4, 8);
  good("V4 header 24-bit", InfoHeader(108, 2, 1, 24, 0, 0), {}, 0, Pattern(8, 20), 0, 8);
  good("colours used with high bits set uses the low 16 bits", InfoHeader(40, 4, 1, 8, 0, 0x10002),
       Pattern(8, 21), 0, Pattern(4, 22), 2, 4);
  good("bit fields: the masks follow a 40-byte header", InfoHeader(40, 2, 1, 16, 0, 0, kBiBitfields),
       Pattern(12, 23), 0, Pattern(4, 24), 0, 4);
  good("RLE8 with its packed size", InfoHeader(40, 4, 4, 8, 6, 2, kBiRle8), Pattern(8, 25), 0,
       Pattern(6, 26), 2, 6);

  {
    Bytes f = File(InfoHeader(40, 3, 2, 24, 0, 0), {}, 0, Pattern(24, 30));
    f.pop_back();
    bad("truncated pixel data", f);
  }
  bad("truncated colour table", File(InfoHeader(40, 1, 1, 8, 4, 0), Pattern(100, 1), 0, {}));
  {
    Bytes f = File(InfoHeader(40, 1, 1, 24, 0, 0), {}, 0, {});
    f.resize(30);
    bad("truncated info header", f);
  }
  bad("short file header", Bytes{'B', 'M', 0, 0});
  bad("empty file", Bytes{});
  {
    Bytes f = File(InfoHeader(40, 3, 2, 24, 0, 0), {}, 0, Pattern(24, 31));
    f[0] = 'M';
    f[1] = 'B';
    bad("not BM", f);
  }
  {
    // Old core header: 12 bytes, 16-bit width and height.
    Bytes core(12, 0);
    Put32(core, 0, 12);
    Put16(core, 4, 2);
    Put16(core, 6, 2);
    Put16(core, 8, 1);
    Put16(core, 10, 24);
    bad("core header", File(core, {}, 0, Pattern(40, 32)));
  }
  bad("header size 20", File(InfoHeader(20, 2, 2, 24, 0, 0), Pattern(20, 1), 0, Pattern(16, 33)));
  bad("image size beyond the file", File(InfoHeader(40, 3, 2, 24, 1u << 30, 0), {}, 0, Pattern(24, 34)));
  bad("image size smaller than the rows", File(InfoHeader(40, 3, 2, 24, 12, 0), {}, 0, Pattern(24, 35)));
  bad("height beyond the file", File(InfoHeader(40, 3, 60000, 24, 0, 0), {}, 0, Pattern(24, 36)));
  bad("width 0", File(InfoHeader(40, 0, 2, 24, 0, 0), {}, 0, Pattern(24, 37)));
  bad("negative width", File(InfoHeader(40, -3, 2, 24, 0, 0), {}, 0, Pattern(24, 38)));
  bad("width beyond 16 bits", File(InfoHeader(40, 70000, 1, 1, 0, 0), Pattern(8, 1), 0, Pattern(8752, 39)));
  bad("height 0", File(InfoHeader(40, 3, 0, 24, 0, 0), {}, 0, Pattern(24, 40)));
  bad("depth 7", File(InfoHeader(40, 3, 2, 7, 8, 0), {}, 0, Pattern(24, 41)));
  bad("colours used 65535 beyond the file", File(InfoHeader(40, 3, 2, 8, 0, 0xFFFF), Pattern(64, 1), 0, Pattern(8, 42)));
  bad("header size beyond the file", File(InfoHeader(40, 3, 2, 24, 0, 0), {}, 0, Pattern(24, 43)));
  Put32(cases.back().file, kFileHeaderSize + kHdrSize, 5000);
  bad("bits offset beyond the file", File(InfoHeader(40, 3, 2, 24, 0, 0), {}, 0, Pattern(24, 44), 1000));
  bad("RLE8 without a size", File(InfoHeader(40, 4, 4, 8, 0, 2, kBiRle8), Pattern(8, 1), 0, Pattern(16, 45)));
  bad("top-down RLE8", File(InfoHeader(40, 4, -4, 8, 6, 2, kBiRle8), Pattern(8, 1), 0, Pattern(6, 46)));
  bad("JPEG compression", File(InfoHeader(40, 4, 4, 24, 16, 0, 4), {}, 0, Pattern(16, 47)));
  return cases;
}

TEST(ReadBitmap, Table) {
  for (const ReadCase& c : ReadCases()) {
    SCOPED_TRACE(c.name);
    for (std::size_t maxRead : {SIZE_MAX, std::size_t{7}}) {
      SCOPED_TRACE(maxRead == SIZE_MAX ? "whole reads" : "reads of 7 bytes");
      MemorySource in(c.file, maxRead);
      Bytes block(kInitialBlockSize, 0xCD);
      std::uint16_t bitsOffset = 0xBEEF;
      int result = ReadBitmap(in, block, bitsOffset);
      if (c.expectedBlock.empty()) {
        EXPECT_EQ(0, result);
        continue;
      }
      ASSERT_EQ(1, result);
      EXPECT_EQ(c.expectedBitsOffset, bitsOffset);
      EXPECT_EQ(c.expectedBlock, block);  // the whole block, byte for byte
    }
  }
}

TEST(ReadBitmap, TopDownAndBottomUpGiveTheSameSourceSize) {
  for (std::int32_t height : {2, -2}) {
    SCOPED_TRACE(height);
    Bytes f = File(InfoHeader(40, 3, height, 24, 0, 0), {}, 0, Pattern(24, 1));
    MemorySource in(f);
    Bytes block(kInitialBlockSize);
    std::uint16_t off = 0;
    ASSERT_EQ(1, ReadBitmap(in, block, off));
    EXPECT_EQ(3u, SourceWidth(block));
    EXPECT_EQ(2u, SourceHeight(block));
  }
}

TEST(ReadChunked, PiecesOf32768) {
  struct Row {
    std::uint32_t count;
    std::vector<std::size_t> reads;
  };
  for (const Row& row : {Row{0, {}}, Row{100, {100}}, Row{32768, {32768}}, Row{32769, {32768, 1}},
                         Row{70000, {32768, 32768, 4464}}}) {
    SCOPED_TRACE(row.count);
    Bytes data = Pattern(row.count, 3);
    MemorySource in(data);
    Bytes out(row.count);
    EXPECT_EQ(row.count, ReadChunked(in, out.data(), row.count));
    EXPECT_EQ(row.reads, in.Reads());
    EXPECT_EQ(data, out);
  }
}

TEST(ReadChunked, ShortSourceGivesZero) {
  Bytes data = Pattern(40000, 3);
  MemorySource in(data);
  Bytes out(40001);
  EXPECT_EQ(0u, ReadChunked(in, out.data(), 40001));
}

TEST(ReadBitmap, LargePictureReadInChunks) {
  // 8-bit 300 x 250: 75000 bytes of pixels.
  Bytes bits = Pattern(75000, 5);
  Bytes f = File(InfoHeader(40, 300, 250, 8, 0, 0), Pattern(1024, 6), 0, bits);
  MemorySource in(f);
  Bytes block(kInitialBlockSize);
  std::uint16_t off = 0;
  ASSERT_EQ(1, ReadBitmap(in, block, off));
  EXPECT_EQ(1064u, off);
  EXPECT_EQ(1064u + 75000u, block.size());
  const std::vector<std::size_t>& reads = in.Reads();
  ASSERT_GE(reads.size(), 3u);
  EXPECT_EQ((std::vector<std::size_t>{32768, 32768, 75000 - 65536}),
            std::vector<std::size_t>(reads.end() - 3, reads.end()));
}

TEST(PaletteColors, FromTheColourTable) {
  struct Row {
    const char* name;
    Bytes header;
    Bytes table;
    std::vector<PaletteColor> expected;
  };
  Bytes table = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0};
  std::vector<Row> rows = {
      {"40-byte header", InfoHeader(40, 1, 1, 8, 4, 2), table, {{0x30, 0x20, 0x10}, {0x60, 0x50, 0x40}}},
      {"V5 header", InfoHeader(124, 1, 1, 8, 4, 2), table, {{0x30, 0x20, 0x10}, {0x60, 0x50, 0x40}}},
      {"no colours used", InfoHeader(40, 1, 1, 24, 4, 0), {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes block = Concat(row.header, row.table, Bytes(4, 0));
    EXPECT_EQ(row.expected, PaletteColors(block.data(), block.size()));
  }
  // A colours-used field larger than the block gives no palette rather than a read beyond it.
  Bytes small = Concat(InfoHeader(40, 1, 1, 8, 0, 200), table, {});
  EXPECT_TRUE(PaletteColors(small.data(), small.size()).empty());
}

}  // namespace
}  // namespace gfx
