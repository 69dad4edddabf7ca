// -lh4- to -lh7-: LZSS with blocks of static Huffman codes.
#include "lzh/bits.h"

namespace lzh {
namespace detail {
namespace {

constexpr unsigned kNc = 510;  // literals, and lengths 3..256
constexpr unsigned kNt = 19;   // symbols of the table that codes the code lengths
constexpr unsigned kCBits = 9;
constexpr unsigned kTBits = 5;

// Reads the lengths of the pre-table or the position table. After entry
// `special` (the pre-table only) a 2-bit count of zero lengths follows.
bool ReadPtLengths(BitReader& br, HuffTable& table, unsigned nn, unsigned nbit, unsigned special) {
  unsigned char len[32] = {};
  unsigned n = br.Get(nbit);
  if (n == 0) {
    unsigned c = br.Get(nbit);
    if (c >= nn) return false;
    table.SetConstant(c, 10);
    return true;
  }
  if (n > nn) return false;
  unsigned i = 0;
  while (i < n) {
    unsigned c = br.Get(3);
    if (c == 7) {
      while (br.Get(1)) {
        if (++c > 16) return false;
      }
    }
    len[i++] = static_cast<unsigned char>(c);
    if (i == special) {
      unsigned zeros = br.Get(2);
      if (i + zeros > nn) return false;
      while (zeros--) len[i++] = 0;
    }
  }
  return table.Build(len, nn, 8);
}

// The code table looks up 10 bits at once: wide enough that most codes
// resolve in one step, small enough that rebuilding it for every block of a
// small member stays cheap.
bool ReadCLengths(BitReader& br, const HuffTable& pre, HuffTable& table) {
  unsigned char len[kNc] = {};
  unsigned n = br.Get(kCBits);
  if (n == 0) {
    unsigned c = br.Get(kCBits);
    if (c >= kNc) return false;
    table.SetConstant(c, 10);
    return true;
  }
  if (n > kNc) return false;
  unsigned i = 0;
  while (i < n) {
    br.Refill();
    std::uint32_t e = pre.Lookup(br.buf);
    if (e & HuffTable::kInvalid) return false;
    br.Drop(e & 0x1F);
    unsigned c = e >> 8;
    if (c <= 2) {
      unsigned zeros = c == 0 ? 1 : c == 1 ? br.Get(4) + 3 : br.Get(kCBits) + 20;
      if (i + zeros > n) return false;
      while (zeros--) len[i++] = 0;
    } else {
      len[i++] = static_cast<unsigned char>(c - 2);
    }
  }
  return table.Build(len, kNc, 10);
}

}  // namespace

Status DecodeStatic(BitReader& br, Window& w, unsigned np, unsigned pbit) {
  HuffTable pre, codes, positions;
  while (!w.Done()) {
    if (br.Overrun()) return br.inputEnded ? Status::Truncated : Status::BadData;
    unsigned blockSize = br.Get(16);
    if (blockSize == 0) continue;  // an empty block: the next one follows
    if (!ReadPtLengths(br, pre, kNt, kTBits, 3)) return Status::BadData;
    if (!ReadCLengths(br, pre, codes)) return Status::BadData;
    if (!ReadPtLengths(br, positions, np, pbit, 0)) return Status::BadData;

    // The hot loop keeps the bit reader and the output pointer in locals.
    std::uint64_t buf = br.buf;
    unsigned count = br.count;
    const unsigned char* p = br.p;
    const unsigned char* end = br.end;
    unsigned char* out = w.out;
    unsigned char* stop = w.stop;
    Status result = Status::Ok;
    while (blockSize--) {
      if (count < 56) {
        if (end - p >= 8) {
          std::uint64_t v;
          std::memcpy(&v, p, 8);
          v = __builtin_bswap64(v);
          buf |= v >> count;
          unsigned bytes = (64 - count) >> 3;
          p += bytes;
          count += bytes * 8;
        } else {
          br.buf = buf, br.count = count, br.p = p, br.end = end;
          br.RefillSlow();
          buf = br.buf, count = br.count, p = br.p, end = br.end;
        }
      }
      std::uint32_t e = codes.Lookup(buf);
      if (e & HuffTable::kInvalid) {
        result = Status::BadData;
        break;
      }
      unsigned n = e & 0x1F;
      buf <<= n;
      count -= n;
      unsigned c = e >> 8;
      if (c < 256) {
        *out++ = static_cast<unsigned char>(c);
      } else {
        unsigned length = c - 253;
        std::uint32_t pe = positions.Lookup(buf);
        if (pe & HuffTable::kInvalid) {
          result = Status::BadData;
          break;
        }
        n = pe & 0x1F;
        buf <<= n;
        count -= n;
        unsigned pc = pe >> 8;
        std::size_t distance = pc;
        if (pc > 1) {
          unsigned extra = pc - 1;
          distance = (std::size_t{1} << extra) | static_cast<std::size_t>(buf >> (64 - extra));
          buf <<= extra;
          count -= extra;
        }
        const unsigned char* src = out - distance - 1;
        unsigned char* dst = out;
        out += length;
        if (distance >= 7) {
          // Source and destination are at least 8 bytes apart, so 8-byte
          // steps only read bytes already written.
          do {
            std::memcpy(dst, src, 8);
            dst += 8;
            src += 8;
          } while (dst < out);
        } else if (distance == 0) {
          std::memset(dst, dst[-1], length);
        } else {
          while (dst < out) *dst++ = *src++;
        }
      }
      if (out >= stop) {
        w.out = out;
        Status s = w.Settle();
        out = w.out;
        stop = w.stop;
        if (s != Status::Ok) {
          result = s;
          break;
        }
      }
    }
    br.buf = buf, br.count = count, br.p = p, br.end = end;
    w.out = out;
    if (result == Status::End) break;
    if (result != Status::Ok) return result;
  }
  return Status::Ok;
}

}  // namespace detail
}  // namespace lzh
