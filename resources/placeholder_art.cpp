#include "resources/placeholder_art.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace res {

namespace {

using ui::Color;
using ui::Image;

struct PointF {
  double x, y;
};

constexpr int kSub = 4;  // subsamples per pixel edge for smooth outlines

uint32_t WithAlpha(Color c, double alpha) {
  unsigned a = static_cast<unsigned>(std::clamp(alpha, 0.0, 1.0) * 255.0 + 0.5);
  return (a << 24) | (c.Argb() & 0xFFFFFFu);
}

Color Mix(Color a, Color b, double t) {
  auto m = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
  return ui::Rgb(m(a.r, b.r), m(a.g, b.g), m(a.b, b.b));
}

// Even-odd fill of one or more closed outlines, with coverage from subsamples.
void FillPolygons(Image& img, const std::vector<std::vector<PointF>>& polys, Color c, double opacity = 1.0) {
  double minY = 1e9, maxY = -1e9, minX = 1e9, maxX = -1e9;
  for (const auto& p : polys)
    for (const auto& pt : p) {
      minY = std::min(minY, pt.y);
      maxY = std::max(maxY, pt.y);
      minX = std::min(minX, pt.x);
      maxX = std::max(maxX, pt.x);
    }
  int y0 = std::max(0, static_cast<int>(std::floor(minY))), y1 = std::min(img.Height(), static_cast<int>(std::ceil(maxY)) + 1);
  int x0 = std::max(0, static_cast<int>(std::floor(minX))), x1 = std::min(img.Width(), static_cast<int>(std::ceil(maxX)) + 1);
  if (x1 <= x0) return;
  std::vector<int> cover(static_cast<size_t>(x1 - x0));
  std::vector<double> xs;
  for (int y = y0; y < y1; ++y) {
    std::fill(cover.begin(), cover.end(), 0);
    for (int sy = 0; sy < kSub; ++sy) {
      double fy = y + (sy + 0.5) / kSub;
      xs.clear();
      for (const auto& p : polys) {
        for (size_t i = 0; i < p.size(); ++i) {
          PointF a = p[i], b = p[(i + 1) % p.size()];
          if ((a.y <= fy && b.y > fy) || (b.y <= fy && a.y > fy)) xs.push_back(a.x + (fy - a.y) * (b.x - a.x) / (b.y - a.y));
        }
      }
      std::sort(xs.begin(), xs.end());
      for (size_t k = 0; k + 1 < xs.size(); k += 2) {
        for (int x = x0; x < x1; ++x) {
          for (int sx = 0; sx < kSub; ++sx) {
            double fx = x + (sx + 0.5) / kSub;
            if (fx >= xs[k] && fx < xs[k + 1]) ++cover[static_cast<size_t>(x - x0)];
          }
        }
      }
    }
    for (int x = x0; x < x1; ++x) {
      int n = cover[static_cast<size_t>(x - x0)];
      if (n == 0) continue;
      Image dot(1, 1, WithAlpha(c, opacity * n / (kSub * kSub)));
      img.Blend(dot, x, y);
    }
  }
}

void FillPolygon(Image& img, const std::vector<PointF>& poly, Color c, double opacity = 1.0) {
  FillPolygons(img, {poly}, c, opacity);
}

std::vector<PointF> Ellipse(double cx, double cy, double rx, double ry, int steps = 48) {
  std::vector<PointF> pts;
  for (int i = 0; i < steps; ++i) {
    double a = 2 * M_PI * i / steps;
    pts.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
  }
  return pts;
}

std::vector<PointF> RoundRect(double l, double t, double r, double b, double rad) {
  std::vector<PointF> pts;
  auto corner = [&](double cx, double cy, double a0) {
    for (int i = 0; i <= 6; ++i) {
      double a = a0 + M_PI / 2 * i / 6;
      pts.push_back({cx + rad * std::cos(a), cy + rad * std::sin(a)});
    }
  };
  corner(r - rad, b - rad, 0);
  corner(l + rad, b - rad, M_PI / 2);
  corner(l + rad, t + rad, M_PI);
  corner(r - rad, t + rad, 3 * M_PI / 2);
  return pts;
}

// A thick straight stroke as a quadrilateral with square ends.
std::vector<PointF> Stroke(PointF a, PointF b, double width) {
  double dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
  if (len == 0) len = 1;
  double nx = -dy / len * width / 2, ny = dx / len * width / 2;
  return {{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}};
}

// A shield whose box is (x, y, w, h).
std::vector<PointF> ShieldOutline(double x, double y, double w, double h) {
  std::vector<PointF> pts{{x + w * 0.5, y}, {x + w, y + h * 0.16}, {x + w, y + h * 0.48}};
  for (int i = 1; i <= 10; ++i) {
    double t = i / 10.0;
    pts.push_back({x + w - w * 0.5 * t, y + h * 0.48 + h * 0.52 * std::sin(t * M_PI / 2)});
  }
  for (int i = 9; i >= 0; --i) {
    double t = i / 10.0;
    pts.push_back({x + w * 0.5 * t, y + h * 0.48 + h * 0.52 * std::sin(t * M_PI / 2)});
  }
  pts.push_back({x, y + h * 0.16});
  return pts;
}

void DrawMark(Image& img, char mark, double x, double y, double s, Color c) {
  switch (mark) {
    case 'v':
      FillPolygon(img, Stroke({x + s * 0.22, y + s * 0.52}, {x + s * 0.42, y + s * 0.72}, s * 0.16), c);
      FillPolygon(img, Stroke({x + s * 0.40, y + s * 0.74}, {x + s * 0.78, y + s * 0.30}, s * 0.16), c);
      break;
    case '!':
      FillPolygon(img, Stroke({x + s * 0.5, y + s * 0.2}, {x + s * 0.5, y + s * 0.58}, s * 0.17), c);
      FillPolygon(img, Ellipse(x + s * 0.5, y + s * 0.76, s * 0.1, s * 0.1, 16), c);
      break;
    case '-':
      FillPolygon(img, Stroke({x + s * 0.25, y + s * 0.5}, {x + s * 0.75, y + s * 0.5}, s * 0.17), c);
      break;
    case 'x':
      FillPolygon(img, Stroke({x + s * 0.28, y + s * 0.28}, {x + s * 0.72, y + s * 0.72}, s * 0.16), c);
      FillPolygon(img, Stroke({x + s * 0.72, y + s * 0.28}, {x + s * 0.28, y + s * 0.72}, s * 0.16), c);
      break;
    case '?': {
      // An arc over the top, a stem and a dot.
      std::vector<PointF> arc;
      const double cx = x + s * 0.5, cy = y + s * 0.36, ro = s * 0.24, ri = s * 0.11;
      for (int i = 0; i <= 16; ++i) {
        double a = M_PI * (1.0 + 1.4 * i / 16);
        arc.push_back({cx + ro * std::cos(a), cy + ro * std::sin(a)});
      }
      for (int i = 16; i >= 0; --i) {
        double a = M_PI * (1.0 + 1.4 * i / 16);
        arc.push_back({cx + ri * std::cos(a), cy + ri * std::sin(a)});
      }
      FillPolygon(img, arc, c);
      FillPolygon(img, Stroke({x + s * 0.5, y + s * 0.46}, {x + s * 0.5, y + s * 0.64}, s * 0.13), c);
      FillPolygon(img, Ellipse(x + s * 0.5, y + s * 0.8, s * 0.08, s * 0.08, 16), c);
      break;
    }
    default:
      break;
  }
}

// The glyph in white, centred in a box of size s at (x, y).
void DrawGlyph(Image& img, Glyph g, double x, double y, double s, Color c) {
  switch (g) {
    case Glyph::Shield:
      FillPolygon(img, ShieldOutline(x + s * 0.18, y + s * 0.08, s * 0.64, s * 0.84), c);
      DrawMark(img, 'v', x + s * 0.25, y + s * 0.2, s * 0.5, kHeaderBlue);
      break;
    case Glyph::Gear: {
      std::vector<PointF> outer;
      const int teeth = 8;
      for (int i = 0; i < teeth * 4; ++i) {
        double a = 2 * M_PI * i / (teeth * 4);
        double r = (i % 4 == 0 || i % 4 == 1) ? 0.42 : 0.32;
        outer.push_back({x + s * 0.5 + s * r * std::cos(a), y + s * 0.5 + s * r * std::sin(a)});
      }
      FillPolygons(img, {outer, Ellipse(x + s * 0.5, y + s * 0.5, s * 0.13, s * 0.13, 24)}, c);
      break;
    }
    case Glyph::List:
      for (int i = 0; i < 3; ++i) {
        double yy = y + s * (0.28 + 0.22 * i);
        FillPolygon(img, Ellipse(x + s * 0.22, yy, s * 0.06, s * 0.06, 16), c);
        FillPolygon(img, Stroke({x + s * 0.36, yy}, {x + s * 0.82, yy}, s * 0.1), c);
      }
      break;
    case Glyph::Document: {
      std::vector<PointF> page{{x + s * 0.22, y + s * 0.1}, {x + s * 0.6, y + s * 0.1}, {x + s * 0.8, y + s * 0.3},
                               {x + s * 0.8, y + s * 0.9}, {x + s * 0.22, y + s * 0.9}};
      FillPolygon(img, page, c);
      for (int i = 0; i < 3; ++i) {
        double yy = y + s * (0.45 + 0.14 * i);
        FillPolygon(img, Stroke({x + s * 0.32, yy}, {x + s * 0.7, yy}, s * 0.06), kHeaderBlue);
      }
      break;
    }
    case Glyph::Close:
      DrawMark(img, 'x', x, y, s, c);
      break;
    case Glyph::Minimize:
      FillPolygon(img, Stroke({x + s * 0.26, y + s * 0.66}, {x + s * 0.74, y + s * 0.66}, s * 0.12), c);
      break;
    case Glyph::Globe:
      FillPolygons(img, {Ellipse(x + s * 0.5, y + s * 0.5, s * 0.38, s * 0.38), Ellipse(x + s * 0.5, y + s * 0.5, s * 0.31, s * 0.31)}, c);
      FillPolygons(img, {Ellipse(x + s * 0.5, y + s * 0.5, s * 0.16, s * 0.38), Ellipse(x + s * 0.5, y + s * 0.5, s * 0.1, s * 0.31)}, c);
      FillPolygon(img, Stroke({x + s * 0.14, y + s * 0.5}, {x + s * 0.86, y + s * 0.5}, s * 0.06), c);
      break;
    case Glyph::Network: {
      PointF hub{x + s * 0.5, y + s * 0.5};
      PointF nodes[] = {{x + s * 0.2, y + s * 0.22}, {x + s * 0.8, y + s * 0.22}, {x + s * 0.2, y + s * 0.78}, {x + s * 0.8, y + s * 0.78}};
      for (auto n : nodes) {
        FillPolygon(img, Stroke(hub, n, s * 0.06), c);
        FillPolygon(img, Ellipse(n.x, n.y, s * 0.1, s * 0.1, 20), c);
      }
      FillPolygon(img, Ellipse(hub.x, hub.y, s * 0.14, s * 0.14, 24), c);
      break;
    }
    case Glyph::Link:
      FillPolygons(img, {RoundRect(x + s * 0.12, y + s * 0.36, x + s * 0.58, y + s * 0.64, s * 0.14),
                         RoundRect(x + s * 0.2, y + s * 0.43, x + s * 0.5, y + s * 0.57, s * 0.07)}, c);
      FillPolygons(img, {RoundRect(x + s * 0.42, y + s * 0.36, x + s * 0.88, y + s * 0.64, s * 0.14),
                         RoundRect(x + s * 0.5, y + s * 0.43, x + s * 0.8, y + s * 0.57, s * 0.07)}, c);
      break;
    case Glyph::Notice:
      FillPolygon(img, {{x + s * 0.5, y + s * 0.12}, {x + s * 0.9, y + s * 0.86}, {x + s * 0.1, y + s * 0.86}}, c);
      DrawMark(img, '!', x + s * 0.3, y + s * 0.36, s * 0.4, kHeaderBlue);
      break;
    case Glyph::Spider:
      FillPolygon(img, Ellipse(x + s * 0.5, y + s * 0.52, s * 0.14, s * 0.18, 24), c);
      for (int i = 0; i < 4; ++i) {
        double yy = y + s * (0.36 + 0.1 * i);
        FillPolygon(img, Stroke({x + s * 0.5, yy}, {x + s * 0.14, yy + s * (i - 1.5) * 0.12}, s * 0.05), c);
        FillPolygon(img, Stroke({x + s * 0.5, yy}, {x + s * 0.86, yy + s * (i - 1.5) * 0.12}, s * 0.05), c);
      }
      break;
    case Glyph::Clock:
      FillPolygons(img, {Ellipse(x + s * 0.5, y + s * 0.5, s * 0.38, s * 0.38), Ellipse(x + s * 0.5, y + s * 0.5, s * 0.3, s * 0.3)}, c);
      FillPolygon(img, Stroke({x + s * 0.5, y + s * 0.5}, {x + s * 0.5, y + s * 0.28}, s * 0.07), c);
      FillPolygon(img, Stroke({x + s * 0.5, y + s * 0.5}, {x + s * 0.66, y + s * 0.58}, s * 0.07), c);
      break;
    case Glyph::Arrow:
      FillPolygon(img, {{x + s * 0.2, y + s * 0.42}, {x + s * 0.55, y + s * 0.42}, {x + s * 0.55, y + s * 0.24}, {x + s * 0.85, y + s * 0.5},
                        {x + s * 0.55, y + s * 0.76}, {x + s * 0.55, y + s * 0.58}, {x + s * 0.2, y + s * 0.58}}, c);
      break;
  }
}

}  // namespace

