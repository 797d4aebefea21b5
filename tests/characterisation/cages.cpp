#include "tests/characterisation/cages.h"

#include <array>
#include <cmath>
#include <functional>
#include <limits>

namespace ovalon::characterisation {

namespace {

using Point = std::array<double, 3>;
using Points = std::vector<Point>;

/// splitmix64: a fixed sequence of 64-bit words from a seed.
class Random {
 public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}

  std::uint64_t Bits() {
    m_state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  /// [0, 1) in steps of 2^−53.
  double Uniform() { return static_cast<double>(Bits() >> 11) / 9007199254740992.0; }
  double Uniform(double low, double high) { return low + (high - low) * Uniform(); }
  /// Zero mean and unit variance from twelve uniforms (no logarithm or sine needed).
  double Normal() {
    double sum = 0;
    for (int n = 0; n < 12; ++n) sum += Uniform();
    return sum - 6;
  }
  int Below(int n) { return static_cast<int>(Bits() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t m_state;
};

double Distance(const Point& a, const Point& b) {
  const double dx = a[0] - b[0], dy = a[1] - b[1], dz = a[2] - b[2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

/// The truncated icosahedron with bonds of 1.455 Å (pentagon–hexagon) and 1.391 Å
/// (hexagon–hexagon), centred at the origin: every atom lies on an icosahedron edge.
Points IdealCage() {
  const double edge = 2 * 1.455 + 1.391;
  const double t = 1.455 / edge;
  const double phi = (1 + std::sqrt(5.0)) / 2;
  const double s = edge / 2;
  Points ico;
  for (double a : {-1.0, 1.0}) {
    for (double b : {-1.0, 1.0}) {
      ico.push_back({0.0, a * s, b * phi * s});
      ico.push_back({a * s, b * phi * s, 0.0});
      ico.push_back({a * phi * s, 0.0, b * s});
    }
  }
  Points atoms;
  for (const Point& from : ico) {
    for (const Point& to : ico) {
      if (&from == &to || std::fabs(Distance(from, to) - edge) > 1e-9) continue;
      atoms.push_back({from[0] + t * (to[0] - from[0]), from[1] + t * (to[1] - from[1]),
                       from[2] + t * (to[2] - from[2])});
    }
  }
  return atoms;
}

/// A rotation from a random quaternion, normalised by a square root.
std::array<Point, 3> RandomRotation(Random& random) {
  double w = random.Uniform(-1, 1), x = random.Uniform(-1, 1), y = random.Uniform(-1, 1),
         z = random.Uniform(-1, 1);
  const double norm = std::sqrt(w * w + x * x + y * y + z * z);
  w /= norm;
  x /= norm;
  y /= norm;
  z /= norm;
  return {Point{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
          Point{2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
          Point{2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
}

Points Rotated(const Points& points, const std::array<Point, 3>& m) {
  Points out;
  for (const Point& p : points) {
    out.push_back({m[0][0] * p[0] + m[0][1] * p[1] + m[0][2] * p[2],
                   m[1][0] * p[0] + m[1][1] * p[1] + m[1][2] * p[2],
                   m[2][0] * p[0] + m[2][1] * p[1] + m[2][2] * p[2]});
  }
  return out;
}

Points Scaled(Points points, const Point& factors) {
  for (Point& p : points) {
    for (int k = 0; k < 3; ++k) p[k] *= factors[k];
  }
  return points;
}

Points Shifted(Points points, const Point& shift) {
  for (Point& p : points) {
    for (int k = 0; k < 3; ++k) p[k] += shift[k];
  }
  return points;
}

Points Noisy(Points points, Random& random, double amplitude) {
  for (Point& p : points) {
    for (int k = 0; k < 3; ++k) p[k] += amplitude * random.Normal();
  }
  return points;
}

Point RandomShift(Random& random, double size) {
  return {random.Uniform(-size, size), random.Uniform(-size, size), random.Uniform(-size, size)};
}

/// The ideal cage stretched along its axes by factors drawn from [low, high), turned, shifted by
/// up to `shift` along each axis and disordered by `noise`.
Points DistortedCage(Random& random, double low, double high, double shift, double noise) {
  const Point factors = {random.Uniform(low, high), random.Uniform(low, high),
                         random.Uniform(low, high)};
  const Points points = Rotated(Scaled(IdealCage(), factors), RandomRotation(random));
  return Noisy(Shifted(points, RandomShift(random, shift)), random, noise);
}

/// 60 points on the ellipsoid with semi-axes `axes` at the origin, from normalised normal
/// vectors.
Points EllipsoidPoints(Random& random, const Point& axes) {
  Points points;
  while (points.size() < AtomCount) {
    const Point v = {random.Normal(), random.Normal(), random.Normal()};
    const double norm = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (norm < 1e-3) continue;
    points.push_back({axes[0] * v[0] / norm, axes[1] * v[1] / norm, axes[2] * v[2] / norm});
  }
  return points;
}

PointSet ToPointSet(const Points& points) {
  PointSet set;
  for (int i = 1; i <= AtomCount && i <= static_cast<int>(points.size()); ++i) {
    set.X.at(i) = points[i - 1][0];
    set.Y.at(i) = points[i - 1][1];
    set.Z.at(i) = points[i - 1][2];
  }
  return set;
}

PointSet UniformSigma(double value) {
  PointSet sigma;
  sigma.X.data.fill(value);
  sigma.Y.data.fill(value);
  sigma.Z.data.fill(value);
  return sigma;
}

/// Every coordinate's uncertainty drawn from [low, high).
PointSet RandomSigma(Random& random, double low, double high) {
  PointSet sigma;
  for (int i = 1; i <= AtomCount; ++i) {
    sigma.X.at(i) = random.Uniform(low, high);
    sigma.Y.at(i) = random.Uniform(low, high);
    sigma.Z.at(i) = random.Uniform(low, high);
  }
  return sigma;
}

CaseSettings Method(bool leastSquares) {
  CaseSettings settings;
  settings.leastSquares = leastSquares;
  return settings;
}

class CorpusBuilder {
 public:
  void Add(const std::string& category, const Points& points, const PointSet& sigma,
           const CaseSettings& settings) {
    Add(category, ToPointSet(points), sigma, settings);
  }
  void Add(const std::string& category, const PointSet& coords, const PointSet& sigma,
           const CaseSettings& settings) {
    Cage cage;
    cage.index = static_cast<int>(m_cages.size());
    cage.category = category;
    cage.coords = coords;
    cage.sigma = sigma;
    cage.settings = settings;
    for (int i = 1; i <= AtomCount; ++i) {
      if (!std::isfinite(coords.X.at(i)) || !std::isfinite(coords.Y.at(i)) ||
          !std::isfinite(coords.Z.at(i)))
        cage.finite = false;
    }
    m_cages.push_back(cage);
  }
  std::vector<Cage> Take() { return std::move(m_cages); }

 private:
  std::vector<Cage> m_cages;
};

void AddIdeal(CorpusBuilder& corpus, Random& random) {
  const Points ideal = IdealCage();
  for (int n = 0; n < 20; ++n) {
    Points points = n == 0 ? ideal : Rotated(ideal, RandomRotation(random));
    if (n >= 2) points = Shifted(points, RandomShift(random, 2));
    const PointSet sigma = n % 3 == 0 ? UniformSigma(0.002) : RandomSigma(random, 0.001, 0.005);
    corpus.Add("ideal", points, sigma, Method(n % 2 == 0));
  }
}

void AddNoisy(CorpusBuilder& corpus, Random& random) {
  const double amplitudes[] = {0.001, 0.005, 0.02, 0.05, 0.1, 0.2};
  for (int n = 0; n < 30; ++n) {
    const double amplitude = amplitudes[n % 6];
    Points points = Rotated(IdealCage(), RandomRotation(random));
    points = Noisy(Shifted(points, RandomShift(random, 3)), random, amplitude);
    CaseSettings settings = Method(n % 4 < 2);
    if (n % 5 == 4) settings.inversePrecision = "1E-12";
    corpus.Add("noisy", points, UniformSigma(amplitude), settings);
  }
}

void AddStretched(CorpusBuilder& corpus, Random& random) {
  for (int n = 0; n < 30; ++n) {
    const Points points = DistortedCage(random, 0.6, 1.6, 5, 0.002);
    corpus.Add("stretched", points, RandomSigma(random, 0.0005, 0.004), Method(n % 2 == 1));
  }
}

void AddAxisAligned(CorpusBuilder& corpus, Random& random) {
  const Point factors[] = {{1.25, 1, 0.75}, {0.5, 1, 1}, {1, 1, 1.5}, {2, 1.5, 1}};
  for (int n = 0; n < 16; ++n) {
    Points points = Scaled(IdealCage(), factors[n % 4]);
    if (n >= 4) points = Shifted(points, {0.25 * (n % 5), -0.5 * (n % 3), 0.125 * n});
    if (n >= 8) points = Noisy(points, random, 0.001);
    corpus.Add("axis_aligned", points, UniformSigma(n % 3 == 0 ? 0 : 0.003), Method(n % 2 == 0));
  }
}

void AddOffset(CorpusBuilder& corpus, Random& random) {
  const double sizes[] = {10, 100, 1000, 10000, 30000};
  for (int n = 0; n < 20; ++n) {
    const Points points = DistortedCage(random, 0.8, 1.3, sizes[n % 5], 0.003);
    CaseSettings settings = Method(n % 2 == 0);
    if (n % 7 == 3) settings.inversePrecision = "1E-20";
    corpus.Add("offset", points, UniformSigma(0.003), settings);
  }
}

void AddNearlyDegenerate(CorpusBuilder& corpus, Random& random) {
  const double flat[] = {1e-1, 1e-2, 1e-3, 1e-4, 1e-6, 1e-9};
  for (int n = 0; n < 12; ++n) {
    Points points = Scaled(IdealCage(), {1, 1.1, flat[n % 6]});
    if (n >= 6) points = Rotated(points, RandomRotation(random));
    corpus.Add("nearly_degenerate", points, UniformSigma(0.001), Method(n % 2 == 0));
  }
  // Nearly a sphere: two or three eigenvalues almost equal.
  for (int n = 0; n < 4; ++n) {
    const Points sphere = Scaled(IdealCage(), {1, 1 + 1e-9 * n, 1 - 1e-12 * n});
    corpus.Add("nearly_degenerate", Rotated(sphere, RandomRotation(random)), UniformSigma(0.002),
               Method(n % 2 == 0));
  }
  // Long and thin, like a cylinder.
  for (int n = 0; n < 4; ++n) {
    const Points rod = Scaled(IdealCage(), {1e3 * (n + 1), 1, 1.05});
    corpus.Add("nearly_degenerate", Rotated(rod, RandomRotation(random)), UniformSigma(0.002),
               Method(n % 2 == 0));
  }
}

void AddEllipsoidPoints(CorpusBuilder& corpus, Random& random) {
  for (int n = 0; n < 20; ++n) {
    const Point axes = {random.Uniform(1, 8), random.Uniform(1, 8), random.Uniform(1, 8)};
    Points points = Rotated(EllipsoidPoints(random, axes), RandomRotation(random));
    points = Shifted(points, RandomShift(random, 4));
    if (n % 2 == 1) points = Noisy(points, random, 0.01);
    corpus.Add("ellipsoid_points", points, RandomSigma(random, 0.001, 0.02), Method(n % 4 < 2));
  }
}

void AddSymmetric(CorpusBuilder& corpus) {
  const Points ideal = IdealCage();
  // Exact symmetries: permuted and mirrored coordinates, an exact quarter turn, a shift along
  // one axis. Many chords tie, and the eigenvalues are equal.
  const std::function<Point(const Point&)> maps[] = {
      [](const Point& p) { return p; },
      [](const Point& p) {
        return Point{p[1], p[2], p[0]};
      },
      [](const Point& p) {
        return Point{-p[0], p[1], p[2]};
      },
      [](const Point& p) {
        return Point{-p[1], p[0], p[2]};
      },
      [](const Point& p) {
        return Point{p[0] + 3, p[1], p[2]};
      },
      [](const Point& p) {
        return Point{p[0], p[1] * 2, p[2] * 2};
      },
      [](const Point& p) {
        return Point{p[0] * 1.5, p[1] * 1.5, p[2]};
      },
      [](const Point& p) {
        return Point{p[2], p[1], p[0] - 1};
      },
  };
  for (int n = 0; n < 16; ++n) {
    Points points;
    for (const Point& p : ideal) points.push_back(maps[n % 8](p));
    corpus.Add("symmetric", points, UniformSigma(n < 8 ? 0.002 : 0), Method(n < 8));
  }
}

void AddNotEllipsoid(CorpusBuilder& corpus, Random& random) {
  for (int n = 0; n < 20; ++n) {
    Points points;
    while (points.size() < AtomCount) {
      const double u = random.Uniform(-2, 2), v = random.Uniform(-2, 2);
      switch (n % 4) {
        case 0: {  // hyperboloid of one sheet: x² + y² − z² = 4
          const double w = random.Uniform(-2, 2);
          const double norm = std::sqrt(v * v + w * w);
          if (norm < 1e-3) continue;
          const double r = std::sqrt(4 + u * u);
          points.push_back({r * v / norm, r * w / norm, u});
          break;
        }
        case 1:  // hyperboloid of two sheets: z² − x² − y² = 1, both sheets
          points.push_back({u, v, (points.size() % 2 ? -1 : 1) * std::sqrt(1 + u * u + v * v)});
          break;
        case 2:  // elliptic paraboloid z = x² + 2y² + 1
          points.push_back({u, v, u * u + 2 * v * v + 1});
          break;
        default:  // a saddle z = x·y + 2
          points.push_back({u, v, u * v + 2});
          break;
      }
    }
    if (n >= 8) points = Rotated(points, RandomRotation(random));
    corpus.Add("not_ellipsoid", points, UniformSigma(0.01), Method(n % 8 < 4));
  }
}

void AddPrecisions(CorpusBuilder& corpus, Random& random) {
  const char* inverse[] = {"1E-10", "1E-5", "1E-15", "0", "1E-30", "2", "1E-3", "-1"};
  const char* rotation[] = {"1E-20", "1E-5", "0", "-1", "1E-10", "1"};
  for (int n = 0; n < 24; ++n) {
    const Points points = DistortedCage(random, 0.8, 1.3, 2, 0.002);
    CaseSettings settings = Method(n % 3 != 2);
    settings.inversePrecision = inverse[n % 8];
    settings.rotationPrecision = rotation[n % 6];
    corpus.Add("precision", points, UniformSigma(0.002), settings);
  }
}

void AddZeroSigma(CorpusBuilder& corpus, Random& random) {
  for (int n = 0; n < 16; ++n) {
    const Points points = DistortedCage(random, 0.7, 1.4, 3, 0.004);
    corpus.Add("zero_sigma", points, UniformSigma(0), Method(n % 2 == 0));
  }
}

void AddSignedSigma(CorpusBuilder& corpus, Random& random) {
  for (int n = 0; n < 10; ++n) {
    Points points = Rotated(Scaled(IdealCage(), {1.1, 0.95, 1}), RandomRotation(random));
    points = Noisy(points, random, 0.003);
    PointSet sigma = RandomSigma(random, -0.01, 0.01);
    if (n >= 6) sigma = UniformSigma(n == 6 ? 0.5 : n == 7 ? 2 : n == 8 ? -0.3 : 1e-12);
    corpus.Add("signed_sigma", points, sigma, Method(n % 2 == 0));
  }
}

void AddSingular(CorpusBuilder& corpus, Random& random) {
  const Points ideal = IdealCage();
  const std::function<Point(const Point&)> flatten[] = {
      [](const Point& p) {
        return Point{p[0], p[1], 0};
      },  // a plane through 0
      [](const Point& p) {
        return Point{p[0], p[1], 2};
      },  // a plane off 0
      [](const Point& p) {
        return Point{p[0], 2 * p[0] - 1, 3 - p[0]};
      },  // a line
      [](const Point&) {
        return Point{1.5, -2, 0.25};
      },  // one point
  };
  for (int n = 0; n < 8; ++n) {
    Points points;
    for (const Point& p : ideal) points.push_back(flatten[n % 4](p));
    corpus.Add("singular", points, UniformSigma(0.001), Method(n < 4));
  }
  corpus.Add("singular", PointSet{}, PointSet{}, Method(true));  // nothing read yet
  CaseSettings huge = Method(true);
  huge.inversePrecision = "1E10";
  corpus.Add("singular", Noisy(ideal, random, 0.01), UniformSigma(0.002), huge);
  huge.leastSquares = false;
  huge.inversePrecision = "1E3";
  corpus.Add("singular", Noisy(ideal, random, 0.01), UniformSigma(0.002), huge);
  CaseSettings rotation = Method(true);
  rotation.inversePrecision = "0.5";
  corpus.Add("singular", Scaled(ideal, {1, 1, 1.2}), UniformSigma(0.002), rotation);
}

void AddMarquardt(CorpusBuilder& corpus, Random& random) {
  const char* cycles[] = {"0", "-3", "1", "2.9", "5", "30", "300", ""};
  const char* starts[] = {"", "0", "0.5", "-1", "1E-3"};
  const char* lambdas[] = {"", "0", "1E-3", "100", "-1"};
  const char* steps[] = {"", "2", "0.5", "1", "-10"};
  for (int n = 0; n < 24; ++n) {
    const Points points = DistortedCage(random, 0.8, 1.3, 2, 0.003);
    CaseSettings settings = Method(false);
    settings.cycles = cycles[n % 8];
    settings.start = starts[n % 5];
    settings.lambda = lambdas[(n / 2) % 5];
    settings.step = steps[(n / 3) % 5];
    corpus.Add("marquardt", points, UniformSigma(0.003), settings);
  }
}

void AddPartial(CorpusBuilder& corpus, Random& random) {
  const int counts[] = {9, 12, 20, 30, 45, 59, 59, 40, 50, 55};
  for (int n = 0; n < 10; ++n) {
    Points points = Rotated(Scaled(IdealCage(), {1.2, 1, 0.9}), RandomRotation(random));
    points = Shifted(points, RandomShift(random, 1));
    points.resize(counts[n]);  // the atoms the text did not hold stay at the origin
    PointSet sigma = UniformSigma(0.002);
    for (int i = counts[n] / 2 + 1; i <= AtomCount; ++i) {
      sigma.X.at(i) = 0;
      sigma.Y.at(i) = 0;
      sigma.Z.at(i) = 0;
    }
    corpus.Add("partial", points, sigma, Method(n % 2 == 0));
  }
}

void AddNonFinite(CorpusBuilder& corpus) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Points ideal = IdealCage();
  for (int n = 0; n < 6; ++n) {
    PointSet coords = ToPointSet(ideal);
    switch (n) {
      case 0:
      case 1:
        coords.X.at(7) = inf;
        break;
      case 2:
      case 3:  // two infinite coordinates on one axis: their distance is NaN
        coords.Y.at(3) = -inf;
        coords.Y.at(40) = -inf;
        break;
      case 4:
        coords.Z.at(60) = nan;
        break;
      default:
        coords.X.at(1) = 1e308;
        coords.X.at(2) = -1e308;
        break;
    }
    corpus.Add("nonfinite", coords, UniformSigma(0.002), Method(n % 2 == 0));
  }
}

void AddMonteCarlo(CorpusBuilder& corpus, Random& random) {
  const int draws[] = {1, 2, 5, 20};
  for (int n = 0; n < 12; ++n) {
    const Points points = DistortedCage(random, 0.9, 1.2, 2, 0.002);
    CaseSettings settings = Method(n % 3 != 1);
    if (!settings.leastSquares) settings.cycles = "20";
    settings.monteCarloDraws = draws[n % 4];
    settings.seed = n * 7919ull;
    corpus.Add("monte_carlo", points, RandomSigma(random, 0.001, 0.01), settings);
  }
}

}  // namespace

std::vector<Cage> BuildCages() {
  CorpusBuilder corpus;
  Random random(20260101);
  AddIdeal(corpus, random);
  AddNoisy(corpus, random);
  AddStretched(corpus, random);
  AddAxisAligned(corpus, random);
  AddOffset(corpus, random);
  AddNearlyDegenerate(corpus, random);
  AddEllipsoidPoints(corpus, random);
  AddSymmetric(corpus);
  AddNotEllipsoid(corpus, random);
  AddPrecisions(corpus, random);
  AddZeroSigma(corpus, random);
  AddSignedSigma(corpus, random);
  AddSingular(corpus, random);
  AddMarquardt(corpus, random);
  AddPartial(corpus, random);
  AddNonFinite(corpus);
  AddMonteCarlo(corpus, random);
  return corpus.Take();
}

}  // namespace ovalon::characterisation
