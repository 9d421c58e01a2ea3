// Draws Orvanel's icon, a pen on a monitor, and writes it as a Windows icon file with
// images of 16, 32 and 48 pixels. The icon file app/orvanel.ico is made by this program:
//
//   draw_icon app/orvanel.ico          writes the icon
//   draw_icon --check app/orvanel.ico  fails unless the file holds what it would write
//
// Each pixel is the average of 8 x 8 samples, so edges are smoothed. Each image is
// stored as a PNG (Windows Vista and later read those in icon files), which keeps the
// icon, and so orvanel.exe, small.
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int SIZES[] = {16, 32, 48};  // pixels, square
constexpr int SAMPLES = 8;             // per pixel and axis

struct Color {
  double r, g, b;  // 0 to 255
};

constexpr Color FRAME = {43, 58, 74};    // the monitor's frame and stand
constexpr Color SCREEN = {61, 139, 217}; // its screen
constexpr Color GLARE = {120, 180, 235}; // the lit corner of the screen
constexpr Color INK = {33, 33, 33};      // the pen's outline and tip
constexpr Color BODY = {242, 160, 61};   // the pen's body

bool InRoundedBox(double x, double y, double left, double top, double right, double bottom,
                  double radius) {
  if (x < left || x > right || y < top || y > bottom) {
    return false;
  }
  double cx = std::fmin(std::fmax(x, left + radius), right - radius);
  double cy = std::fmin(std::fmax(y, top + radius), bottom - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

// Whether (x, y) is within `radius` of the segment from (ax, ay) to (bx, by).
bool InCapsule(double x, double y, double ax, double ay, double bx, double by, double radius) {
  double dx = bx - ax, dy = by - ay;
  double t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy);
  t = std::fmin(std::fmax(t, 0.0), 1.0);
  double px = ax + t * dx - x, py = ay + t * dy - y;
  return px * px + py * py <= radius * radius;
}

// Whether (x, y) is inside the triangle (ax, ay), (bx, by), (cx, cy).
bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx,
                double cy) {
  double d1 = (x - bx) * (ay - by) - (ax - bx) * (y - by);
  double d2 = (x - cx) * (by - cy) - (bx - cx) * (y - cy);
  double d3 = (x - ax) * (cy - ay) - (cx - ax) * (y - ay);
  bool negative = d1 < 0 || d2 < 0 || d3 < 0;
  bool positive = d1 > 0 || d2 > 0 || d3 > 0;
  return !(negative && positive);
}

// The topmost colour at (x, y), in units of the icon's side; false where the icon is
// transparent. `pixel` is the side of one pixel in those units, for lines that must
// stay at least a pixel wide.
bool ColorAt(double x, double y, double pixel, Color* color) {
  // The pen: its tip on the screen, its body up to the right, outlined.
  const double tip_x = 0.34, tip_y = 0.60;    // point of the tip
  const double cone_x = 0.48, cone_y = 0.46;  // where the tip meets the body
  const double end_x = 0.90, end_y = 0.04;    // the pen's far end
  const double radius = 0.085;
  const double outline = std::fmin(pixel, 0.03);  // thinner than a pixel when small
  const double length = std::hypot(cone_x - tip_x, cone_y - tip_y);
  const double side_x = -(cone_y - tip_y) / length * radius;  // across the pen, at the
  const double side_y = (cone_x - tip_x) / length * radius;   // cone's base
  if (InCapsule(x, y, cone_x, cone_y, end_x, end_y, radius - outline)) {
    *color = BODY;
    return true;
  }
  if (InCapsule(x, y, cone_x, cone_y, end_x, end_y, radius) ||
      InTriangle(x, y, tip_x, tip_y, cone_x + side_x, cone_y + side_y, cone_x - side_x,
                 cone_y - side_y)) {
    *color = INK;
    return true;
  }
  // The monitor: screen, frame, neck and foot, their edges on whole pixels.
  auto snap = [pixel](double v) { return std::round(v / pixel) * pixel; };
  const double edge = snap(std::fmax(0.06, 1.5 * pixel));
  if (InRoundedBox(x, y, snap(0.04) + edge, snap(0.12) + edge, snap(0.96) - edge,
                   snap(0.72) - edge, 0.02)) {
    *color = x + y < 0.5 ? GLARE : SCREEN;
    return true;
  }
  if (InRoundedBox(x, y, snap(0.04), snap(0.12), snap(0.96), snap(0.72), 0.08) ||
      InRoundedBox(x, y, snap(0.43), snap(0.70), snap(0.57), snap(0.84), 0.0) ||
      InRoundedBox(x, y, snap(0.26), snap(0.82), snap(0.74), snap(0.92), std::fmax(0.03, pixel))) {
    *color = FRAME;
    return true;
  }
  return false;
}