Image SplashPicture() {
  const int w = 400, h = 250;
  Image img(w, h);
  for (int y = 0; y < h; ++y) {
    Color row = Mix(kDeepBlue, kHeaderBlue, static_cast<double>(y) / h);
    img.FillRect(ui::Rect{0, y, w, y + 1}, row.Argb());
  }
  // Soft rings behind the emblem.
  for (int i = 3; i >= 1; --i)
    FillPolygons(img, {Ellipse(300, 96, 60.0 * i, 60.0 * i, 96), Ellipse(300, 96, 60.0 * i - 14, 60.0 * i - 14, 96)},
                 ui::Rgb(255, 255, 255), 0.05);
  FillPolygon(img, ShieldOutline(262, 42, 76, 100), ui::Rgb(255, 255, 255), 0.95);
  FillPolygon(img, ShieldOutline(270, 52, 60, 80), kHeaderBlue);
  DrawMark(img, 'v', 276, 66, 48, ui::Rgb(255, 255, 255));
  // Title bars: a bold one and a thin one, standing for the product name.
  FillPolygon(img, RoundRect(32, 70, 214, 88, 4), ui::Rgb(255, 255, 255), 0.92);
  FillPolygon(img, RoundRect(32, 100, 168, 108, 3), ui::Rgb(255, 255, 255), 0.55);
  FillPolygon(img, RoundRect(32, 116, 140, 122, 3), ui::Rgb(255, 255, 255), 0.35);
  // The band the progress line is written on.
  img.FillRect(ui::Rect{0, 196, w, h}, ui::Rgb(8, 40, 96).Argb());
  img.FillRect(ui::Rect{0, 196, w, 197}, ui::Rgb(90, 150, 230).Argb());
  return img;
}

