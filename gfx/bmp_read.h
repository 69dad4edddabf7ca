// Reading BMP pictures of the update medium into one memory block laid out
// the way the drawing call wants it: the info header, the colour table, the
// pixel bits. Portable: no Windows types, input through a ByteSource so that
// tests can feed memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gfx {

// Sequential input with absolute seeks.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes; the count read, or -1 on an error.
  virtual long long Read(void* buffer, std::size_t size) = 0;
  virtual bool Seek(std::uint64_t offset) = 0;
  // Total size in bytes, or -1 when unknown.
  virtual long long Size() = 0;
};

// A ByteSource over bytes held by the caller. `maxRead` limits how many bytes
// one Read returns, so tests can check that short reads are handled.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(const std::vector<std::uint8_t>& data, std::size_t maxRead = SIZE_MAX)
      : data_(data), maxRead_(maxRead) {}
  long long Read(void* buffer, std::size_t size) override;
  bool Seek(std::uint64_t offset) override;
  long long Size() override { return static_cast<long long>(data_.size()); }
  // Sizes of the reads made so far, in order.
  const std::vector<std::size_t>& Reads() const { return reads_; }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t maxRead_;
  std::size_t pos_ = 0;
  std::vector<std::size_t> reads_;
};

// First size of the block: a 40-byte info header and 256 colour entries. The
// block is resized once, to its final size.
constexpr std::size_t kInitialBlockSize = 1064;
// Pixel data is read in pieces of this many bytes.
constexpr std::uint32_t kReadChunk = 32768;

// Offsets of the fields used inside the info header.
constexpr std::size_t kHdrSize = 0;
constexpr std::size_t kHdrWidth = 4;
constexpr std::size_t kHdrHeight = 8;
constexpr std::size_t kHdrPlanes = 12;
constexpr std::size_t kHdrBitCount = 14;
constexpr std::size_t kHdrCompression = 16;
constexpr std::size_t kHdrSizeImage = 20;
constexpr std::size_t kHdrClrUsed = 32;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;

// Compression values the reader accepts.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;

// Why ReadBitmap refused a picture, so that a message can say what to fix.
enum class BitmapFault {
  None,
  Unreadable,   // the file cannot be opened, or a read failed
  NotBmp,       // it does not start with "BM"
  HeadersCut,   // it ends inside its file header or info header
  CoreHeader,   // an info header shorter than 40 bytes: the old OS/2 core header
  Compression,  // a compression the drawing cannot take (embedded JPEG or PNG, ...)
  BadValues,    // header values that do not fit together or into the file (pixel data short)
  NoMemory,     // the pixel block could not be allocated
};

// Reads `count` bytes to `dest`: whole chunks of kReadChunk bytes, then the
// rest. Returns `count` when every byte arrived, 0 otherwise.
std::uint32_t ReadChunked(ByteSource& in, std::uint8_t* dest, std::uint32_t count);

// Reads a BMP file from `in` into `block`, which on entry holds at least
// kInfoHeaderSize bytes (DrawBitmapFile passes kInitialBlockSize). On success
// returns 1, `block` has been resized exactly once to header size + colour
// table + image size, and `bitsOffset` is where the pixel bits start in it.
// On failure returns 0; the block may have been resized but every byte that
// was read stayed inside it.
//
// The final header has colours used set to the number of table entries and
// image size set to the computed size where the file gave 0, so that the
// drawing call never reads beyond the block.
//
// `fault`, when given, receives why the picture was refused (None on success).
int ReadBitmap(ByteSource& in, std::vector<std::uint8_t>& block, std::uint16_t& bitsOffset,
               BitmapFault* fault = nullptr);

// ReadBitmap on a file (narrow code page 932 path). 0 when it does not open.
int ReadBitmapFile(const std::string& path, std::vector<std::uint8_t>& block,
                   std::uint16_t& bitsOffset, BitmapFault* fault = nullptr);

struct PaletteColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const PaletteColor& o) const {
    return red == o.red && green == o.green && blue == o.blue;
  }
};

// The colours for a logical palette, from a block that ReadBitmap filled:
// one per colour-table entry (colours used); empty when colours used is 0,
// which means the default palette.
std::vector<PaletteColor> PaletteColors(const std::uint8_t* block, std::size_t size);

// Little-endian field access on the block.
std::uint32_t GetU32(const std::uint8_t* p);
std::uint16_t GetU16(const std::uint8_t* p);
void PutU32(std::uint8_t* p, std::uint32_t v);

// Width and height to draw from (the height of a top-down bitmap is
// negative in the header; this gives its magnitude).
std::uint32_t SourceWidth(const std::vector<std::uint8_t>& block);
std::uint32_t SourceHeight(const std::vector<std::uint8_t>& block);

}  // namespace gfx
