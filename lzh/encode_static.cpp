// -lh5-/-lh6-/-lh7- compression of one member: a hash-chain match finder,
// lazy matching that weighs matches by their estimated cost in bits, and
// blocks of commands handed to the block writer.
#include <algorithm>
#include <cstring>

#include "lzh/crc16.h"
#include "lzh/encode_internal.h"

namespace lzh {
namespace {

using detail::BitWriter;
using detail::BlockFreq;
using detail::kEncNc;
using detail::kMaxMatch;
using detail::kMinMatch;

constexpr unsigned kHashBits = 16;
constexpr std::uint32_t kPrevMask = 0xFFFF;      // chains cover the largest window
constexpr std::size_t kReadRoom = 256 * 1024;    // bytes read ahead of the window
constexpr std::size_t kLookahead = kMaxMatch + 2;
constexpr std::size_t kSlack = 16;               // word-wide compares may read past the data
constexpr std::size_t kBlockCommands = 32768;    // commands gathered before a block is cut
constexpr std::size_t kEmitBytes = 64 * 1024;
// Positions are 32-bit and keep counting from member to member, so that the
// hash heads never need clearing; before they overflow, they are shifted down.
constexpr std::uint32_t kRebaseAt = 0xF0000000u;

inline std::uint32_t Load32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline std::uint32_t HashAt(const unsigned char* p) {
  return ((Load32(p) & 0xFFFFFFu) * 2654435761u) >> (32 - kHashBits);
}

// Length of the common prefix of a and b, at most `max`.
inline unsigned CommonLength(const unsigned char* a, const unsigned char* b, unsigned max) {
  unsigned n = 0;
  while (n < max) {
    std::uint64_t x, y;
    std::memcpy(&x, a + n, 8);
    std::memcpy(&y, b + n, 8);
    std::uint64_t diff = x ^ y;
    if (diff) {
      n += static_cast<unsigned>(__builtin_ctzll(diff)) >> 3;
      return n < max ? n : max;
    }
    n += 8;
  }
  return max;
}

}  // namespace

struct MemberEncoder::State {
  std::vector<unsigned char> window;
  std::vector<std::uint32_t> head;
  std::vector<std::uint32_t> prev;
  std::uint32_t next = 1;  // position of the next member's first byte (0 marks an empty slot)
  std::vector<std::uint32_t> commands;
  std::vector<unsigned char> packed;

  // Estimated costs in bits, from the previous block's codes.
  unsigned litCost[256];
  unsigned lenCost[kMaxMatch + 1];
  unsigned posCost[detail::kEncMaxNp];
  unsigned avgLit;  // in 1/16 bit

  State() : head(std::size_t{1} << kHashBits, 0), prev(kPrevMask + 1, 0) {
    window.resize(65536 + kReadRoom + kSlack);
  }

  void DefaultCosts(const detail::MethodParams& mp) {
    for (unsigned& c : litCost) c = 8;
    for (unsigned l = 0; l <= kMaxMatch; ++l) lenCost[l] = l < 10 ? 4 + l / 2 : 10;
    for (unsigned p = 0; p < mp.np; ++p) posCost[p] = 4 + (p > 1 ? p - 1 : 0);
    avgLit = 8 * 16;
  }

  void LearnCosts(const detail::MethodParams& mp, const BlockFreq& f, const unsigned char* clen,
                  const unsigned char* plen) {
    std::uint64_t litBits = 0, lits = 0;
    for (unsigned i = 0; i < 256; ++i) {
      litCost[i] = clen[i] ? clen[i] : 12;
      litBits += static_cast<std::uint64_t>(f.c[i]) * litCost[i];
      lits += f.c[i];
    }
    for (unsigned l = kMinMatch; l <= kMaxMatch; ++l) lenCost[l] = clen[l + 253] ? clen[l + 253] : 14;
    for (unsigned p = 0; p < mp.np; ++p) posCost[p] = (plen[p] ? plen[p] : 8) + (p > 1 ? p - 1 : 0);
    // A constant table costs nothing per symbol.
    avgLit = lits ? static_cast<unsigned>(litBits * 16 / lits) : 8 * 16;
    if (avgLit < 16) avgLit = 16;
  }

