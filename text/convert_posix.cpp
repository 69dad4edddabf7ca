#include "text/convert.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace text {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::string Run(const std::string& in, bool* ok) {
    bool clean = cd_ != reinterpret_cast<iconv_t>(-1);
    std::string out;
    if (!clean) {
      if (ok) *ok = false;
      return in;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> buf(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    while (srcLeft > 0) {
      char* dst = buf.data();
      std::size_t dstLeft = buf.size();
      std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf.data(), buf.size() - dstLeft);
      if (r == static_cast<std::size_t>(-1)) {
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: keep going after the bad byte.
        clean = false;
        out += '?';
        ++src;
        --srcLeft;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    if (ok) *ok = clean;
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string Cp932ToUtf8(const std::string& s, bool* ok) {
  Converter c("UTF-8", "CP932");
  return c.Run(s, ok);
}

std::string Utf8ToCp932(const std::string& s, bool* ok) {
  Converter c("CP932", "UTF-8");
  return c.Run(s, ok);
}

}  // namespace text
