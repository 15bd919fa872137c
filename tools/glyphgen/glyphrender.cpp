#include "tools/glyphgen/glyphrender.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tess::glyphgen {

namespace {

constexpr int kSupersample = 16;
// The glyph's box inside the picture, as fractions of the picture's edge.
constexpr double kBoxWidth = 0.55;
constexpr double kBoxHeight = 0.68;
// Camera distance for the perspective of turning plates, in supersampled pixels per edge.
constexpr double kCameraDistance = 3.0;
constexpr float kHighlightLevel = 80.0f;
constexpr double kWidthScale = 1.12;  // broad strokes: about 2.7 pixels in a 20-pixel picture  //
                                      // red and blue of a full highlight in list 1
constexpr int kBackgroundRed = 4, kBackgroundGreen = 2, kBackgroundBlue = 4;

struct Grid {
  int n = 0;
  std::vector<float> v;
  explicit Grid(int size) : n(size), v(static_cast<size_t>(size) * size, 0.0f) {}
  float& at(int x, int y) { return v[static_cast<size_t>(y) * n + x]; }
  float at(int x, int y) const { return v[static_cast<size_t>(y) * n + x]; }
};

struct Sample {
  double x;
  double y;
};

Sample CatmullRom(const Sample& p0, const Sample& p1, const Sample& p2, const Sample& p3,
                  double t) {
  const double t2 = t * t, t3 = t2 * t;
  auto f = [&](double a, double b, double c, double d) {
    return 0.5 * (2 * b + (-a + c) * t + (2 * a - 5 * b + 4 * c - d) * t2 +
                  (-a + 3 * b - 3 * c + d) * t3);
  };
  return {f(p0.x, p1.x, p2.x, p3.x), f(p0.y, p1.y, p2.y, p3.y)};
}

void FillDisk(Grid& mask, double cx, double cy, double radius) {
  const int top = std::max(0, static_cast<int>(std::floor(cy - radius)));
  const int bottom = std::min(mask.n - 1, static_cast<int>(std::ceil(cy + radius)));
  for (int y = top; y <= bottom; ++y) {
    const double dy = y + 0.5 - cy;
    const double span2 = radius * radius - dy * dy;
    if (span2 < 0) continue;
    const double span = std::sqrt(span2);
    const int left = std::max(0, static_cast<int>(std::ceil(cx - span - 0.5)));
    const int right = std::min(mask.n - 1, static_cast<int>(std::floor(cx + span - 0.5)));
    for (int x = left; x <= right; ++x)
      mask.at(x, y) = 1.0f;
  }
}

// The front view's ink at supersampled resolution: the shape mirrored left to right.
Grid DrawMask(const Shape& shape, int n) {
  Grid mask(n);
  const double boxW = kBoxWidth * n, boxH = kBoxHeight * n;
  const double left = (n - boxW) / 2, top = (n - boxH) / 2;
  for (const Stroke& stroke : shape.strokes) {
    std::vector<Sample> pts;
    for (const Point& p : stroke.points)
      pts.push_back({left + (1.0 - p.x) * boxW, top + p.y * boxH});
    std::vector<Sample> path;
    for (size_t i = 0; i + 1 < pts.size(); ++i) {
      const Sample& p0 = pts[i > 0 ? i - 1 : i];
      const Sample& p3 = pts[i + 2 < pts.size() ? i + 2 : i + 1];
      const double length = std::hypot(pts[i + 1].x - pts[i].x, pts[i + 1].y - pts[i].y);
      const int steps = std::max(2, static_cast<int>(length));
      for (int s = 0; s < steps; ++s)
        path.push_back(CatmullRom(p0, pts[i], pts[i + 1], p3, double(s) / steps));
    }
    path.push_back(pts.back());
    std::vector<double> along(path.size(), 0.0);
    for (size_t i = 1; i < path.size(); ++i) {
      along[i] = along[i - 1] + std::hypot(path[i].x - path[i - 1].x, path[i].y - path[i - 1].y);
    }
    const double total = std::max(along.back(), 1e-9);
    for (size_t i = 0; i < path.size(); ++i) {
      const double t = along[i] / total;
      // The brush presses at the start, then lifts towards the end of the stroke.
      const double press = 1.0 + 0.22 * std::exp(-(t / 0.08) * (t / 0.08));
      const double width =
          (stroke.startWidth + (stroke.endWidth - stroke.startWidth) * t) * press * kWidthScale;
      FillDisk(mask, path[i].x, path[i].y, width * boxH / 2);
    }
  }
  return mask;
}

// Distance of every ink pixel to the nearest pixel without ink (3-4 chamfer, in pixels).
Grid InkDepth(const Grid& mask) {
  Grid d(mask.n);
  constexpr float kFar = 1e9f;
  for (size_t i = 0; i < d.v.size(); ++i)
    d.v[i] = mask.v[i] > 0 ? kFar : 0.0f;
  const int n = mask.n;
  auto relax = [&](int x, int y, int dx, int dy, float cost) {
    const int sx = x + dx, sy = y + dy;
    const float other = (sx < 0 || sy < 0 || sx >= n || sy >= n) ? 0.0f : d.at(sx, sy);
    d.at(x, y) = std::min(d.at(x, y), other + cost);
  };
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (d.at(x, y) == 0) continue;
      relax(x, y, -1, 0, 3);
      relax(x, y, 0, -1, 3);
      relax(x, y, -1, -1, 4);
      relax(x, y, 1, -1, 4);
    }
  }
  for (int y = n - 1; y >= 0; --y) {
    for (int x = n - 1; x >= 0; --x) {
      if (d.at(x, y) == 0) continue;
      relax(x, y, 1, 0, 3);
      relax(x, y, 0, 1, 3);
      relax(x, y, 1, 1, 4);
      relax(x, y, -1, 1, 4);
    }
  }
  for (float& v : d.v)
    v /= 3.0f;
  return d;
}