  void Rebase(std::uint32_t delta) {
    for (std::uint32_t& v : head) v = v > delta ? v - delta : 0;
    for (std::uint32_t& v : prev) v = v > delta ? v - delta : 0;
  }
};

MemberEncoder::MemberEncoder() : s_(std::make_unique<State>()) {}
MemberEncoder::~MemberEncoder() = default;

MemberEncoder::Result MemberEncoder::Encode(Method method, Source& src, detail::ByteSink& out, std::uint64_t giveUpAt) {
  State& s = *s_;
  const detail::MethodParams mp = detail::ParamsOf(method);
  const std::uint32_t dict = 1u << mp.dictBits;
  // One short of the window: decoders that keep exactly a window-sized ring
  // then never copy from the byte they are about to overwrite.
  const std::uint32_t maxDist = dict - 1;
  const std::size_t cap = dict + kReadRoom;
  unsigned maxChain = method == Method::Lh5 ? 96 : 160;
  const unsigned goodLen = 32;
  const unsigned niceLen = 160;

  if (s.next > kRebaseAt) {
    std::fill(s.head.begin(), s.head.end(), 0);
    std::fill(s.prev.begin(), s.prev.end(), 0);
    s.next = 1;
  }
  std::uint32_t origin = s.next;
  std::uint32_t base = origin;  // position of window[0]
  std::size_t fill = 0;
  std::uint32_t pos = origin;
  // However this ends, the next member's positions start past every
  // position this one put into the hash chains.
  struct NextStart {
    std::uint32_t& next;
    const std::uint32_t& pos;
    ~NextStart() { next = pos + 1; }
  } nextStart{s.next, pos};
  bool eof = false;
  unsigned char* win = s.window.data();
  std::uint32_t* head = s.head.data();
  std::uint32_t* prev = s.prev.data();
  s.commands.clear();
  s.packed.clear();
  s.DefaultCosts(mp);
  BitWriter bw(s.packed);
  Result r;
  std::uint64_t emitted = 0;
  BlockFreq freq;
  std::memset(&freq, 0, sizeof freq);

  auto emit = [&](bool all) -> bool {
    if (all) bw.Finish();
    if (s.packed.empty() || (!all && s.packed.size() < kEmitBytes)) return true;
    if (!out.Put(s.packed.data(), s.packed.size())) return false;
    emitted += s.packed.size();
    s.packed.clear();
    return true;
  };
  auto flushBlock = [&]() -> bool {
    if (s.commands.empty()) return true;
    unsigned char clen[kEncNc], plen[detail::kEncMaxNp];
    detail::EncodeBlock(freq, s.commands.data(), s.commands.size(), mp, &bw, clen, plen);
    s.LearnCosts(mp, freq, clen, plen);
    s.commands.clear();
    std::memset(&freq, 0, sizeof freq);
    return emit(false);
  };
  auto literal = [&](unsigned char c) {
    s.commands.push_back(detail::LiteralCommand(c));
    ++freq.c[c];
  };
  auto match = [&](unsigned len, unsigned dist) {
    s.commands.push_back(detail::MatchCommand(len, dist));
    ++freq.c[len + 253];
    ++freq.p[detail::PositionCode(dist - 1)];
  };
  // Bits a match saves against literals, in 1/16 bit (negative: not worth it).
  auto saving = [&](unsigned len, unsigned dist) -> int {
    unsigned p = detail::PositionCode(dist - 1);
    return static_cast<int>(len * s.avgLit) - static_cast<int>((s.lenCost[len] + s.posCost[p]) * 16);
  };
  auto insert = [&](std::uint32_t p) {
    std::uint32_t h = HashAt(win + (p - base));
    prev[p & kPrevMask] = head[h];
    head[h] = p;
  };
  // Inserts `p` and finds its longest match within `chain` candidates.
  auto longest = [&](std::uint32_t p, unsigned maxLen, unsigned chain, unsigned& dist) -> unsigned {
    const unsigned char* cur = win + (p - base);
    std::uint32_t h = HashAt(cur);
    std::uint32_t c = head[h];
    prev[p & kPrevMask] = c;
    head[h] = p;
    std::uint32_t limit = p - origin > maxDist ? p - maxDist : origin;
    unsigned best = kMinMatch - 1;
    while (c >= limit && chain--) {
      const unsigned char* m = win + (c - base);
      if (m[best] == cur[best] && m[0] == cur[0] && m[1] == cur[1]) {
        unsigned len = CommonLength(m, cur, maxLen);
        if (len > best) {
          best = len;
          dist = p - c;
          if (len >= maxLen) break;
        }
      }
      c = prev[c & kPrevMask];
    }
    return best >= kMinMatch ? best : 0;
  };
  auto refill = [&]() -> EncodeStatus {
    while (!eof && base + fill - pos < kLookahead) {
      if (fill == cap) {
        std::uint32_t shift = pos - dict - base;
        std::memmove(win, win + shift, fill - shift);
        base += shift;
        fill -= shift;
      }
      long long got = src.Read(win + fill, cap - fill);
      if (got < 0) return EncodeStatus::ReadError;
      if (got == 0) {
        eof = true;
        break;
      }
      r.crc = Crc16Update(r.crc, win + fill, static_cast<std::size_t>(got));
      r.original += static_cast<std::uint64_t>(got);
      fill += static_cast<std::size_t>(got);
      if (r.original > 0xFFFFFFFFu) return EncodeStatus::TooLarge;
    }
    if (pos > kRebaseAt) {
      std::uint32_t delta = base - 1;
      s.Rebase(delta);
      base -= delta;
      pos -= delta;
      origin = origin > delta ? origin - delta : 1;
    }
    return EncodeStatus::Ok;
  };

  bool havePrev = false;
  unsigned prevLen = 0, prevDist = 0;
  for (;;) {
    if (base + fill - pos < kLookahead) {
      r.status = refill();
      if (r.status != EncodeStatus::Ok) return r;
    }
    unsigned avail = static_cast<unsigned>(std::min<std::size_t>(base + fill - pos, kMaxMatch));
    if (avail == 0) break;
    unsigned len = 0, dist = 0;
    if (avail >= kMinMatch) {
      unsigned chain = havePrev && prevLen >= goodLen ? maxChain / 4 : maxChain;
      len = longest(pos, avail, chain, dist);
      if (len && saving(len, dist) <= 0) len = 0;
    }
    if (havePrev) {
      if (prevLen && (!len || saving(len, dist) <= saving(prevLen, prevDist))) {
        // The match found one byte back stays: insert the rest of it.
        match(prevLen, prevDist);
        std::uint32_t end = pos - 1 + prevLen;
        std::uint32_t hashEnd = static_cast<std::uint32_t>(base + fill - 2);
        for (std::uint32_t q = pos + 1; q < end && q < hashEnd; ++q) insert(q);
        pos = end;
        havePrev = false;
        if (s.commands.size() >= kBlockCommands && !flushBlock()) return r.status = EncodeStatus::WriteError, r;
        if (emitted + s.packed.size() >= giveUpAt) return r.gaveUp = true, r;
        continue;
      }
      literal(win[pos - 1 - base]);
    }
    if (len >= niceLen) {
      match(len, dist);
      std::uint32_t end = pos + len;
      std::uint32_t hashEnd = static_cast<std::uint32_t>(base + fill - 2);
      for (std::uint32_t q = pos + 1; q < end && q < hashEnd; ++q) insert(q);
      pos = end;
      havePrev = false;
    } else {
      havePrev = true;
      prevLen = len;
      prevDist = dist;
      ++pos;
    }
    if (s.commands.size() >= kBlockCommands) {
      if (!flushBlock()) return r.status = EncodeStatus::WriteError, r;
      if (emitted + s.packed.size() >= giveUpAt) return r.gaveUp = true, r;
    }
  }
  if (havePrev) {
    if (prevLen) {
      match(prevLen, prevDist);
    } else {
      literal(win[pos - 1 - base]);
    }
  }
  if (!flushBlock() || !emit(true)) return r.status = EncodeStatus::WriteError, r;
  r.packed = emitted;
  if (r.packed >= giveUpAt) r.gaveUp = true;
  return r;
}

}  // namespace lzh
