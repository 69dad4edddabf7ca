// Drawing BMP pictures of the medium (Windows only).
#pragma once

#include <windows.h>

#include <string>

namespace gfx {

// Draws the BMP file `path` stretched over `rect` of `dc` with raster
// operation `rop`: left and top are the destination origin, right and bottom
// its width and height (callers pass a client rectangle, whose origin is 0, 0).
// A palette is built from the picture's colour table and realized for the
// drawing. Returns 1 when the picture was drawn, 0 when the file cannot be read.
int DrawBitmapFile(HDC dc, const RECT& rect, const std::string& path, DWORD rop);

// A logical palette from the colour table of `info` (which must be followed by
// its colour table): the stock default palette when colours used is 0, null
// when no palette can be made. The caller deletes a palette that is not stock.
HPALETTE CreateBitmapPalette(const BITMAPINFO* info, std::size_t blockSize);

}  // namespace gfx
