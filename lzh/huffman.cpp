#include "lzh/bits.h"

namespace lzh {
namespace detail {

bool HuffTable::Build(const unsigned char* lengths, unsigned n, unsigned bits) {
  unsigned count[17] = {};
  unsigned maxLen = 0;
  for (unsigned i = 0; i < n; ++i) {
    if (lengths[i] > 16) return false;
    ++count[lengths[i]];
    if (lengths[i] > maxLen) maxLen = lengths[i];
  }
  long left = 1;
  for (unsigned len = 1; len <= 16; ++len) {
    left = left * 2 - static_cast<long>(count[len]);
    if (left < 0) return false;  // over-subscribed: no prefix code has these lengths
  }
  bits_ = bits;
  subBits_ = maxLen > bits ? maxLen - bits : 1;
  table_.assign(std::size_t{1} << bits, kInvalid);

  unsigned next[18] = {};
  for (unsigned len = 1; len <= 16; ++len) next[len + 1] = (next[len] + count[len]) << 1;
  for (unsigned sym = 0; sym < n; ++sym) {
    unsigned len = lengths[sym];
    if (len == 0) continue;
    unsigned code = next[len]++;
    std::uint32_t entry = (sym << 8) | len;
    if (len <= bits) {
      std::size_t first = static_cast<std::size_t>(code) << (bits - len);
      std::size_t span = std::size_t{1} << (bits - len);
      for (std::size_t k = 0; k < span; ++k) table_[first + k] = entry;
    } else {
      unsigned extra = len - bits;
      std::size_t prefix = code >> extra;
      if (!(table_[prefix] & kLink)) {
        std::size_t at = table_.size();
        table_.resize(at + (std::size_t{1} << subBits_), kInvalid);
        table_[prefix] = static_cast<std::uint32_t>(at << 8) | kLink;
      }
      std::size_t base = table_[prefix] >> 8;
      std::size_t low = code & ((1u << extra) - 1);
      std::size_t first = low << (subBits_ - extra);
      std::size_t span = std::size_t{1} << (subBits_ - extra);
      for (std::size_t k = 0; k < span; ++k) table_[base + first + k] = entry;
    }
  }
  return true;
}

void HuffTable::SetConstant(unsigned symbol, unsigned bits) {
  bits_ = bits;
  subBits_ = 1;
  table_.assign(std::size_t{1} << bits, symbol << 8);
}

}  // namespace detail
}  // namespace lzh
