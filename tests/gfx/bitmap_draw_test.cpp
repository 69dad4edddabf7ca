// DrawBitmapFile against the real GDI: pictures are drawn into a memory
// bitmap and the pixels are checked.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gfx/bitmap_draw.h"

namespace gfx {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kUntouched = RGB(1, 2, 3);

void Put(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A 2 x 2 picture: red, green on top; blue, white below. `depth` 24 writes
// the colours; 8, 4 and 1 write indices into a table.
Bytes Picture(int depth, bool topDown, std::uint32_t colorsUsed = 0) {
  const COLORREF top[2] = {kRed, kGreen};
  const COLORREF bottom[2] = {kBlue, kWhite};
  std::vector<COLORREF> table;
  if (depth <= 8) table = {kRed, kGreen, kBlue, kWhite};
  if (depth == 1) table = {kRed, kWhite};  // 1 bit: red and white only
  std::size_t tableEntries = depth <= 8 ? (colorsUsed ? colorsUsed : (1u << depth)) : 0;
  table.resize(tableEntries, RGB(0, 0, 0));

  auto index = [&](COLORREF c) {
    for (std::size_t i = 0; i < table.size(); ++i)
      if (table[i] == c) return static_cast<std::uint8_t>(i);
    return std::uint8_t{1};  // 1 bit: everything not red is white
  };
  auto row = [&](const COLORREF* px) {
    Bytes r;
    if (depth == 24) {
      for (int x = 0; x < 2; ++x) {
        r.push_back(GetBValue(px[x]));
        r.push_back(GetGValue(px[x]));
        r.push_back(GetRValue(px[x]));
      }
    } else if (depth == 8) {
      r = {index(px[0]), index(px[1])};
    } else if (depth == 4) {
      r = {static_cast<std::uint8_t>(index(px[0]) << 4 | index(px[1]))};
    } else {
      r = {static_cast<std::uint8_t>(index(px[0]) << 7 | index(px[1]) << 6)};
    }
    r.resize((r.size() + 3) / 4 * 4, 0);
    return r;
  };
  Bytes bits;
  for (const COLORREF* px : topDown ? std::vector<const COLORREF*>{top, bottom}
                                    : std::vector<const COLORREF*>{bottom, top}) {
    Bytes r = row(px);
    bits.insert(bits.end(), r.begin(), r.end());
  }

  Bytes f = {'B', 'M'};
  std::uint32_t offset = 14 + 40 + 4 * static_cast<std::uint32_t>(table.size());
  Put(f, offset + static_cast<std::uint32_t>(bits.size()), 4);
  Put(f, 0, 4);
  Put(f, offset, 4);
  Put(f, 40, 4);
  Put(f, 2, 4);
  Put(f, static_cast<std::uint32_t>(topDown ? -2 : 2), 4);
  Put(f, 1, 2);
  Put(f, static_cast<std::uint32_t>(depth), 2);
  Put(f, 0, 4);
  Put(f, 0, 4);  // image size 0: computed
  Put(f, 0, 4);
  Put(f, 0, 4);
  Put(f, colorsUsed, 4);
  Put(f, 0, 4);
  for (COLORREF c : table) {
    f.push_back(GetBValue(c));
    f.push_back(GetGValue(c));
    f.push_back(GetRValue(c));
    f.push_back(0);
  }
  f.insert(f.end(), bits.begin(), bits.end());
  return f;
}

std::string WriteTemp(const std::string& name, const Bytes& data) {
  char dir[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_NE(nullptr, f);
  if (f) {
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
  return path;
}

// A 32-bit memory bitmap of `w` x `h` filled with kUntouched.
class Canvas {
 public:
  Canvas(int w, int h) : w_(w) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    SetStretchBltMode(dc_, COLORONCOLOR);
    for (int i = 0; i < w * h; ++i) bits_[i] = 0x00010203;  // kUntouched as 0x00RRGGBB
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    std::uint32_t v = bits_[y * w_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }

 private:
  int w_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  std::uint32_t* bits_ = nullptr;
};

TEST(DrawBitmapFile, StretchesOverTheRectangle) {
  struct Row {
    const char* name;
    Bytes file;
  };
  const Row rows[] = {
      {"24-bit bottom-up", Picture(24, false)},
      {"24-bit top-down", Picture(24, true)},
      {"8-bit colours used 0", Picture(8, false)},
      {"8-bit colours used 4", Picture(8, false, 4)},
      {"4-bit", Picture(4, false)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string path = WriteTemp("brelix_draw.bmp", row.file);
    Canvas canvas(8, 6);
    RECT rect{0, 0, 8, 6};
    ASSERT_EQ(1, DrawBitmapFile(canvas.dc(), rect, path, SRCCOPY));
    EXPECT_EQ(kRed, canvas.At(0, 0));
    EXPECT_EQ(kGreen, canvas.At(7, 0));
    EXPECT_EQ(kBlue, canvas.At(0, 5));
    EXPECT_EQ(kWhite, canvas.At(7, 5));
    EXPECT_EQ(kRed, canvas.At(3, 2));
    DeleteFileA(path.c_str());
  }
}

TEST(DrawBitmapFile, OneBitPicture) {
  std::string path = WriteTemp("brelix_draw1.bmp", Picture(1, false));
  Canvas canvas(4, 4);
  ASSERT_EQ(1, DrawBitmapFile(canvas.dc(), RECT{0, 0, 4, 4}, path, SRCCOPY));
  EXPECT_EQ(kRed, canvas.At(0, 0));
  EXPECT_EQ(kWhite, canvas.At(3, 0));
  EXPECT_EQ(kWhite, canvas.At(3, 3));
  DeleteFileA(path.c_str());
}

TEST(DrawBitmapFile, RightAndBottomAreTheSize) {
  // Left and top are the origin; right and bottom the width and height.
  std::string path = WriteTemp("brelix_draw2.bmp", Picture(24, false));
  Canvas canvas(6, 6);
  ASSERT_EQ(1, DrawBitmapFile(canvas.dc(), RECT{2, 2, 2, 2}, path, SRCCOPY));
  EXPECT_EQ(kUntouched, canvas.At(1, 1));
  EXPECT_EQ(kRed, canvas.At(2, 2));
  EXPECT_EQ(kWhite, canvas.At(3, 3));
  EXPECT_EQ(kUntouched, canvas.At(4, 4));
  DeleteFileA(path.c_str());
}

TEST(DrawBitmapFile, UnreadableFilesDrawNothing) {
  Bytes truncated = Picture(24, false);
  truncated.pop_back();
  Bytes core = Picture(24, false);
  core[14] = 12;
  std::string truncatedPath = WriteTemp("brelix_trunc.bmp", truncated);
  std::string corePath = WriteTemp("brelix_core.bmp", core);
  char dir[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, dir);
  struct Row {
    const char* name;
    std::string path;
  };
  const Row rows[] = {
      {"missing file", std::string(dir) + "brelix_no_such.bmp"},
      {"a folder (empty picture name)", dir},
      {"truncated pixels", truncatedPath},
      {"core header", corePath},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Canvas canvas(4, 4);
    EXPECT_EQ(0, DrawBitmapFile(canvas.dc(), RECT{0, 0, 4, 4}, row.path, SRCCOPY));
    EXPECT_EQ(kUntouched, canvas.At(0, 0));
    EXPECT_EQ(kUntouched, canvas.At(3, 3));
  }
  DeleteFileA(truncatedPath.c_str());
  DeleteFileA(corePath.c_str());
}

TEST(CreateBitmapPalette, FromTheColourTable) {
  std::vector<std::uint8_t> block(40 + 8, 0);
  block[0] = 40;
  block[14] = 8;
  block[32] = 2;  // colours used
  const std::uint8_t table[8] = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0};
  std::copy(table, table + 8, block.begin() + 40);
  HPALETTE palette = CreateBitmapPalette(reinterpret_cast<BITMAPINFO*>(block.data()), block.size());
  ASSERT_NE(nullptr, palette);
  PALETTEENTRY entries[2] = {};
  ASSERT_EQ(2u, GetPaletteEntries(palette, 0, 2, entries));
  EXPECT_EQ(0x30, entries[0].peRed);
  EXPECT_EQ(0x20, entries[0].peGreen);
  EXPECT_EQ(0x10, entries[0].peBlue);
  EXPECT_EQ(0x60, entries[1].peRed);
  DeleteObject(palette);

  block[32] = 0;  // no colours used: the stock palette
  EXPECT_EQ(GetStockObject(DEFAULT_PALETTE), CreateBitmapPalette(reinterpret_cast<BITMAPINFO*>(block.data()), block.size()));
}

}  // namespace
}  // namespace gfx
