// One block of -lh5-/-lh6-/-lh7- data: the command count, the three tables
// (the pre-table T that codes the code table's lengths, the code table C and
// the position table P) and the commands. Each table is sent in its cheapest
// form: as a constant when one symbol is used, and with the zero runs of the
// C lengths coded whichever way costs least under the T code.
#include <algorithm>
#include <cstring>

#include "lzh/encode_internal.h"

namespace lzh {
namespace detail {
namespace {

constexpr unsigned kTBits = 5;
constexpr unsigned kCBits = 9;
constexpr std::uint32_t kUnusable = 1u << 20;  // cost of a T symbol that has no code

// A T symbol with the extra bits that follow it.
struct Token {
  unsigned char sym;
  unsigned char extraBits;
  std::uint16_t extra;
};

unsigned PtLengthBits(unsigned k) { return k <= 6 ? 3 : k - 3; }

void PutPtLength(BitWriter& w, unsigned k) {
  if (k <= 6) {
    w.Put(k, 3);
  } else {
    w.Put((1u << (k - 3)) - 2, k - 3);  // 7 and up: "111", then k - 7 one bits and a zero
  }
}

// Bits of a T or P table sent as lengths (not as a constant). After entry
// `special` (3 for T; 0 for none) a 2-bit count of zero lengths follows.
std::uint64_t PtTableBits(const unsigned char* len, unsigned nn, unsigned nbit, unsigned special, unsigned extra = 0) {
  unsigned n = nn;
  while (n && !len[n - 1]) --n;
  n += extra;
  std::uint64_t bits = nbit;
  for (unsigned i = 0; i < n;) {
    bits += PtLengthBits(len[i++]);
    if (i == special) {
      bits += 2;
      for (unsigned z = 0; z < 3 && i < n && !len[i]; ++z) ++i;
    }
  }
  return bits;
}

void PutPtTable(BitWriter& w, const unsigned char* len, unsigned nn, unsigned nbit, unsigned special,
                unsigned extra = 0) {
  unsigned n = nn;
  while (n && !len[n - 1]) --n;
  n += extra;
  w.Put(n, nbit);
  for (unsigned i = 0; i < n;) {
    PutPtLength(w, len[i++]);
    if (i == special) {
      unsigned z = 0;
      while (z < 3 && i < n && !len[i]) ++z, ++i;
      w.Put(z, 2);
    }
  }
}

unsigned UsedCount(const std::uint32_t* freq, unsigned n, unsigned& last) {
  unsigned used = 0;
  last = 0;
  for (unsigned i = 0; i < n; ++i) {
    if (freq[i]) {
      ++used;
      last = i;
    }
  }
  return used;
}

// A run of `r` zero lengths in the default form: one or two single zeros,
// a 4-bit run (3..18), or a 9-bit run (20..531); 19 is a single zero and 18.
void DefaultRun(unsigned r, std::vector<Token>& out) {
  while (r) {
    if (r <= 2) {
      out.push_back({0, 0, 0});
      --r;
    } else if (r <= 18) {
      out.push_back({1, 4, static_cast<std::uint16_t>(r - 3)});
      r = 0;
    } else if (r == 19) {
      out.push_back({0, 0, 0});
      --r;
    } else {
      unsigned k = std::min(r, 531u);
      out.push_back({2, 9, static_cast<std::uint16_t>(k - 20)});
      r -= k;
    }
  }
}

// Cheapest split of zero runs up to `maxRun` given the costs of T symbols
// 0, 1 and 2 (with their extra bits). step[r] is the part taken first.
void CheapRuns(unsigned maxRun, std::uint32_t c0, std::uint32_t c1, std::uint32_t c2, std::vector<std::uint32_t>& cost,
               std::vector<unsigned short>& step) {
  cost.assign(maxRun + 1, 0);
  step.assign(maxRun + 1, 0);
  for (unsigned r = 1; r <= maxRun; ++r) {
    std::uint32_t best = cost[r - 1] + c0;
    unsigned take = 1;
    for (unsigned k = 3; k <= 18 && k <= r; ++k) {
      if (cost[r - k] + c1 < best) best = cost[r - k] + c1, take = k;
    }
    // A 9-bit run takes all but a short remainder.
    for (unsigned left = 0; left + 20 <= r && left <= 24; ++left) {
      unsigned k = r - left;
      if (k > 531) continue;
      if (cost[left] + c2 < best) best = cost[left] + c2, take = k;
    }
    cost[r] = best;
    step[r] = static_cast<unsigned short>(take);
  }
}

// The C lengths as T tokens. Without `tlen` zero runs take the default
// form; with it, the cheapest form under those T lengths.
void Tokenize(const unsigned char* clen, unsigned n, const unsigned char* tlen, std::vector<Token>& out) {
  out.clear();
  std::vector<std::uint32_t> cost;
  std::vector<unsigned short> step;
  if (tlen) {
    unsigned maxRun = 0;
    for (unsigned i = 0; i < n;) {
      unsigned j = i;
      while (j < n && !clen[j]) ++j;
      maxRun = std::max(maxRun, j - i);
      i = j == i ? i + 1 : j;
    }
    auto c = [&](unsigned s, unsigned extra) { return tlen[s] ? tlen[s] + extra : kUnusable; };
    CheapRuns(maxRun, c(0, 0), c(1, 4), c(2, 9), cost, step);
  }
  for (unsigned i = 0; i < n;) {
    if (clen[i]) {
      out.push_back({static_cast<unsigned char>(clen[i] + 2), 0, 0});
      ++i;
      continue;
    }
    unsigned j = i;
    while (j < n && !clen[j]) ++j;
    unsigned r = j - i;
    if (!tlen || cost[r] >= kUnusable) {
      DefaultRun(r, out);
    } else {
      while (r) {
        unsigned k = step[r];
        if (k == 1) {
          out.push_back({0, 0, 0});
        } else if (k <= 18) {
          out.push_back({1, 4, static_cast<std::uint16_t>(k - 3)});
        } else {
          out.push_back({2, 9, static_cast<std::uint16_t>(k - 20)});
        }
        r -= k;
      }
    }
    i = j;
  }
}

// The T table for `tokens` and the bits of both T and the tokens.
std::uint64_t TCost(const std::vector<Token>& tokens, unsigned char* tlen) {
  std::uint32_t tfreq[kEncNt] = {};
  for (const Token& t : tokens) ++tfreq[t.sym];
  LimitedLengths(tfreq, kEncNt, kMaxCodeLength, tlen);
  unsigned last;
  std::uint64_t bits = UsedCount(tfreq, kEncNt, last) <= 1 ? 2 * kTBits : PtTableBits(tlen, kEncNt, kTBits, 3);
  for (const Token& t : tokens) bits += tlen[t.sym] + t.extraBits;
  return bits;
}

}  // namespace

MethodParams ParamsOf(Method m) {
  switch (m) {
    case Method::Lh6: return {15, 16, 5};
    case Method::Lh7: return {16, 17, 5};
    default: return {13, 14, 4};
  }
}

std::uint64_t EncodeBlock(const BlockFreq& f, const std::uint32_t* cmds, std::size_t count, const MethodParams& mp,
                          BitWriter* w, unsigned char* clenOut, unsigned char* plenOut, bool longer) {
  unsigned char clen[kEncNc];
  unsigned char plen[kEncMaxNp];
  LimitedLengths(f.c, kEncNc, kMaxCodeLength, clen);
  LimitedLengths(f.p, mp.np, kMaxCodeLength, plen);
  unsigned cLast, pLast;
  unsigned cUsed = UsedCount(f.c, kEncNc, cLast);
  unsigned pUsed = UsedCount(f.p, mp.np, pLast);

  std::uint64_t bits = 16;
  std::vector<Token> tokens, other;
  unsigned char tlen[kEncNt] = {}, otherT[kEncNt];
  unsigned cCount = 0;
  if (cUsed <= 1) {
    bits += 2 * kTBits + 2 * kCBits;
  } else {
    cCount = cLast + 1;
    Tokenize(clen, cCount, nullptr, tokens);
    std::uint64_t best = TCost(tokens, tlen);
    Tokenize(clen, cCount, tlen, other);
    std::uint64_t alt = TCost(other, otherT);
    if (alt < best) {
      best = alt;
      tokens.swap(other);
      std::memcpy(tlen, otherT, sizeof tlen);
    }
    bits += kCBits + best;
  }
  // `longer`: one more zero length sent at the end of the P table, or else
  // of the T table (beyond the entries its zero-run field covers).
  unsigned pExtra = 0, tExtra = 0;
  if (longer) {
    unsigned pN = pLast + 1, tN = 0;
    if (cUsed > 1) {
      for (unsigned i = 0; i < kEncNt; ++i) {
        if (tlen[i]) tN = i + 1;
      }
    }
    if (pUsed > 1 && pN < mp.np) {
      pExtra = 1;
    } else if (tN >= 4 && tN < kEncNt) {
      tExtra = 1;
    }
    bits += 3;
    if (!pExtra && !tExtra) bits -= 3;
  }
  bits += pUsed <= 1 ? 2 * mp.pbit : PtTableBits(plen, mp.np, mp.pbit, 0, pExtra);
  for (unsigned i = 0; i < kEncNc; ++i) bits += static_cast<std::uint64_t>(f.c[i]) * clen[i];
  for (unsigned p = 0; p < mp.np; ++p) bits += static_cast<std::uint64_t>(f.p[p]) * (plen[p] + (p > 1 ? p - 1 : 0));

  if (clenOut) std::memcpy(clenOut, clen, sizeof clen);
  if (plenOut) std::memcpy(plenOut, plen, mp.np);
  if (!w) return bits;

  w->Put(static_cast<std::uint32_t>(count), 16);
  if (cUsed <= 1) {
    w->Put(0, kTBits);
    w->Put(0, kTBits);
    w->Put(0, kCBits);
    w->Put(cLast, kCBits);
  } else {
    unsigned tLast;
    std::uint32_t tfreq[kEncNt] = {};
    for (const Token& t : tokens) ++tfreq[t.sym];
    if (UsedCount(tfreq, kEncNt, tLast) <= 1) {
      w->Put(0, kTBits);
      w->Put(tLast, kTBits);
    } else {
      PutPtTable(*w, tlen, kEncNt, kTBits, 3, tExtra);
    }
    std::uint16_t tcode[kEncNt];
    CanonicalCodes(tlen, kEncNt, tcode);
    w->Put(cCount, kCBits);
    for (const Token& t : tokens) {
      w->Put(tcode[t.sym], tlen[t.sym]);
      w->Put(t.extra, t.extraBits);
    }
  }
  if (pUsed <= 1) {
    w->Put(0, mp.pbit);
    w->Put(pLast, mp.pbit);
  } else {
    PutPtTable(*w, plen, mp.np, mp.pbit, 0, pExtra);
  }
  std::uint16_t ccode[kEncNc];
  std::uint16_t pcode[kEncMaxNp];
  CanonicalCodes(clen, kEncNc, ccode);
  CanonicalCodes(plen, mp.np, pcode);
  for (std::size_t i = 0; i < count; ++i) {
    std::uint32_t cmd = cmds[i];
    unsigned sym = cmd & 511;
    w->Put(ccode[sym], clen[sym]);
    if (sym >= 256) {
      std::uint32_t d = cmd >> 9;
      unsigned p = PositionCode(d);
      w->Put(pcode[p], plen[p]);
      if (p > 1) w->Put(d - (1u << (p - 1)), p - 1);
    }
  }
  return bits;
}

}  // namespace detail
}  // namespace lzh
