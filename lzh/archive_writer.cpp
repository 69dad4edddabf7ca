// The archive writer: each member's header goes out first with its sizes and
// CRC still unknown, then the data, then the header again, complete. A member
// that does not shrink is written again in place, stored.
#include <algorithm>
#include <cstring>
#include <vector>

#include "lzh/crc16.h"
#include "lzh/encode_internal.h"

namespace lzh {

const char* EncodeStatusName(EncodeStatus s) {
  switch (s) {
    case EncodeStatus::Ok: return "ok";
    case EncodeStatus::ReadError: return "read error";
    case EncodeStatus::WriteError: return "write error";
    case EncodeStatus::BadName: return "name not storable";
    case EncodeStatus::TooLarge: return "file of 4 GiB or more";
  }
  return "?";
}

bool MemoryOutput::Write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  std::size_t over = std::min(size, bytes.size() - pos_);
  std::memcpy(&bytes[pos_], p, over);
  bytes.append(p + over, size - over);
  pos_ += size;
  return true;
}

bool MemoryOutput::Seek(std::uint64_t offset) {
  if (offset > bytes.size()) return false;
  pos_ = static_cast<std::size_t>(offset);
  return true;
}

bool MemoryOutput::Truncate() {
  bytes.resize(pos_);
  return true;
}

long long MemorySource::Read(void* buffer, std::size_t size) {
  std::size_t n = std::min(size, size_ - pos_);
  if (n) std::memcpy(buffer, data_ + pos_, n);
  pos_ += n;
  return static_cast<long long>(n);
}

namespace {

const char* MethodIdOf(Method m) {
  switch (m) {
    case Method::Lh6: return "-lh6-";
    case Method::Lh7: return "-lh7-";
    default: return "-lh5-";
  }
}

class OutputSink : public detail::ByteSink {
 public:
  explicit OutputSink(Output& out) : out_(out) {}
  bool Put(const unsigned char* data, std::size_t size) override { return out_.Write(data, size); }

 private:
  Output& out_;
};

}  // namespace

ArchiveWriter::ArchiveWriter(Output& out, const EncodeOptions& options) : out_(out), options_(options) {
  if (options_.method != Method::Lh6 && options_.method != Method::Lh7) options_.method = Method::Lh5;
  if (options_.level != 1) options_.level = 2;
}

ArchiveWriter::~ArchiveWriter() = default;

EncodeStatus ArchiveWriter::Emit(const void* data, std::size_t size) {
  return out_.Write(data, size) ? EncodeStatus::Ok : EncodeStatus::WriteError;
}

EncodeStatus ArchiveWriter::WriteHeader(const NewMember& member, const std::string& methodId, std::uint64_t packed,
                                        std::uint64_t original, std::uint16_t crc) {
  std::string h = BuildHeader(member, options_.level, methodId, packed, original, crc);
  if (h.empty()) return EncodeStatus::BadName;
  return Emit(h.data(), h.size());
}

EncodeStatus ArchiveWriter::Add(const NewMember& member, Source* data, AddedMember* added) {
  AddedMember info;
  EncodeStatus st;
  if (!out_.Seek(pos_)) return EncodeStatus::WriteError;
  MemorySource nothing(nullptr, 0);
  if (!data) data = &nothing;  // a file without a source is empty
  if (member.directory) {
    std::string h = BuildHeader(member, options_.level, "-lhd-", 0, 0, 0);
    if (h.empty()) return EncodeStatus::BadName;
    if ((st = Emit(h.data(), h.size())) != EncodeStatus::Ok) return st;
    pos_ += h.size();
    info.methodId = "-lhd-";
    if (added) *added = info;
    return EncodeStatus::Ok;
  }
  // The header's length does not depend on the sizes, so a provisional one
  // holds the place of the final one.
  std::string methodId = MethodIdOf(options_.method);
  std::string h = BuildHeader(member, options_.level, methodId, 0, 0, 0);
  if (h.empty()) return EncodeStatus::BadName;
  if ((st = Emit(h.data(), h.size())) != EncodeStatus::Ok) return st;
  const std::uint64_t dataStart = pos_ + h.size();

  if (!encoder_) encoder_ = std::make_unique<MemberEncoder>();
  long long hint = data->SizeHint();
  std::uint64_t giveUpAt = hint >= 0 ? static_cast<std::uint64_t>(hint) : ~std::uint64_t{0};
  OutputSink sink(out_);
  MemberEncoder::Result r = encoder_->Encode(options_.method, *data, sink, giveUpAt);
  if (r.status != EncodeStatus::Ok) return r.status;

  if (r.gaveUp || r.packed >= r.original) {
    // Stored instead: read the data again and write it over the packed data.
    methodId = "-lh0-";
    if (!data->Rewind()) return EncodeStatus::ReadError;
    if (!out_.Seek(dataStart)) return EncodeStatus::WriteError;
    std::vector<unsigned char> buf(64 * 1024);
    r.original = 0;
    r.crc = 0;
    for (;;) {
      long long got = data->Read(buf.data(), buf.size());
      if (got < 0) return EncodeStatus::ReadError;
      if (got == 0) break;
      r.original += static_cast<std::uint64_t>(got);
      if (r.original > 0xFFFFFFFFu) return EncodeStatus::TooLarge;
      r.crc = Crc16Update(r.crc, buf.data(), static_cast<std::size_t>(got));
      if ((st = Emit(buf.data(), static_cast<std::size_t>(got))) != EncodeStatus::Ok) return st;
    }
    r.packed = r.original;
  }
  if (!out_.Seek(pos_)) return EncodeStatus::WriteError;
  if ((st = WriteHeader(member, methodId, r.packed, r.original, r.crc)) != EncodeStatus::Ok) return st;
  pos_ = dataStart + r.packed;
  if (!out_.Seek(pos_)) return EncodeStatus::WriteError;
  info.methodId = methodId;
  info.originalSize = r.original;
  info.packedSize = r.packed;
  info.crc = r.crc;
  if (added) *added = info;
  return EncodeStatus::Ok;
}

EncodeStatus ArchiveWriter::Finish() {
  if (!out_.Seek(pos_)) return EncodeStatus::WriteError;
  const unsigned char end = 0;
  EncodeStatus st = Emit(&end, 1);
  if (st != EncodeStatus::Ok) return st;
  ++pos_;
  return out_.Truncate() ? EncodeStatus::Ok : EncodeStatus::WriteError;
}

}  // namespace lzh
