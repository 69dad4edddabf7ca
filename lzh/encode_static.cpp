// -lh5-/-lh6-/-lh7- compression of one member: a match finder of hash
// chains and nearest-match tables, optimal parsing over bit costs estimated
// from the previous block's codes, and blocks of commands cut where their
// statistics change.
#include <algorithm>
#include <cmath>
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
constexpr std::size_t kUnitCommands = 1024;  // commands of a unit that joins a block or starts one
// The count field is 16 bits; a parse span adds at most kParseSpan + 1 more.
constexpr std::size_t kMaxBlockCommands = 0xFFFF - 4097;
constexpr std::size_t kEmitBytes = 64 * 1024;
constexpr unsigned kParseSpan = 4096;  // positions parsed together; below the smallest window
// Positions are 32-bit and keep counting from member to member, so that the
// hash heads never need clearing; before they overflow, they are shifted down.
constexpr std::uint32_t kRebaseAt = 0xF0000000u;
// Price of a position no path has reached yet: four equal bytes (set with
// memset), below 2^31 so that prices compare alike as signed and unsigned.
constexpr unsigned char kUnreachedByte = 0x3F;

// Four lanes of 32 bits: SSE2 registers on x86-64, plain scalar code where
// the target has no vector unit.
typedef std::int32_t Lanes __attribute__((vector_size(16)));

