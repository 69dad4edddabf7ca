#include "gfx/bitmap_draw.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "gfx/bmp_read.h"
#include "os/win32/scoped.h"

namespace gfx {
namespace {

// Selects a palette into a context as a foreground palette and realizes it;
// puts the previous one back and deletes its own (non-stock) palette at the end.
class SelectedPalette {
 public:
  SelectedPalette(HDC dc, HPALETTE palette) : dc_(dc), palette_(palette) {
    if (!palette_) return;
    if (palette_ != static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE))) owned_.Reset(palette_);
    previous_ = SelectPalette(dc_, palette_, FALSE);
    RealizePalette(dc_);
  }
  // The previous palette goes back before `owned_` deletes this one.
  ~SelectedPalette() {
    if (previous_) SelectPalette(dc_, previous_, FALSE);
  }
  SelectedPalette(const SelectedPalette&) = delete;
  SelectedPalette& operator=(const SelectedPalette&) = delete;

 private:
  HDC dc_;
  HPALETTE palette_;
  os::win32::GdiObject<HPALETTE> owned_;
  HPALETTE previous_ = nullptr;
};

}  // namespace

HPALETTE CreateBitmapPalette(const BITMAPINFO* info, std::size_t blockSize) {
  std::vector<PaletteColor> colors;
  std::vector<std::uint8_t> memory;
  try {
    colors = PaletteColors(reinterpret_cast<const std::uint8_t*>(info), blockSize);
    if (colors.empty()) return static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    // LOGPALETTE: version, entry count, then one PALETTEENTRY per colour.
    memory.resize(offsetof(LOGPALETTE, palPalEntry) + colors.size() * sizeof(PALETTEENTRY));
  } catch (const std::bad_alloc&) {
    return nullptr;  // drawn with the context's current palette
  }
  auto* logical = reinterpret_cast<LOGPALETTE*>(memory.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(colors.size());
  for (std::size_t i = 0; i < colors.size(); ++i) {
    logical->palPalEntry[i].peRed = colors[i].red;
    logical->palPalEntry[i].peGreen = colors[i].green;
    logical->palPalEntry[i].peBlue = colors[i].blue;
    logical->palPalEntry[i].peFlags = 0;
  }
  return CreatePalette(logical);
}

int DrawBitmapFile(HDC dc, const RECT& rect, const std::string& path, DWORD rop) {
  // Painting must not fail louder than a missing picture: no exception leaves.
  std::vector<std::uint8_t> block;
  std::uint16_t bitsOffset = 0;
  try {
    block.resize(kInitialBlockSize);
    if (!ReadBitmapFile(path, block, bitsOffset)) return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }

  const auto* info = reinterpret_cast<const BITMAPINFO*>(block.data());
  SelectedPalette palette(dc, CreateBitmapPalette(info, block.size()));
  // The stretch mode is left as the context has it.
  StretchDIBits(dc, rect.left, rect.top, rect.right, rect.bottom, 0, 0,
                static_cast<int>(SourceWidth(block)), static_cast<int>(SourceHeight(block)),
                block.data() + bitsOffset, info, DIB_RGB_COLORS, rop);
  return 1;
}

}  // namespace gfx
