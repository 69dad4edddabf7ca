// Makes the pictures of the Brelix demo medium and the program's icon.
//
//   make_bmp OUT_DIR            writes back.bmp, notes.bmp, target.bmp, confirm.bmp
//   make_bmp --icon FILE.ico    writes the 32 x 32 program icon
//
// Each picture uses another colour depth (24, 8, 4 and 1 bits) so that the
// demo shows every kind of colour table the program reads. Built on the fly
// by the scripts that need it: c++ -std=c++17 -O2 -o make_bmp make_bmp.cpp
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
  int r, g, b;
};

void Put(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A bottom-up uncompressed BMP. `pixel(x, y)` (y from the top) gives a
// palette index, or for 24 bits an index into `colors` computed on the fly
// through `rgb`.
Bytes Bmp(int width, int height, int depth, const std::vector<Rgb>& palette,
          const std::function<int(int, int)>& index, const std::function<Rgb(int, int)>& rgb = nullptr) {
  const int row = ((width * depth + 31) / 32) * 4;
  Bytes data;
  for (int y = height - 1; y >= 0; --y) {
    Bytes line;
    if (depth == 24) {
      for (int x = 0; x < width; ++x) {
        Rgb c = rgb(x, y);
        line.push_back(static_cast<std::uint8_t>(c.b));
        line.push_back(static_cast<std::uint8_t>(c.g));
        line.push_back(static_cast<std::uint8_t>(c.r));
      }
    } else {
      const int per = 8 / depth;
      for (int x0 = 0; x0 < width; x0 += per) {
        int byte = 0;
        for (int i = 0; i < per; ++i) {
          int x = x0 + i;
          int v = x < width ? index(x, y) : 0;
          byte |= (v & ((1 << depth) - 1)) << (8 - depth * (i + 1));
        }
        line.push_back(static_cast<std::uint8_t>(byte));
      }
    }
    line.resize(static_cast<std::size_t>(row), 0);
    data.insert(data.end(), line.begin(), line.end());
  }
  Bytes info;
  Put(info, 40, 4);
  Put(info, static_cast<std::uint32_t>(width), 4);
  Put(info, static_cast<std::uint32_t>(height), 4);
  Put(info, 1, 2);
  Put(info, static_cast<std::uint32_t>(depth), 2);
  Put(info, 0, 4);
  Put(info, static_cast<std::uint32_t>(data.size()), 4);
  Put(info, 2835, 4);
  Put(info, 2835, 4);
  Put(info, static_cast<std::uint32_t>(palette.size()), 4);
  Put(info, 0, 4);
  for (const Rgb& c : palette) {
    info.push_back(static_cast<std::uint8_t>(c.b));
    info.push_back(static_cast<std::uint8_t>(c.g));
    info.push_back(static_cast<std::uint8_t>(c.r));
    info.push_back(0);
  }
  const std::uint32_t offset = 14 + static_cast<std::uint32_t>(info.size());
  Bytes file = {'B', 'M'};
  Put(file, offset + static_cast<std::uint32_t>(data.size()), 4);
  Put(file, 0, 4);
  Put(file, offset, 4);
  file.insert(file.end(), info.begin(), info.end());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

Bytes Background() {
  const int w = 640, h = 480;
  return Bmp(w, h, 24, {}, nullptr, [&](int x, int y) {
    double t = static_cast<double>(y) / (h - 1);
    Rgb c{static_cast<int>(20 + 40 * t), static_cast<int>(60 + 80 * t), static_cast<int>(140 + 100 * t)};
    // A band of light across the lower part, and a white frame.
    double band = 0.62 * h + 0.12 * h * std::sin(static_cast<double>(x) / w * 2 * M_PI);
    if (std::fabs(y - band) < 6) c = {240, 220, 120};
    if (x < 8 || y < 8 || x >= w - 8 || y >= h - 8) c = {250, 250, 250};
    return c;
  });
}

Bytes NotesPicture() {
  // 8 bits with a full 256-entry table: a sheet of paper.
  std::vector<Rgb> palette;
  for (int i = 0; i < 256; ++i) palette.push_back({i, i, i + 30 > 255 ? 255 : i + 30});
  return Bmp(64, 64, 8, palette, [](int x, int y) {
    if (x >= 14 && x < 50 && y >= 8 && y < 56) {
      if (x >= 20 && x < 44 && (y == 18 || y == 26 || y == 34 || y == 42)) return 40;
      return 250;
    }
    return 90 + (x + y) % 64;
  });
}

Bytes TargetPicture() {
  // 4 bits: a yellow folder on dark blue.
  std::vector<Rgb> palette = {{0, 0, 128}, {255, 210, 60}, {200, 150, 20}, {255, 255, 255}};
  palette.resize(16, Rgb{0, 0, 0});
  return Bmp(64, 64, 4, palette, [](int x, int y) {
    if (x >= 10 && x < 30 && y >= 14 && y < 20) return 2;
    if (x >= 10 && x < 54 && y >= 20 && y < 50) return y > 22 ? 1 : 2;
    return 0;
  });
}

Bytes ConfirmPicture() {
  // 1 bit: a green check mark on white.
  return Bmp(64, 64, 1, {{255, 255, 255}, {0, 100, 0}}, [](int x, int y) {
    bool first = x >= 12 && x <= 28 && std::abs((y - 32) - (x - 12)) <= 4;
    bool second = x >= 28 && x <= 54 && std::fabs((y - 48) + (x - 28) * 1.2) <= 4;
    return first || second ? 1 : 0;
  });
}

Bytes Icon() {
  // 32 x 32, 4 bits: an upward arrow on a blue square, transparent border.
  std::vector<Rgb> palette = {{0, 0, 0}, {30, 80, 180}, {255, 255, 255}, {255, 200, 40}};
  palette.resize(16, Rgb{0, 0, 0});
  auto inside = [](int x, int y) { return x >= 2 && x < 30 && y >= 2 && y < 30; };
  Bytes picture = Bmp(32, 32, 4, palette, [&](int x, int y) {
    if (!inside(x, y)) return 0;
    double cx = std::fabs(x - 15.5);
    if (y >= 6 && y < 16 && cx <= y - 5) return 3;
    if (y >= 16 && y < 26 && cx <= 3.5) return 3;
    return 1;
  });
  Bytes image(picture.begin() + 14, picture.end());
  // An icon's height counts the colour image and the mask.
  image[8] = 64;
  for (int y = 31; y >= 0; --y) {
    std::uint32_t bits = 0;
    for (int x = 0; x < 32; ++x)
      if (!inside(x, y)) bits |= 1u << (31 - x);
    for (int i = 3; i >= 0; --i) image.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  }
  Bytes file;
  Put(file, 0, 2);
  Put(file, 1, 2);
  Put(file, 1, 2);
  file.push_back(32);
  file.push_back(32);
  file.push_back(16);
  file.push_back(0);
  Put(file, 1, 2);
  Put(file, 4, 2);
  Put(file, static_cast<std::uint32_t>(image.size()), 4);
  Put(file, 22, 4);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

bool Write(const std::string& path, const Bytes& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icon") return Write(argv[2], Icon()) ? 0 : 1;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_bmp OUT_DIR | make_bmp --icon FILE.ico\n");
    return 64;
  }
  const std::string dir = argv[1];
  const std::pair<const char*, Bytes> pictures[] = {
      {"back.bmp", Background()},
      {"notes.bmp", NotesPicture()},
      {"target.bmp", TargetPicture()},
      {"confirm.bmp", ConfirmPicture()},
  };
  for (const auto& picture : pictures) {
    if (!Write(dir + "/" + picture.first, picture.second)) {
      std::fprintf(stderr, "make_bmp: cannot write %s/%s\n", dir.c_str(), picture.first);
      return 1;
    }
  }
  return 0;
}