inline std::uint32_t Load32(const unsigned char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline std::uint64_t Load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Hashes of the first 3, 4 and 6 bytes of `v`, eight bytes loaded at a
// position (little-endian: the first byte lowest).
inline std::uint32_t Hash3(std::uint64_t v) {
  return ((static_cast<std::uint32_t>(v) & 0xFFFFFFu) * 2654435761u) >> (32 - kHashBits);
}
inline std::uint32_t Hash4(std::uint64_t v) {
  return (static_cast<std::uint32_t>(v) * 2246822519u) >> (32 - kHashBits);
}
inline std::uint32_t Hash6(std::uint64_t v) {
  return static_cast<std::uint32_t>(((v << 16) * 0x9E3779B97F4A7C15ull) >> (64 - kHashBits));
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

// x * log2(x), from a table for the small counts most symbols have.
double XLog2X(std::uint32_t x) {
  constexpr unsigned kTable = 1024;
  static const std::vector<double> table = [] {
    std::vector<double> t(kTable);
    for (unsigned i = 1; i < kTable; ++i) t[i] = i * std::log2(static_cast<double>(i));
    return t;
  }();
  return x < kTable ? table[x] : x * std::log2(static_cast<double>(x));
}

// Estimated bits of a block with these counts: the entropy of its codes plus
// a rough price for its tables. Extra position bits are left out; they do not
// depend on where blocks are cut.
double EstimateBits(const BlockFreq& f, unsigned np) {
  // sum of v * log2(total / v) = total * log2(total) - sum of v * log2(v)
  auto part = [](const std::uint32_t* v, unsigned n, double perUsed) {
    std::uint32_t total = 0;
    double sum = 0;
    unsigned used = 0;
    for (unsigned i = 0; i < n; ++i) {
      if (v[i]) {
        total += v[i];
        sum += XLog2X(v[i]);
        ++used;
      }
    }
    if (total == 0) return 0.0;
    return XLog2X(total) - sum + used * perUsed;
  };
  return 60 + part(f.c, kEncNc, 4.0) + part(f.p, np, 3.0);
}

}  // namespace

struct MemberEncoder::State {
  std::vector<unsigned char> window;
  // The chains link positions whose next six bytes hash alike. head3 and
  // head4 keep only the newest position for each three- and four-byte hash:
  // the nearest match of 3 to 5 bytes, the one of those lengths worth having.
  // Keying the chains on six bytes keeps them short on text, where many
  // positions share four bytes but few match further.
  std::vector<std::uint32_t> head;
  std::vector<std::uint32_t> head3;
  std::vector<std::uint32_t> head4;
  std::vector<std::uint32_t> prev;
  std::uint32_t next = 1;  // position of the next member's first byte (0 marks an empty slot)
  std::vector<std::uint32_t> commands;
  std::vector<unsigned char> packed;
  std::vector<std::uint32_t> price, step, path;  // the parser's working arrays

  // Estimated costs in bits, from the previous block's codes.
  unsigned litCost[256];
  unsigned lenCost[kMaxMatch + 4] = {};  // 3 more, read (not used) by four-wide steps
  unsigned posCost[detail::kEncMaxNp];
  Method costMethod = Method::Unknown;  // the method the costs were learnt for

  State()
      : head(std::size_t{1} << kHashBits, 0),
        head3(std::size_t{1} << kHashBits, 0),
        head4(std::size_t{1} << kHashBits, 0),
        prev(kPrevMask + 1, 0) {
    window.resize(65536 + kReadRoom + kSlack);
  }

  void DefaultCosts(const detail::MethodParams& mp) {
    for (unsigned& c : litCost) c = 8;
    for (unsigned l = 0; l <= kMaxMatch; ++l) lenCost[l] = l < 10 ? 4 + l / 2 : 10;
    for (unsigned p = 0; p < mp.np; ++p) posCost[p] = 4 + (p > 1 ? p - 1 : 0);
  }

  void LearnCosts(const detail::MethodParams& mp, const unsigned char* clen,
                  const unsigned char* plen) {
    // A symbol without a code in that block gets a price above the usual.
    for (unsigned i = 0; i < 256; ++i) litCost[i] = clen[i] ? clen[i] : 12;
    for (unsigned l = kMinMatch; l <= kMaxMatch; ++l) lenCost[l] = clen[l + 253] ? clen[l + 253] : 14;
    for (unsigned p = 0; p < mp.np; ++p) posCost[p] = (plen[p] ? plen[p] : 8) + (p > 1 ? p - 1 : 0);
  }

  void Rebase(std::uint32_t delta) {
    for (std::uint32_t& v : head) v = v > delta ? v - delta : 0;
    for (std::uint32_t& v : head3) v = v > delta ? v - delta : 0;
    for (std::uint32_t& v : head4) v = v > delta ? v - delta : 0;
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
  // Search effort: candidates per position, a match long enough to stop
  // searching and take without weighing alternatives, and a short search
  // inside the stretch a long match covers (all but its tail).
  const unsigned maxChain = method == Method::Lh5 ? 32 : 24;
  const unsigned niceLen = 32;
  const unsigned shortChain = 4, coverLen = 24, coverTail = 8;

  if (s.next > kRebaseAt) {
    std::fill(s.head.begin(), s.head.end(), 0);
    std::fill(s.head3.begin(), s.head3.end(), 0);
    std::fill(s.head4.begin(), s.head4.end(), 0);
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
  std::uint32_t* head3 = s.head3.data();
  std::uint32_t* head4 = s.head4.data();
  std::uint32_t* prev = s.prev.data();
  s.commands.clear();
  s.packed.clear();
  // The costs learnt on the previous member are a better first guess than
  // any fixed table: members of one archive tend to be alike.
  if (s.costMethod != method) s.DefaultCosts(mp);
  s.costMethod = method;
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
  // Commands [0, pendingEnd) form the block being gathered (counted in
  // `freq`); the ones after it, counted in `unitFreq`, are the newest unit,
  // which either joins that block or starts the next one.
  std::size_t pendingEnd = 0;
  double pendingBits = -1;  // EstimateBits of `freq`, or below 0 when not yet worked out
  BlockFreq unitFreq;
  std::memset(&unitFreq, 0, sizeof unitFreq);
  auto writePending = [&](bool last) -> bool {
    if (pendingEnd == 0) return true;
    unsigned char clen[kEncNc], plen[detail::kEncMaxNp];
    // jlha reads a byte ahead and drops the last command of a stream that
    // ends on a byte boundary, while libarchive rejects a padding byte after
    // the stream: so the last block is made 3 bits longer when it would end
    // on a boundary.
    bool longer = false;
    if (last) {
      std::uint64_t bits = detail::EncodeBlock(freq, s.commands.data(), pendingEnd, mp, nullptr);
      longer = (bw.Total() + bits) % 8 == 0;
    }
    detail::EncodeBlock(freq, s.commands.data(), pendingEnd, mp, &bw, clen, plen, longer);
    s.LearnCosts(mp, clen, plen);
    s.commands.erase(s.commands.begin(), s.commands.begin() + static_cast<std::ptrdiff_t>(pendingEnd));
    pendingEnd = 0;
    std::memset(&freq, 0, sizeof freq);
    return emit(false);
  };
  auto absorbUnit = [&]() {
    for (unsigned i = 0; i < kEncNc; ++i) freq.c[i] += unitFreq.c[i];
    for (unsigned i = 0; i < mp.np; ++i) freq.p[i] += unitFreq.p[i];
    std::memset(&unitFreq, 0, sizeof unitFreq);
    pendingEnd = s.commands.size();
  };
  // Cuts a block where the statistics change: the newest unit joins the
  // gathered block unless coding them apart is estimated to be cheaper.
  auto placeUnit = [&](bool last) -> bool {
    std::size_t unit = s.commands.size() - pendingEnd;
    if (unit == 0 || (!last && unit < kUnitCommands)) return true;
    double joined = -1;  // the estimate of the block the unit joins, when known
    if (pendingEnd) {
      bool split = pendingEnd + unit > kMaxBlockCommands;
      if (!split) {
        BlockFreq both;
        for (unsigned i = 0; i < kEncNc; ++i) both.c[i] = freq.c[i] + unitFreq.c[i];
        for (unsigned i = 0; i < mp.np; ++i) both.p[i] = freq.p[i] + unitFreq.p[i];
        if (pendingBits < 0) pendingBits = EstimateBits(freq, mp.np);
        const double alone = EstimateBits(unitFreq, mp.np);
        joined = EstimateBits(both, mp.np);
        split = joined > pendingBits + alone;
        if (split) joined = alone;
      }
      if (split && !writePending(false)) return false;
    }
    absorbUnit();
    pendingBits = joined;
    return true;
  };
  auto flushBlock = [&]() -> bool { return placeUnit(true) && writePending(true); };
  auto literal = [&](unsigned char c) {
    s.commands.push_back(detail::LiteralCommand(c));
    ++unitFreq.c[c];
  };
  auto match = [&](unsigned len, unsigned dist) {
    s.commands.push_back(detail::MatchCommand(len, dist));
    ++unitFreq.c[len + 253];
    ++unitFreq.p[detail::PositionCode(dist - 1)];
  };
  auto insert = [&](std::uint32_t p) {
    const std::uint64_t v = Load64(win + (p - base));
    head3[Hash3(v)] = p;
    if (p + 4 <= base + fill) head4[Hash4(v)] = p;
    if (p + 6 <= base + fill) {
      std::uint32_t h = Hash6(v);
      prev[p & kPrevMask] = head[h];
      head[h] = p;
    }
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

  // Optimal parsing, one stretch of up to kParseSpan positions at a time:
  // every position's matches (the shortest distance for each length) feed a
  // shortest-path search over estimated bit costs, and the cheapest path to
  // the stretch's end becomes the commands. A very long match is taken as it
  // is, which keeps long runs fast.
  std::vector<std::uint32_t>& price = s.price;
  std::vector<std::uint32_t>& step = s.step;  // length << 17 | distance of the last command on the cheapest path
  // 3 more than paths reach: four-wide steps read and rewrite them unchanged.
  price.resize(kParseSpan + kMaxMatch + 4);
  step.resize(kParseSpan + kMaxMatch + 4);
  std::vector<std::uint32_t>& path = s.path;
  unsigned candLen[kMaxMatch + 1];
  unsigned candDist[kMaxMatch + 1];
  bool done = false;
  std::uint32_t covered = 0;  // positions below this lie inside a long match
  std::uint32_t coverEnd = 0, coverDist = 0;  // where that match ends, and its distance
  while (!done) {
    std::uint32_t start = pos;
    // Prices are set to "unreached" only as far as paths reach, since a long
    // match can end a stretch after a few positions.
    price[0] = 0;
    unsigned reached = 0;
    auto reach = [&](unsigned to) {
      if (reached >= to) return;
      // A little further than asked, so that this runs once per match
      // length rather than once per position.
      unsigned upTo = std::min<unsigned>(to + kMaxMatch, kParseSpan + kMaxMatch);
      std::memset(&price[reached + 1], kUnreachedByte, (upTo - reached) * sizeof price[0]);
      reached = upTo;
    };
    unsigned n = 0;
    unsigned longLen = 0, longDist = 0;
    for (unsigned i = 0;; ++i) {
      std::uint32_t p = start + i;
      if (base + fill - p < kLookahead) {
        pos = p;
        r.status = refill();
        if (r.status != EncodeStatus::Ok) return r;
        start -= p - pos;  // positions move when they are shifted down
        p = pos;
      }
      unsigned avail = static_cast<unsigned>(std::min<std::size_t>(base + fill - p, kMaxMatch));
      if (avail == 0) {
        n = i;
        done = true;
        break;
      }
      if (i == kParseSpan) {
        n = i;
        break;
      }
      const unsigned here = price[i];
      const unsigned lit = here + s.litCost[win[p - base]];
      reach(i + 1);
      // Without a branch: whether the literal wins is hard to predict.
      const bool litWins = lit < price[i + 1];
      price[i + 1] = litWins ? lit : price[i + 1];
      step[i + 1] = litWins ? 1u << 17 : step[i + 1];
      if (avail < kMinMatch) continue;
      // Matches at p, each longer than the one before and farther away.
      const unsigned char* cur = win + (p - base);
      std::uint32_t limit = p - origin > maxDist ? p - maxDist : origin;
      unsigned best = kMinMatch - 1;
      unsigned count = 0;
      const std::uint64_t cur8 = Load64(cur);
      std::uint32_t h = Hash3(cur8);
      std::uint32_t c = head3[h];
      head3[h] = p;
      if (c >= limit) {
        const unsigned char* m = win + (c - base);
        if (((Load32(m) ^ static_cast<std::uint32_t>(cur8)) & 0xFFFFFFu) == 0) {
          best = CommonLength(m, cur, avail);
          candLen[0] = best;
          candDist[0] = p - c;
          count = 1;
        }
      }
      if (avail >= 4) {
        h = Hash4(cur8);
        c = head4[h];
        head4[h] = p;
        // A match of 4 or more from head3 is the nearest of that length
        // already: the newest position sharing four bytes shares three.
        if (c >= limit && best < 4) {
          const unsigned char* m = win + (c - base);
          if (Load32(m) == static_cast<std::uint32_t>(cur8)) {
            unsigned len = CommonLength(m, cur, avail);
            if (len > best) {
              best = len;
              candLen[count] = len;
              candDist[count] = p - c;
              ++count;
            }
          }
        }
      }
      c = 0;
      if (avail >= 6) {
        h = Hash6(cur8);
        c = head[h];
        prev[p & kPrevMask] = c;
        head[h] = p;
      }
      if (best >= avail) c = 0;
      // Inside a long match found just before, the matches here are mostly
      // its continuation: that is listed, and a short search finds others.
      unsigned chain = maxChain;
      if (p < covered) {
        chain = shortChain;
        unsigned len = std::min(coverEnd - p, avail);
        if (len > best) {
          best = len;
          candLen[count] = len;
          candDist[count] = coverDist;
          ++count;
        }
      }
      // Longer than `best` needs the first three bytes and the four up to
      // index `best` equal.
      const std::uint32_t head3Bytes = Load32(cur) & 0xFFFFFFu;
      unsigned tail = best - 3 + (best < 3);  // best is 2 or more
      std::uint32_t tailBytes = Load32(cur + tail);
      for (; c >= limit && chain; --chain) {
        const unsigned char* m = win + (c - base);
        if (Load32(m + tail) == tailBytes && (Load32(m) & 0xFFFFFFu) == head3Bytes) {
          unsigned len = CommonLength(m, cur, avail);
          if (len > best) {
            best = len;
            tail = best - 3;
            tailBytes = Load32(cur + tail);
            candLen[count] = len;
            candDist[count] = p - c;
            ++count;
            if (len >= avail || len >= niceLen) break;
          }
        }
        c = prev[c & kPrevMask];
      }
      if (best >= coverLen && p + best > covered) {
        covered = p + best - coverTail;
        coverEnd = p + best;
        coverDist = candDist[count - 1];
      }
      if (best >= niceLen) {
        n = i;
        longLen = best;
        longDist = candDist[count - 1];
        break;
      }
      unsigned from = kMinMatch;
      if (count) reach(i + candLen[count - 1]);
      for (unsigned k = 0; k < count; ++k) {
        unsigned dist = candDist[k];
        unsigned dcost = here + s.posCost[detail::PositionCode(dist - 1)];
        const unsigned top = candLen[k];
        // Four lengths at a time, the lanes past `top` masked off: cost,
        // comparison and both updates without branches.
        const std::int32_t dc = static_cast<std::int32_t>(dcost);
        const Lanes dcostV = {dc, dc, dc, dc};
        const std::int32_t sd = static_cast<std::int32_t>(from << 17 | dist);
        Lanes stepV = {sd, sd + (1 << 17), sd + (2 << 17), sd + (3 << 17)};
        const std::int32_t four = 4 << 17;
        const Lanes stepInc = {four, four, four, four};
        const std::int32_t lastStep = static_cast<std::int32_t>(top << 17 | dist);
        const Lanes lastV = {lastStep, lastStep, lastStep, lastStep};
        for (unsigned len = from; len <= top; len += 4) {
          Lanes lc, pr, st;
          std::memcpy(&lc, &s.lenCost[len], sizeof lc);
          std::memcpy(&pr, &price[i + len], sizeof pr);
          std::memcpy(&st, &step[i + len], sizeof st);
          const Lanes cost = dcostV + lc;
          const Lanes better = (cost < pr) & (stepV <= lastV);
          pr = (cost & better) | (pr & ~better);
          st = (stepV & better) | (st & ~better);
          std::memcpy(&price[i + len], &pr, sizeof pr);
          std::memcpy(&step[i + len], &st, sizeof st);
          stepV += stepInc;
        }
        from = top + 1;
      }
    }
    // The cheapest path to n, read backwards.
    path.clear();
    for (unsigned k = n; k > 0;) {
      std::uint32_t st = step[k];
      path.push_back(st);
      k -= st >> 17;
    }
    std::uint32_t q = start;
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      unsigned len = *it >> 17;
      if (len == 1) {
        literal(win[q - base]);
      } else {
        match(len, *it & 0x1FFFF);
      }
      q += len;
    }
    pos = start + n;
    if (longLen) {
      match(longLen, longDist);
      std::uint32_t end = pos + longLen;
      std::uint32_t hashEnd = static_cast<std::uint32_t>(base + fill - 2);
      for (std::uint32_t k = pos + 1; k < end && k < hashEnd; ++k) insert(k);
      pos = end;
    }
    if (s.commands.size() - pendingEnd >= kUnitCommands) {
      if (!placeUnit(false)) return r.status = EncodeStatus::WriteError, r;
      if (emitted + s.packed.size() >= giveUpAt) return r.gaveUp = true, r;
      // A member whose first half has not shrunk at all is taken to be
      // compressed already and given up on there (the caller, which passes
      // its size, stores what does not shrink). Halfway, not sooner: data
      // that only starts repeating after a window of noise still shrinks.
      const std::uint64_t consumed = pos - origin;
      if (giveUpAt != ~std::uint64_t{0} && consumed >= kParseSpan && 2 * consumed >= giveUpAt) {
        if (pendingBits < 0) pendingBits = EstimateBits(freq, mp.np);
        if (static_cast<double>(bw.Total()) + pendingBits >= 8.0 * consumed) return r.gaveUp = true, r;
      }
    }
  }
  if (!flushBlock() || !emit(true)) return r.status = EncodeStatus::WriteError, r;
  r.packed = emitted;
  if (r.packed >= giveUpAt) r.gaveUp = true;
  return r;
}

}  // namespace lzh
