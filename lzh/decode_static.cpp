// -lh4- to -lh7-: LZSS with blocks of static Huffman codes.
#include <algorithm>

#include "lzh/bits.h"

namespace lzh {
namespace detail {
namespace {

constexpr unsigned kNc = 510;  // literals, and lengths 3..256
constexpr unsigned kNt = 19;   // symbols of the table that codes the code lengths
constexpr unsigned kCBits = 9;
constexpr unsigned kTBits = 5;
constexpr unsigned kPBits = 8;  // lookup width of the pre-table and the position table
constexpr unsigned kCLookup = 10;  // lookup width of the code table

// The position table in the form the decoding loop wants: for each primary
// entry of a code of at most kPBits bits, the bits the code and its extra
// bits take together (low 5 bits, at most 8 + 15) and, in the upper half, the number K that
// turns those bits, read as one value v, into the distance: the code p
// stands for 2^(p-1) + extra bits, so distance = v + K modulo 2^32 with
// K = base - (code << extra). Entries of longer codes keep kLink, invalid
// ones kInvalid, and go the slow way.
void MakeFastPositions(const HuffTable::Fast& t, std::uint64_t* fast) {
  // A code of len bits fills 2^(kPBits - len) entries in a row; one step
  // per code.
  for (std::size_t i = 0; i < (std::size_t{1} << kPBits);) {
    std::uint32_t e = t.table[i];
    if (e & (HuffTable::kLink | HuffTable::kInvalid)) {
      fast[i++] = e & (HuffTable::kLink | HuffTable::kInvalid);
      continue;
    }
    unsigned len = e & 0x1F;
    unsigned pc = e >> 8;
    unsigned extra = pc > 1 ? pc - 1 : 0;
    std::uint32_t base = pc > 1 ? std::uint32_t{1} << extra : pc;
    std::uint32_t code = static_cast<std::uint32_t>(i >> (kPBits - len));
    std::uint64_t entry = static_cast<std::uint64_t>(base - (code << extra)) << 32 | (len + extra);
    std::size_t span = std::size_t{1} << (kPBits - len);
    std::fill(fast + i, fast + i + span, entry);
    i += span;
  }
}

// Reads the lengths of the pre-table or the position table. After entry
// `special` (the pre-table only) a 2-bit count of zero lengths follows.
bool ReadPtLengths(BitReader& br, HuffTable& table, unsigned nn, unsigned nbit, unsigned special) {
  unsigned char len[32] = {};
  unsigned n = br.Get(nbit);
  if (n == 0) {
    unsigned c = br.Get(nbit);
    if (c >= nn) return false;
    table.SetConstant(c, kPBits);
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
  return table.Build(len, nn, kPBits);
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
    table.SetConstant(c, kCLookup);
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
      i += zeros;  // `len` starts zeroed
    } else {
      len[i++] = static_cast<unsigned char>(c - 2);
    }
  }
  // Symbols from n on have no code.
  return table.Build(len, n, kCLookup);
}

}  // namespace

Status DecodeStatic(BitReader& br, Window& w, Workspace& workspace, unsigned np, unsigned pbit) {
  HuffTable pre(workspace.tables[0]), codes(workspace.tables[1]), positions(workspace.tables[2]);
  while (!w.Done()) {
    if (br.Overrun()) return br.inputEnded ? Status::Truncated : Status::BadData;
    unsigned blockSize = br.Get(16);
    if (blockSize == 0) continue;  // an empty block: the next one follows
    if (!ReadPtLengths(br, pre, kNt, kTBits, 3)) return Status::BadData;
    if (!ReadCLengths(br, pre, codes)) return Status::BadData;
    if (!ReadPtLengths(br, positions, np, pbit, 0)) return Status::BadData;

    // The hot loop keeps the bit reader, the tables and the output pointer
    // in locals. Bits below `count` in buf may already hold the following
    // input bits: a refill ORs in the same bits again, leaving them as they
    // are.
    std::uint64_t buf = br.buf;
    unsigned count = br.count;
    const unsigned char* p = br.p;
    const unsigned char* end = br.end;
    unsigned char* out = w.out;
    unsigned char* stop = w.stop;
    const HuffTable::Fast ct = codes.View();
    // The code table's primary lookup with its width as a constant: the
    // shift needs no count register.
    const std::uint32_t* const codeTable = ct.table;
    auto first = [codeTable](std::uint64_t b) __attribute__((always_inline)) {
      return codeTable[static_cast<std::size_t>(b >> (64 - kCLookup))];
    };
    const HuffTable::Fast pt = positions.View();
    std::uint64_t fastPositions[std::size_t{1} << kPBits];
    MakeFastPositions(pt, fastPositions);
    bool bad = false;

    // Makes at least 56 bits valid; needs 8 input bytes at p.
    auto refill = [&]() __attribute__((always_inline)) {
      std::uint64_t v;
      std::memcpy(&v, p, 8);
      buf |= __builtin_bswap64(v) >> count;
      p += (63 - count) >> 3;
      count |= 56;
    };
    // Decodes the symbol whose primary entry is `e` (a literal with a long
    // code, a match, a link or an invalid code), with at least 47 bits valid.
    auto symbol = [&](std::uint32_t e) __attribute__((always_inline)) {
      if (e & HuffTable::kLink) e = ct.Second(e, buf);
      unsigned bits = e & 0x1F;
      buf <<= bits;
      count -= bits;
      unsigned c = e >> 8;
      if (c < 256) {
        *out++ = static_cast<unsigned char>(c);
        return;
      }
      if (c >= kNc) {
        bad = true;
        return;
      }
      unsigned length = c - 253;
      std::size_t distance;
      std::uint64_t fp = fastPositions[buf >> (64 - kPBits)];
      if (!(fp & (HuffTable::kLink | HuffTable::kInvalid))) {
        unsigned total = fp & 0x1F;
        distance = static_cast<std::uint32_t>(((buf >> 1) >> (63 - total)) + (fp >> 32));
        buf <<= total;
        count -= total;
      } else {
        std::uint32_t pe = pt.Lookup(buf);
        if (pe & HuffTable::kInvalid) {
          bad = true;
          return;
        }
        bits = pe & 0x1F;
        buf <<= bits;
        count -= bits;
        unsigned pc = pe >> 8;
        distance = pc;
        if (pc > 1) {
          unsigned extra = pc - 1;
          distance = (std::size_t{1} << extra) | static_cast<std::size_t>(buf >> (64 - extra));
          buf <<= extra;
          count -= extra;
        }
      }
      const unsigned char* src = out - distance - 1;
      unsigned char* dst = out;
      out += length;
      if (distance >= 15) {
        // Source and destination are at least 16 bytes apart, so 16-byte
        // steps only read bytes already written.
        do {
          std::memcpy(dst, src, 16);
          dst += 16;
          src += 16;
        } while (dst < out);
      } else if (distance >= 7) {
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
    };

    Status result = Status::Ok;
    std::size_t left = blockSize;
    while (left) {
      std::size_t inBytes = static_cast<std::size_t>(end - p);
      if (inBytes >= 16) {
        // A run of symbols that needs no check of the input or the output.
        // One symbol takes at most 16 + 16 + 15 = 47 bits, so a refill to
        // 56 bits covers it and a run of n reads fewer than 6n + 8 bytes
        // past p. A symbol writes at most 256 bytes (plus the 16 a copy may
        // overrun, inside the window's slack), so the run passes `stop` by
        // its last symbol at most, and Settle flushes or rejects that.
        std::size_t room = out < stop ? static_cast<std::size_t>(stop - out) : 0;
        std::size_t n = std::min({left, (inBytes - 16) / 6 + 1, room / 256 + 1});
        left -= n;
        do {
          refill();
          // Entries below 256 << 8 are literals with short codes, the most
          // common symbol; up to three in a row need no refill (three codes
          // of at most 16 bits fit in the 56).
          std::uint32_t e = first(buf);
          if (e < (256u << 8)) {
            buf <<= e & 0x1F;
            count -= e & 0x1F;
            *out++ = static_cast<unsigned char>(e >> 8);
            if (--n == 0) break;
            e = first(buf);
            if (e < (256u << 8)) {
              buf <<= e & 0x1F;
              count -= e & 0x1F;
              *out++ = static_cast<unsigned char>(e >> 8);
              if (--n == 0) break;
              e = first(buf);
              if (e < (256u << 8)) {
                buf <<= e & 0x1F;
                count -= e & 0x1F;
                *out++ = static_cast<unsigned char>(e >> 8);
                continue;
              }
            }
            refill();
          }
          symbol(e);
          if (bad) break;
        } while (--n);
      } else {
        // Near the end of the buffered input: one symbol at a time.
        br.buf = buf, br.count = count, br.p = p, br.end = end;
        br.Refill();
        buf = br.buf, count = br.count, p = br.p, end = br.end;
        --left;
        symbol(first(buf));
      }
      if (bad) {
        result = Status::BadData;
        break;
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