double SmoothStep(double a, double b, double x) {
  const double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

struct Plate {
  Grid ink, shade, highlight;
  explicit Plate(int n) : ink(n), shade(n), highlight(n) {}
};

Plate ShadePlate(const Shape& shape, int n) {
  Plate plate(n);
  plate.ink = DrawMask(shape, n);
  const Grid depth = InkDepth(plate.ink);
  const double ridge = 0.07 * kBoxHeight * n;  // about half a stroke's width
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if (plate.ink.at(x, y) == 0) continue;
      const double d = std::min(1.0, depth.at(x, y) / ridge);
      const double light = 1.0 - 0.5 * (double(x) + y) / (2.0 * n);  // from the top left
      plate.shade.at(x, y) =
          static_cast<float>((0.62 + 0.38 * std::pow(d, 0.8)) * (0.82 + 0.18 * light));
      plate.highlight.at(x, y) =
          static_cast<float>(SmoothStep(0.72, 1.0, d) * SmoothStep(0.35, 0.95, light));
    }
  }
  return plate;
}

// Where the pixel (u, v) of the turned view takes its ink from on the flat plate, or false when
// it shows no plate.
bool SourceOf(Turn turn, double angle, int n, double u, double v, double& x, double& y) {
  const double c = n / 2.0;
  const double du = u - c, dv = v - c;
  const double distance = kCameraDistance * n;
  switch (turn) {
    case Turn::kNone:
      x = u;
      y = v;
      return true;
    case Turn::kPlane: {
      const double co = std::cos(angle), si = std::sin(angle);
      x = c + du * co - dv * si;
      y = c + du * si + dv * co;
      return true;
    }
    case Turn::kVertical:
    case Turn::kHorizontal: {
      // Across the turning axis the plate is foreshortened by the cosine and, seen in perspective,
      // its nearer side grows: invert that projection.
      const double co = std::cos(angle), si = std::sin(angle);
      const double across = turn == Turn::kVertical ? du : dv;
      const double along = turn == Turn::kVertical ? dv : du;
      const double denominator = co * distance + across * si;
      if (std::abs(denominator) < 1e-9) return false;
      const double a = across * distance / denominator;
      const double scale = distance / (distance - a * si);
      const double b = along / scale;
      x = c + (turn == Turn::kVertical ? a : b);
      y = c + (turn == Turn::kVertical ? b : a);
      return true;
    }
  }
  return false;
}

double TurnAngle(Turn turn, int frame) {
  constexpr double kStep = std::numbers::pi / 5;  // 36 degrees
  // Frame 06 shows the front of a plate turning about the vertical axis, frame 01 its back.
  return turn == Turn::kVertical ? (frame - 6) * kStep : (frame - 1) * kStep;
}

}  // namespace

