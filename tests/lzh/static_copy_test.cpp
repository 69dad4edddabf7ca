// -lh5- to -lh7- streams written token by token, so that every match length
// and distance around the decoder's copy widths, history before the start,
// long codes and constant tables are certain to occur.
#include "tests/lzh/lzh_support.h"
#include "tests/lzh/test_encoders.h"

namespace lzhtest {
namespace {

struct Token {
  unsigned length;  // 0: a literal
  unsigned value;   // the literal, or the distance minus one
};

struct Shape {
  bool longCodes;      // code lengths over the decoder's first lookup width
  bool constPosition;  // position table of one symbol (n = 0)
};

// Canonical codes from lengths, in (length, symbol) order.
std::vector<std::uint32_t> Codes(const std::vector<unsigned>& len) {
  std::vector<std::uint32_t> code(len.size());
  std::uint32_t next = 0;
  for (unsigned l = 1; l <= 16; ++l) {
    for (std::size_t s = 0; s < len.size(); ++s) {
      if (len[s] == l) code[s] = next++;
    }
    next <<= 1;
  }
  return code;
}

void PutPtLength(BitWriter& w, unsigned l) {
  if (l < 7) {
    w.Put(l, 3);
  } else {
    w.Put(7, 3);
    for (unsigned k = 7; k < l; ++k) w.Put(1, 1);
    w.Put(0, 1);
  }
}

unsigned PositionCode(unsigned d) {
  unsigned pc = 0;
  while ((1u << pc) <= d) ++pc;
  return pc;  // 0 for 0, else bit length of d
}

void PutBlock(BitWriter& w, const std::vector<Token>& tokens, unsigned np, unsigned pbit, Shape shape) {
  w.Put(static_cast<std::uint32_t>(tokens.size()), 16);
  // Pre-table: all 19 symbols 5 bits long.
  w.Put(19, 5);
  for (unsigned i = 0; i < 19; ++i) {
    PutPtLength(w, 5);
    if (i == 2) w.Put(0, 2);
  }
  // Code table: literals 9 bits, lengths 10 bits, and with longCodes the
  // ten longest lengths 12 bits.
  std::vector<unsigned> clen(510, 9);
  for (unsigned s = 256; s < 510; ++s) clen[s] = shape.longCodes && s >= 500 ? 12 : 10;
  w.Put(510, 9);
  for (unsigned l : clen) w.Put(l + 2, 5);  // pre-table symbol l + 2, every code 5 bits
  std::vector<std::uint32_t> ccode = Codes(clen);

  std::vector<unsigned> plen(np, 5);
  unsigned constant = 0;
  if (shape.constPosition) {
    for (const Token& t : tokens) {
      if (t.length) constant = PositionCode(t.value);
    }
    w.Put(0, pbit);
    w.Put(constant, pbit);
  } else {
    if (shape.longCodes) plen[np - 1] = 10;
    w.Put(np, pbit);
    for (unsigned l : plen) PutPtLength(w, l);
  }
  std::vector<std::uint32_t> pcode = Codes(plen);

  for (const Token& t : tokens) {
    if (!t.length) {
      w.Put(ccode[t.value], clen[t.value]);
      continue;
    }
    unsigned sym = t.length + 253;
    w.Put(ccode[sym], clen[sym]);
    unsigned pc = PositionCode(t.value);
    if (!shape.constPosition) w.Put(pcode[pc], plen[pc]);
    if (pc > 1) w.Put(t.value - (1u << (pc - 1)), pc - 1);
  }
}

// The stream, in blocks of `perBlock` tokens; every other block has the
// alternative shape, so tables of one shape are rebuilt over the other.
std::string Encode(const std::vector<Token>& tokens, unsigned np, unsigned pbit, Shape shape, std::size_t perBlock) {
  BitWriter w;
  for (std::size_t at = 0, k = 0; at < tokens.size(); at += perBlock, ++k) {
    std::vector<Token> block(tokens.begin() + at, tokens.begin() + std::min(tokens.size(), at + perBlock));
    Shape s = shape;
    if (k % 2) s.longCodes = !s.longCodes;
    PutBlock(w, block, np, pbit, s);
  }
  return w.Finish();
}

// What the decoder must produce: history before the start is spaces.
std::string Expand(const std::vector<Token>& tokens) {
  std::string out;
  for (const Token& t : tokens) {
    if (!t.length) {
      out += static_cast<char>(t.value);
      continue;
    }
    for (unsigned k = 0; k < t.length; ++k) {
      long long from = static_cast<long long>(out.size()) - t.value - 1;
      out += from < 0 ? ' ' : out[static_cast<std::size_t>(from)];
    }
  }
  return out;
}

// Literals, then every distance and length around the copy widths (1, 8
// and 16 bytes), distances up to the method's reach (also before the start
// of the output) and the longest matches.
std::vector<Token> CopyTokens(unsigned maxDistance, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Token> t;
  t.push_back({40, maxDistance - 1});  // from the initial history only
  for (int i = 0; i < 300; ++i) t.push_back({0, static_cast<unsigned>(rng() % 256)});
  const unsigned lengths[] = {3, 4, 7, 8, 9, 15, 16, 17, 31, 32, 33, 255, 256};
  std::vector<unsigned> distances;
  for (unsigned d = 0; d <= 40; ++d) distances.push_back(d);
  for (unsigned d : {255u, 256u, 4095u, 8191u, 16383u, 32767u, 65535u}) {
    if (d < maxDistance) distances.push_back(d);
  }
  for (unsigned d : distances) {
    for (unsigned l : lengths) {
      t.push_back({l, d});
      t.push_back({0, static_cast<unsigned>(rng() % 256)});
    }
  }
  return t;
}

// For a constant position table: every match of a block takes the distance
// of the block's first match.
void OneDistancePerBlock(std::vector<Token>& tokens, std::size_t perBlock) {
  for (std::size_t at = 0; at < tokens.size(); at += perBlock) {
    std::size_t stop = std::min(tokens.size(), at + perBlock);
    unsigned d = 0;
    bool first = true;
    for (std::size_t i = at; i < stop; ++i) {
      if (!tokens[i].length) continue;
      if (first) d = tokens[i].value, first = false;
      tokens[i].value = d;
    }
  }
}

HandMember StaticMember(const std::string& method, const std::string& name, const std::vector<Token>& tokens,
                        unsigned np, unsigned pbit, Shape shape, std::size_t perBlock) {
  HandMember m;
  m.method = method;
  m.name = name;
  m.packed = Encode(tokens, np, pbit, shape, perBlock);
  std::string data = Expand(tokens);
  m.original = data.size();
  m.crc = Crc(data);
  return m;
}

struct MethodRow {
  const char* method;
  unsigned np, pbit, maxDistance;
};
const MethodRow kMethods[] = {
    {"-lh5-", 14, 4, 8192},
    {"-lh6-", 16, 5, 32768},
    {"-lh7-", 17, 5, 65536},
};

TEST(StaticCopy, EveryLengthAndDistanceAroundTheCopyWidths) {
  const Shape shapes[] = {{false, false}, {true, false}, {false, true}};
  for (const MethodRow& mr : kMethods) {
    for (const Shape& shape : shapes) {
      SCOPED_TRACE(std::string(mr.method) + (shape.longCodes ? " long codes" : "") +
                   (shape.constPosition ? " constant positions" : ""));
      // Blocks of 61 tokens for the constant table: lengths vary within each.
      std::vector<Token> tokens = CopyTokens(mr.maxDistance, 7);
      std::size_t perBlock = shape.constPosition ? 61 : 1000;
      if (shape.constPosition) OneDistancePerBlock(tokens, perBlock);
      HandMember m = StaticMember(mr.method, "copies.bin", tokens, mr.np, mr.pbit, shape, perBlock);
      lzh::Status final;
      std::vector<Decoded> d = DecodeAll(BuildArchive({m}), final);
      EXPECT_EQ(final, lzh::Status::End);
      ASSERT_EQ(d.size(), 1u);
      EXPECT_EQ(d[0].status, lzh::Status::Ok);
      EXPECT_TRUE(d[0].data == Expand(tokens)) << "output differs";
    }
  }
}

// A member long enough that the window slides several times, with matches
// across each slide, then members that copy from before their start: the
// history they see must be the initial spaces again, not the first member's
// data, whether or not the member before them slid the window.
TEST(StaticCopy, HistoryAfterSlidesAndBetweenMembers) {
  for (const MethodRow& mr : kMethods) {
    SCOPED_TRACE(mr.method);
    std::mt19937 rng(3);
    std::vector<Token> big;
    for (int i = 0; i < 200; ++i) big.push_back({0, static_cast<unsigned>(rng() % 256)});
    for (int i = 0; i < 4000; ++i) {
      big.push_back({256 - static_cast<unsigned>(rng() % 20), static_cast<unsigned>(rng() % 199)});
      big.push_back({0, static_cast<unsigned>(rng() % 256)});
      if (i % 7 == 0) big.push_back({100, mr.maxDistance - 1 - static_cast<unsigned>(rng() % 5000)});
    }
    std::vector<Token> fromStart = {{200, mr.maxDistance - 1}, {0, 'x'}, {30, 5}, {17, mr.maxDistance - 300}};
    std::vector<HandMember> members = {
        StaticMember(mr.method, "big.bin", big, mr.np, mr.pbit, {false, false}, 5000),
        StaticMember(mr.method, "a.bin", fromStart, mr.np, mr.pbit, {false, false}, 1000),
        StaticMember(mr.method, "b.bin", fromStart, mr.np, mr.pbit, {true, false}, 1000),
    };
    ASSERT_GT(members[0].original, 3 * 256 * 1024u);
    lzh::Status final;
    std::vector<Decoded> d = DecodeAll(BuildArchive(members), final);
    EXPECT_EQ(final, lzh::Status::End);
    ASSERT_EQ(d.size(), 3u);
    EXPECT_TRUE(d[0].data == Expand(big)) << "big member differs";
    for (std::size_t i = 1; i < 3; ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(d[i].status, lzh::Status::Ok);
      EXPECT_EQ(d[i].data, Expand(fromStart));
    }
  }
}

}  // namespace
}  // namespace lzhtest
