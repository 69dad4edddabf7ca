#include "gfx/bmp_read.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace gfx {

long long MemorySource::Read(void* buffer, std::size_t size) {
  std::size_t n = std::min({size, maxRead_, data_.size() - pos_});
  if (n > 0) std::memcpy(buffer, data_.data() + pos_, n);
  pos_ += n;
  reads_.push_back(size);
  return static_cast<long long>(n);
}

bool MemorySource::Seek(std::uint64_t offset) {
  if (offset > data_.size()) return false;
  pos_ = static_cast<std::size_t>(offset);
  return true;
}

std::uint32_t GetU32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t GetU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

namespace {

// Reads up to `size` bytes, accepting a source that hands them out in
// several smaller pieces; the count that arrived before the end or a failure.
std::size_t ReadUpTo(ByteSource& in, std::uint8_t* dest, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    long long n = in.Read(dest + got, size - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

bool ReadExact(ByteSource& in, std::uint8_t* dest, std::size_t size) { return ReadUpTo(in, dest, size) == size; }

bool ValidDepth(std::uint16_t depth) {
  return depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
}

}  // namespace

std::uint32_t ReadChunked(ByteSource& in, std::uint8_t* dest, std::uint32_t count) {
  std::uint32_t left = count;
  while (left > kReadChunk) {
    if (!ReadExact(in, dest, kReadChunk)) return 0;
    dest += kReadChunk;
    left -= kReadChunk;
  }
  if (left > 0 && !ReadExact(in, dest, left)) return 0;
  return count;
}

namespace {

BitmapFault Read(ByteSource& in, std::vector<std::uint8_t>& block, std::uint16_t& bitsOffset) {
  if (block.size() < kInfoHeaderSize) return BitmapFault::BadValues;
  const long long fileSize = in.Size();
  if (fileSize < 0) return BitmapFault::Unreadable;

  std::uint8_t fileHeader[kFileHeaderSize];
  const std::size_t got = ReadUpTo(in, fileHeader, sizeof fileHeader);
  if (got < 2 || GetU16(fileHeader) != 0x4D42) return BitmapFault::NotBmp;  // "BM"
  if (got < sizeof fileHeader) return BitmapFault::HeadersCut;
  const std::uint32_t fileBitsOffset = GetU32(fileHeader + 10);

  std::uint8_t* hdr = block.data();
  if (!ReadExact(in, hdr, kInfoHeaderSize)) return BitmapFault::HeadersCut;
  // 12 is the old core header; anything else below 40 is no known header.
  const std::uint32_t headerSize = GetU32(hdr + kHdrSize);
  if (headerSize < kInfoHeaderSize) return BitmapFault::CoreHeader;

  const auto width = static_cast<std::int32_t>(GetU32(hdr + kHdrWidth));
  const auto height = static_cast<std::int32_t>(GetU32(hdr + kHdrHeight));
  const std::int64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  if (width <= 0 || width > 0xFFFF || rows == 0 || rows > 0xFFFF) return BitmapFault::BadValues;

  const std::uint16_t depth = GetU16(hdr + kHdrBitCount);
  if (!ValidDepth(depth)) return BitmapFault::BadValues;
  const std::uint32_t compression = GetU32(hdr + kHdrCompression);
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  switch (compression) {
    case kBiRgb:
      break;
    case kBiRle8:
    case kBiRle4:
      // Run-length bitmaps are bottom-up only and need their packed size.
      if (depth != (compression == kBiRle8 ? 8 : 4) || height < 0) return BitmapFault::BadValues;
      break;
    case kBiBitfields:
      if (depth != 16 && depth != 32) return BitmapFault::BadValues;
      break;
    default:
      return BitmapFault::Compression;
  }

  // Colour count from the low 16 bits of colours used; 0 means the full table
  // for depths up to 8 and no table above.
  std::uint32_t colors = GetU32(hdr + kHdrClrUsed) & 0xFFFF;
  if (colors == 0 && depth <= 8) colors = 1u << depth;
  // A 40-byte header with bit fields is followed by its three colour masks,
  // which the drawing call expects where the colour table starts.
  const std::uint32_t maskBytes = (compression == kBiBitfields && headerSize == kInfoHeaderSize) ? 12 : 0;
  const std::uint64_t tableBytes = maskBytes + 4ull * colors;

  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(width) * depth + 31) / 32 * 4;
  const std::uint64_t computedSize = rowBytes * static_cast<std::uint64_t>(rows);
  std::uint64_t imageSize = GetU32(hdr + kHdrSizeImage);
  const bool sizeGiven = imageSize != 0;
  if (!sizeGiven) {
    if (rle) return BitmapFault::BadValues;
    imageSize = computedSize;
  } else if (!rle && imageSize < computedSize) {
    return BitmapFault::BadValues;  // the drawing call would read past the pixel bits
  }

  const std::uint64_t bitsInBlock = headerSize + tableBytes;
  if (bitsInBlock > 0xFFFF) return BitmapFault::BadValues;

  // Everything the headers promise must lie inside the file, so nothing is
  // allocated for data that is not there.
  const std::uint64_t tableEndInFile = kFileHeaderSize + bitsInBlock;
  const std::uint64_t bitsInFile = fileBitsOffset != 0 ? fileBitsOffset : tableEndInFile;
  const auto available = static_cast<std::uint64_t>(fileSize);
  if (tableEndInFile > available || bitsInFile + imageSize > available) return BitmapFault::BadValues;

  PutU32(hdr + kHdrClrUsed, colors);
  if (!sizeGiven) PutU32(hdr + kHdrSizeImage, static_cast<std::uint32_t>(imageSize));

  try {
    block.resize(static_cast<std::size_t>(bitsInBlock + imageSize));
  } catch (const std::bad_alloc&) {
    return BitmapFault::NoMemory;
  }
  hdr = block.data();

  // The rest of a longer header (V4, V5), then masks and colour table. The
  // sizes were checked against the file's, so a short read is a failed read.
  if (!ReadExact(in, hdr + kInfoHeaderSize, headerSize - kInfoHeaderSize)) return BitmapFault::Unreadable;
  if (!ReadExact(in, hdr + headerSize, static_cast<std::size_t>(tableBytes))) return BitmapFault::Unreadable;

  bitsOffset = static_cast<std::uint16_t>(bitsInBlock);
  if (fileBitsOffset != 0 && !in.Seek(fileBitsOffset)) return BitmapFault::Unreadable;
  const auto count = static_cast<std::uint32_t>(imageSize);
  return ReadChunked(in, hdr + bitsOffset, count) == count ? BitmapFault::None : BitmapFault::Unreadable;
}

}  // namespace

int ReadBitmap(ByteSource& in, std::vector<std::uint8_t>& block, std::uint16_t& bitsOffset, BitmapFault* fault) {
  const BitmapFault why = Read(in, block, bitsOffset);
  if (fault) *fault = why;
  return why == BitmapFault::None ? 1 : 0;
}

std::vector<PaletteColor> PaletteColors(const std::uint8_t* block, std::size_t size) {
  std::vector<PaletteColor> colors;
  if (size < kInfoHeaderSize) return colors;
  const std::uint32_t headerSize = GetU32(block + kHdrSize);
  const std::uint32_t count = GetU32(block + kHdrClrUsed) & 0xFFFF;
  const std::uint32_t masks =
      (GetU32(block + kHdrCompression) == kBiBitfields && headerSize == kInfoHeaderSize) ? 12 : 0;
  const std::uint64_t start = static_cast<std::uint64_t>(headerSize) + masks;
  if (start + 4ull * count > size) return colors;
  colors.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = block + start + 4 * i;  // blue, green, red, reserved
    colors.push_back(PaletteColor{entry[2], entry[1], entry[0]});
  }
  return colors;
}

std::uint32_t SourceWidth(const std::vector<std::uint8_t>& block) {
  return GetU32(block.data() + kHdrWidth);
}

std::uint32_t SourceHeight(const std::vector<std::uint8_t>& block) {
  const auto height = static_cast<std::int32_t>(GetU32(block.data() + kHdrHeight));
  return height < 0 ? static_cast<std::uint32_t>(-static_cast<std::int64_t>(height))
                    : static_cast<std::uint32_t>(height);
}

}  // namespace gfx