View RenderView(const Shape& shape, Turn turn, int frame, int size) {
  const int n = size * kSupersample;
  const Plate plate = ShadePlate(shape, n);
  const double angle = TurnAngle(turn, frame);
  View view;
  view.size = size;
  view.coverage.assign(static_cast<size_t>(size) * size, 0.0f);
  view.intensity = view.coverage;
  view.highlight = view.coverage;
  const double facing = std::abs(std::cos(angle));
  view.lighting = (turn == Turn::kVertical || turn == Turn::kHorizontal)
                      ? static_cast<float>(0.42 + 0.58 * facing)
                      : 1.0f;
  const float perSample = 1.0f / (kSupersample * kSupersample);
  for (int v = 0; v < n; ++v) {
    for (int u = 0; u < n; ++u) {
      double x, y;
      if (!SourceOf(turn, angle, n, u + 0.5, v + 0.5, x, y)) continue;
      const int sx = static_cast<int>(std::floor(x)), sy = static_cast<int>(std::floor(y));
      if (sx < 0 || sy < 0 || sx >= n || sy >= n || plate.ink.at(sx, sy) == 0) continue;
      const size_t i = static_cast<size_t>(v / kSupersample) * size + u / kSupersample;
      view.coverage[i] += perSample;
      view.intensity[i] += plate.shade.at(sx, sy) * perSample;
      view.highlight[i] += plate.highlight.at(sx, sy) * perSample;
    }
  }
  return view;
}

float BrightestLevel(const View& view) {
  float best = 0;
  for (float i : view.intensity)
    best = std::max(best, i * view.lighting);
  return best;
}

namespace {

int Level(double value) {
  return std::clamp(static_cast<int>(std::lround(value)), 0, 255);
}

// Highlights touch only the brightest parts of a stroke: elsewhere red and blue stay 0.
constexpr double kHighlightFloor = 0.45;

double HighlightAt(const View& view, size_t i, double brightestGreen, double green) {
  if (green < kHighlightFloor * brightestGreen) return 0.0;
  return view.highlight[i] * view.lighting * kHighlightLevel;
}

double BrightestGreen(const View& view, float peakGreen) {
  return BrightestLevel(view) * peakGreen;
}

}  // namespace

QImage NormalPicture(const View& view, float peakGreen) {
  const double brightest = BrightestGreen(view, peakGreen);
  QImage picture(view.size, view.size, QImage::Format_RGB888);
  for (int y = 0; y < view.size; ++y) {
    for (int x = 0; x < view.size; ++x) {
      const size_t i = static_cast<size_t>(y) * view.size + x;
      const double green = view.intensity[i] * view.lighting * peakGreen;
      int g = Level(green);
      const int rb = Level(HighlightAt(view, i, brightest, green));
      // Ink never takes the key colour black, or a hole would show in the stroke.
      if (view.coverage[i] > 0 && g == 0 && rb == 0) g = 1;
      picture.setPixel(x, y, qRgb(rb, g, rb));
    }
  }
  return picture;
}

QImage BrightPicture(const View& view, float peakGreen) {
  const double brightest = BrightestGreen(view, peakGreen);
  QImage picture(view.size, view.size, QImage::Format_RGB888);
  for (int y = 0; y < view.size; ++y) {
    for (int x = 0; x < view.size; ++x) {
      const size_t i = static_cast<size_t>(y) * view.size + x;
      const double clear = 1.0 - view.coverage[i];
      // Twice the normal picture's light, over the background colour that becomes the key.
      const double green = view.intensity[i] * view.lighting * peakGreen;
      const double rb = 2 * HighlightAt(view, i, brightest, green);
      int red = Level(kBackgroundRed * clear + rb);
      int g = std::min(254, Level(kBackgroundGreen * clear + 2 * green));
      int blue = Level(kBackgroundBlue * clear + rb);
      if (view.coverage[i] <= 0) {
        red = kBackgroundRed;
        g = kBackgroundGreen;
        blue = kBackgroundBlue;
      } else if (red == kBackgroundRed && g == kBackgroundGreen && blue == kBackgroundBlue) {
        g = kBackgroundGreen + 1;
      }
      picture.setPixel(x, y, qRgb(red, g, blue));
    }
  }
  return picture;
}

QImage RampPicture(const View& view, int frame) {
  constexpr double kPeak = 172.0;  // frame 10's brightest green, before the shape's own shading
  const double ramp = 0.3 + 0.7 * (frame - 1) / 9.0;
  QImage picture(view.size, view.size, QImage::Format_RGB888);
  for (int y = 0; y < view.size; ++y) {
    for (int x = 0; x < view.size; ++x) {
      const size_t i = static_cast<size_t>(y) * view.size + x;
      int g = Level(view.intensity[i] * kPeak * ramp);
      if (view.coverage[i] > 0 && g == 0) g = 1;
      picture.setPixel(x, y, qRgb(0, g, 0));
    }
  }
  return picture;
}

}  // namespace tess::glyphgen
