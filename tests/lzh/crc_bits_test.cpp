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

}  // namespace
}  // namespace lzhtest