Image WindowBackground() {
  const int w = 670, h = 490, header = 88;
  Image img(w, h, kBodyWhite.Argb());
  img.FillRect(ui::Rect{0, 0, w, header}, kHeaderBlue.Argb());
  img.FillRect(ui::Rect{0, header - 3, w, header}, kDeepBlue.Argb());
  FillPolygon(img, ShieldOutline(14, 8, 18, 22), ui::Rgb(255, 255, 255));
  // A hairline frame around the body, as the borderless window has no other edge.
  img.FillRect(ui::Rect{0, header, 1, h}, kDeepBlue.Argb());
  img.FillRect(ui::Rect{w - 1, header, w, h}, kDeepBlue.Argb());
  img.FillRect(ui::Rect{0, h - 1, w, h}, kDeepBlue.Argb());
  return img;
}

Image ButtonStrip(Glyph glyph, int cx, int cy) {
  Image strip(cx * 4, cy, kHeaderBlue.Argb());
  const Color white = ui::Rgb(255, 255, 255);
  const double s = std::min(cx, cy) * 0.78;
  for (int state = 0; state < 4; ++state) {
    const double ox = cx * state;
    // normal, pressed, hovered, focused
    if (state == 1) FillPolygon(strip, RoundRect(ox + 1, 1, ox + cx - 1, cy - 1, 4), kDeepBlue);
    if (state == 2) FillPolygon(strip, RoundRect(ox + 1, 1, ox + cx - 1, cy - 1, 4), white, 0.22);
    if (state == 3) {
      FillPolygons(strip, {RoundRect(ox + 1, 1, ox + cx - 1, cy - 1, 4), RoundRect(ox + 2.5, 2.5, ox + cx - 2.5, cy - 2.5, 3)},
                   white, 0.85);
      FillPolygon(strip, RoundRect(ox + 2.5, 2.5, ox + cx - 2.5, cy - 2.5, 3), white, 0.12);
    }
    const double shift = state == 1 ? 1 : 0;
    DrawGlyph(strip, glyph, ox + (cx - s) / 2 + shift, (cy - s) / 2 + shift, s, white);
  }
  return strip;
}

Image ProgramIcon() {
  Image img(32, 32, 0);
  FillPolygon(img, ShieldOutline(3, 1, 26, 30), ui::Rgb(255, 255, 255));
  FillPolygon(img, ShieldOutline(5, 3.5, 22, 25.5), kHeaderBlue);
  DrawMark(img, 'v', 7, 7, 18, ui::Rgb(255, 255, 255));
  return img;
}

Image StatusIcon(Color color, char mark) {
  Image img(16, 16, 0);
  FillPolygon(img, ShieldOutline(1.5, 0.5, 13, 15), ui::Rgb(255, 255, 255));
  FillPolygon(img, ShieldOutline(2.5, 1.5, 11, 13), color);
  DrawMark(img, mark, 3, 2.5, 10, ui::Rgb(255, 255, 255));
  return img;
}

}  // namespace res
