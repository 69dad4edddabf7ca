#include "tests/lzh/lzh_support.h"

namespace lzhtest {
namespace {

TEST(Crc16, KnownValues) {
  struct Row {
    std::string data;
    std::uint16_t crc;
  } rows[] = {{"", 0}, {"123456789", 0xBB3D}, {"a", 0xE8C1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.data);
    EXPECT_EQ(r.crc, Crc(r.data));
  }
}

// The eight-byte loop and the byte loop agree whatever the split.
TEST(Crc16, IncrementalEqualsWhole) {
  std::string s = MixedData(1000, 5);
  auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (std::size_t cut : {0u, 1u, 7u, 8u, 9u, 500u, 999u}) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(lzh::Crc16(p, s.size()), lzh::Crc16Update(lzh::Crc16(p, cut), p + cut, s.size() - cut));
  }
}

// Every length, alignment and starting value agrees with the bit-by-bit
// definition, whichever of the table or the carry-less loop takes it.
TEST(Crc16, AgreesWithBitwiseDefinition) {
  auto bitwise = [](std::uint16_t c, const unsigned char* p, std::size_t n) {
    while (n--) {
      c ^= *p++;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? static_cast<std::uint16_t>((c >> 1) ^ 0xA001) : c >> 1;
    }
    return c;
  };
  std::string s = MixedData(5000, 9);
  auto* p = reinterpret_cast<const unsigned char*>(s.data());
  for (std::uint16_t init : {0x0000, 0xFFFF, 0x1234}) {
    for (std::size_t offset : {0u, 1u, 3u}) {
      for (std::size_t n = 0; n < 300; ++n) {
        ASSERT_EQ(lzh::Crc16Update(init, p + offset, n), bitwise(init, p + offset, n))
            << "init " << init << " offset " << offset << " length " << n;
      }
      ASSERT_EQ(lzh::Crc16Update(init, p + offset, 4990), bitwise(init, p + offset, 4990));
    }
  }
}

}  // namespace
}  // namespace lzhtest