// The image of side `size` as rows of RGBA bytes, not premultiplied.
Bytes Render(int size) {
  Bytes rgba;
  double pixel = 1.0 / size;
  for (int row = 0; row < size; ++row) {
    for (int column = 0; column < size; ++column) {
      double r = 0, g = 0, b = 0;
      int covered = 0;
      for (int sy = 0; sy < SAMPLES; ++sy) {
        for (int sx = 0; sx < SAMPLES; ++sx) {
          double x = (column + (sx + 0.5) / SAMPLES) * pixel;
          double y = (row + (sy + 0.5) / SAMPLES) * pixel;
          Color color;
          if (ColorAt(x, y, pixel, &color)) {
            r += color.r;
            g += color.g;
            b += color.b;
            ++covered;
          }
        }
      }
      double n = covered ? covered : 1;
      rgba.push_back(static_cast<unsigned char>(std::lround(r / n)));
      rgba.push_back(static_cast<unsigned char>(std::lround(g / n)));
      rgba.push_back(static_cast<unsigned char>(std::lround(b / n)));
      rgba.push_back(static_cast<unsigned char>(covered * 255 / (SAMPLES * SAMPLES)));
    }
  }
  return rgba;
}

void Put32(Bytes* out, std::uint32_t value) {  // big-endian, as PNG wants
  for (int shift = 24; shift >= 0; shift -= 8) {
    out->push_back(static_cast<unsigned char>(value >> shift));
  }
}

void PutLittle(Bytes* out, std::uint32_t value, int bytes) {  // as ICO wants
  for (int i = 0; i < bytes; ++i) {
    out->push_back(static_cast<unsigned char>(value >> (8 * i)));
  }
}

void Chunk(Bytes* png, const char* type, const Bytes& data) {
  Put32(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png->insert(png->end(), typed.begin(), typed.end());
  Put32(png, static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A PNG file of the RGBA image of side `size`; empty if compression fails.
Bytes Png(int size, const Bytes& rgba) {
  Bytes raw;  // each row: filter type 0, then its pixels
  std::size_t stride = static_cast<std::size_t>(size) * 4;
  for (std::size_t row = 0; row < static_cast<std::size_t>(size); ++row) {
    raw.push_back(0);
    raw.insert(raw.end(), rgba.begin() + static_cast<long>(row * stride),
               rgba.begin() + static_cast<long>((row + 1) * stride));
  }
  uLongf length = compressBound(static_cast<uLong>(raw.size()));
  Bytes compressed(length);
  if (compress2(compressed.data(), &length, raw.data(), static_cast<uLong>(raw.size()), 9) !=
      Z_OK) {
    return {};
  }
  compressed.resize(length);

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  Put32(&header, static_cast<std::uint32_t>(size));
  Put32(&header, static_cast<std::uint32_t>(size));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no interlace
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", compressed);
  Chunk(&png, "IEND", {});
  return png;
}

// The icon file: a directory of the images, then the images.
Bytes Icon() {
  std::vector<Bytes> images;
  for (int size : SIZES) {
    images.push_back(Png(size, Render(size)));
    if (images.back().empty()) {
      return {};
    }
  }
  Bytes icon;
  PutLittle(&icon, 0, 2);  // reserved
  PutLittle(&icon, 1, 2);  // an icon
  PutLittle(&icon, static_cast<std::uint32_t>(images.size()), 2);
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    icon.push_back(static_cast<unsigned char>(SIZES[i]));  // width
    icon.push_back(static_cast<unsigned char>(SIZES[i]));  // height
    icon.push_back(0);                                     // no palette
    icon.push_back(0);                                     // reserved
    PutLittle(&icon, 1, 2);                                // planes
    PutLittle(&icon, 32, 2);                               // bits per pixel
    PutLittle(&icon, static_cast<std::uint32_t>(images[i].size()), 4);
    PutLittle(&icon, offset, 4);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) {
    icon.insert(icon.end(), image.begin(), image.end());
  }
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  bool check = argc == 3 && !std::strcmp(argv[1], "--check");
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: draw_icon [--check] FILE.ico\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  Bytes icon = Icon();
  if (icon.empty()) {
    std::fprintf(stderr, "draw_icon: compression failed\n");
    return 1;
  }
  if (check) {
    std::ifstream file(path, std::ios::binary);
    Bytes stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (stored != icon) {
      std::fprintf(stderr, "%s is not what draw_icon draws: run draw_icon %s\n", path, path);
      return 1;
    }
    return 0;
  }
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(icon.data()), static_cast<long>(icon.size()));
  return file ? 0 : 1;
}
