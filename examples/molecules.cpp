#include "examples/molecules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

namespace ovalon::examples {
namespace {

constexpr double PentagonBond = 1.455;
constexpr double HexagonBond = 1.391;
constexpr double SingleBond = 1.53;
constexpr double AromaticBond = 1.39;
constexpr double HydrogenBond = 1.09;  // C–H
constexpr double Degree = std::numbers::pi / 180;

Vec operator+(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec operator-(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec operator*(double s, const Vec& a) { return {s * a[0], s * a[1], s * a[2]}; }
double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
double Length(const Vec& a) { return std::sqrt(Dot(a, a)); }
Vec Unit(const Vec& a) { return (1 / Length(a)) * a; }
Vec Cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

/// Eigenvalues (ascending) and eigenvectors (columns of `vectors`, row-major n × n) of the
/// symmetric n × n matrix `a`, by cyclic Jacobi rotations.
void SymmetricEigen(std::vector<double> a, int n, std::vector<double>& values,
                    std::vector<double>& vectors) {
  std::vector<double> v(n * n, 0.0);
  for (int i = 0; i < n; ++i) v[i * n + i] = 1;
  for (int sweep = 0; sweep < 100; ++sweep) {
    double off = 0, total = 0;
    for (int p = 0; p < n; ++p)
      for (int q = 0; q < n; ++q) {
        total += a[p * n + q] * a[p * n + q];
        if (p != q) off += a[p * n + q] * a[p * n + q];
      }
    if (off <= 1e-26 * total) break;
    for (int p = 0; p < n; ++p)
      for (int q = p + 1; q < n; ++q) {
        const double apq = a[p * n + q];
        if (apq == 0) continue;
        const double theta = (a[q * n + q] - a[p * n + p]) / (2 * apq);
        const double t = (theta >= 0 ? 1 : -1) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1 / std::sqrt(t * t + 1), s = t * c;
        for (int k = 0; k < n; ++k) {
          const double kp = a[k * n + p], kq = a[k * n + q];
          a[k * n + p] = c * kp - s * kq;
          a[k * n + q] = s * kp + c * kq;
        }
        for (int k = 0; k < n; ++k) {
          const double pk = a[p * n + k], qk = a[q * n + k];
          a[p * n + k] = c * pk - s * qk;
          a[q * n + k] = s * pk + c * qk;
        }
        for (int k = 0; k < n; ++k) {
          const double kp = v[k * n + p], kq = v[k * n + q];
          v[k * n + p] = c * kp - s * kq;
          v[k * n + q] = s * kp + c * kq;
        }
      }
  }
  std::vector<int> order(n);
  for (int i = 0; i < n; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](int i, int j) { return a[i * n + i] < a[j * n + j]; });
  values.resize(n);
  vectors.assign(n * n, 0.0);
  for (int k = 0; k < n; ++k) {
    values[k] = a[order[k] * n + order[k]];
    for (int i = 0; i < n; ++i) vectors[i * n + k] = v[i * n + order[k]];
  }
}

/// The faces (dual vertices) of a spiral and which faces touch: faces are placed one after
/// another, each next to the previous one and to the oldest face still open, closing every
/// face that gets all its neighbours (the spiral algorithm of fullerene enumeration).
std::vector<std::vector<int>> DualOfSpiral(const std::vector<int>& sizes) {
  const int n = static_cast<int>(sizes.size());
  std::vector<std::vector<int>> dual(n);
  std::vector<int> open = sizes;
  const auto fail = [] { throw std::invalid_argument("the spiral does not close"); };
  const auto connect = [&](int a, int b) {
    if (open[a] <= 0 || open[b] <= 0 || a == b ||
        std::find(dual[a].begin(), dual[a].end(), b) != dual[a].end())
      fail();
    dual[a].push_back(b);
    dual[b].push_back(a);
    --open[a];
    --open[b];
  };
  std::vector<int> ring = {0, 1};  // the open boundary, oldest face first
  std::size_t front = 0;
  connect(0, 1);
  for (int k = 2; k < n - 1; ++k) {
    connect(k, ring.back());
    connect(k, ring[front]);
    for (bool closed = true; closed;) {
      closed = false;
      if (open[ring.back()] == 0 && ring.size() - front > 1) {
        ring.pop_back();
        connect(k, ring.back());
        closed = true;
      }
      if (open[ring[front]] == 0 && ring.size() - front > 1) {
        ++front;
        connect(k, ring[front]);
        closed = true;
      }
    }
    if (open[k] == 0) fail();
    ring.push_back(k);
  }
  for (std::size_t i = front; i < ring.size(); ++i) connect(n - 1, ring[i]);
  for (int f = 0; f < n; ++f)
    if (open[f] != 0) fail();
  return dual;
}

double BondLength(int faceSizeA, int faceSizeB) {
  return faceSizeA == 5 || faceSizeB == 5 ? PentagonBond : HexagonBond;
}

struct Spring {
  int a, b;
  double length;
};

/// Bonds at their lengths and, for the angle a–b–c in a face, a spring a–c at the length
/// that gives the face's angle (108° in a pentagon, 120° in a hexagon).
std::vector<Spring> FullereneSprings(const FullereneGraph& graph) {
  const int n = static_cast<int>(graph.neighbours.size());
  std::vector<std::vector<int>> atomFaces(n);
  for (int f = 0; f < static_cast<int>(graph.faces.size()); ++f)
    for (int a : graph.faces[f]) atomFaces[a].push_back(f);
  const auto sharedFaceSizes = [&](int a, int b) {
    std::vector<int> sizes;
    for (int f : atomFaces[a])
      if (std::find(atomFaces[b].begin(), atomFaces[b].end(), f) != atomFaces[b].end())
        sizes.push_back(static_cast<int>(graph.faces[f].size()));
    return sizes;
  };
  const auto bondLength = [&](int a, int b) {
    const std::vector<int> sizes = sharedFaceSizes(a, b);
    return BondLength(sizes.at(0), sizes.at(1));
  };
  std::vector<Spring> springs;
  for (int b = 0; b < n; ++b)
    for (int i = 0; i < 3; ++i) {
      const int a = graph.neighbours[b][i];
      if (a > b) springs.push_back({a, b, bondLength(a, b)});
      const int c = graph.neighbours[b][(i + 1) % 3];
      int faceSize = 0;
      for (int f : atomFaces[b]) {
        const auto& face = graph.faces[f];
        if (std::find(face.begin(), face.end(), a) != face.end() &&
            std::find(face.begin(), face.end(), c) != face.end())
          faceSize = static_cast<int>(face.size());
      }
      const double angle = (faceSize == 5 ? 108 : 120) * Degree;
      const double ab = bondLength(a, b), bc = bondLength(b, c);
      springs.push_back({a, c, std::sqrt(ab * ab + bc * bc - 2 * ab * bc * std::cos(angle))});
    }
  return springs;
}

double SpringEnergy(const std::vector<Spring>& springs, const std::vector<Vec>& p,
                    std::vector<Vec>* gradient) {
  double energy = 0;
  if (gradient) gradient->assign(p.size(), Vec{0, 0, 0});
  for (const Spring& s : springs) {
    const Vec d = p[s.a] - p[s.b];
    const double r = Length(d);
    energy += (r - s.length) * (r - s.length);
    if (gradient) {
      const Vec g = (2 * (r - s.length) / r) * d;
      (*gradient)[s.a] = (*gradient)[s.a] + g;
      (*gradient)[s.b] = (*gradient)[s.b] - g;
    }
  }
  return energy;
}

/// Steepest descent with a step that grows while the energy falls and halves when it rises.
void Relax(const std::vector<Spring>& springs, std::vector<Vec>& p) {
  std::vector<Vec> gradient, trial(p.size());
  double energy = SpringEnergy(springs, p, &gradient);
  double step = 0.05;
  for (int iteration = 0; iteration < 20000 && step > 1e-12; ++iteration) {
    for (std::size_t i = 0; i < p.size(); ++i) trial[i] = p[i] - step * gradient[i];
    const double trialEnergy = SpringEnergy(springs, trial, nullptr);
    if (trialEnergy < energy) {
      p = trial;
      energy = SpringEnergy(springs, p, &gradient);
      step *= 1.2;
    } else {
      step *= 0.5;
    }
  }
}

/// Centres the points and turns their principal axes onto x, y and z: the axis whose second
/// moment differs most from the other two goes to z, the other two in ascending order.
void Orient(std::vector<Vec>& p) {
  Vec centre{0, 0, 0};
  for (const Vec& q : p) centre = centre + q;
  centre = (1.0 / static_cast<double>(p.size())) * centre;
  std::vector<double> moments(9, 0.0);
  for (Vec& q : p) {
    q = q - centre;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) moments[i * 3 + j] += q[i] * q[j];
  }
  std::vector<double> values, vectors;
  SymmetricEigen(moments, 3, values, vectors);
  const int distinct = values[1] - values[0] < values[2] - values[1] ? 2 : 0;
  const int x = distinct == 2 ? 0 : 1, y = distinct == 2 ? 1 : 2;
  const auto axis = [&](int k) {
    Vec a{vectors[k], vectors[3 + k], vectors[6 + k]};
    const auto largest = std::max_element(
        a.begin(), a.end(), [](double u, double v) { return std::fabs(u) < std::fabs(v); });
    return *largest < 0 ? -1.0 * a : a;
  };
  const Vec ex = axis(x), ey = axis(y), ez = Cross(ex, ey);
  for (Vec& q : p) q = {Dot(q, ex), Dot(q, ey), Dot(q, ez)};
}

/// Hydrogens of a CH2 group at `c` bonded to `prev` and `next`, out of their plane.
std::vector<Vec> MethyleneHydrogens(const Vec& c, const Vec& prev, const Vec& next) {
  const Vec away = Unit(Unit(c - prev) + Unit(c - next));
  const Vec side = Unit(Cross(prev - c, next - c));
  const double half = 54.75 * Degree;
  return {c + HydrogenBond * (std::cos(half) * away + std::sin(half) * side),
          c + HydrogenBond * (std::cos(half) * away - std::sin(half) * side)};
}

/// Hydrogens of a CH3 group at `c` bonded along `bond` (from its neighbour to c); `side` is
/// any unit vector perpendicular to it.
std::vector<Vec> MethylHydrogens(const Vec& c, const Vec& bond, const Vec& side) {
  const Vec axis = Unit(bond), other = Cross(axis, side);
  const double tilt = 70.53 * Degree;
  std::vector<Vec> h;
  for (int k = 0; k < 3; ++k) {
    const double turn = 120 * k * Degree;
    const Vec across = std::cos(turn) * side + std::sin(turn) * other;
    h.push_back(c + HydrogenBond * (std::cos(tilt) * axis + std::sin(tilt) * across));
  }
  return h;
}

void Add(Molecule& molecule, const std::string& element, const std::vector<Vec>& positions) {
  for (const Vec& p : positions) molecule.push_back({element, p});
}

/// A phenyl ring bonded at its ipso atom to `anchor`, along the unit vector `along`, the ring
/// in the plane of `along` and the unit vector `inPlane`; with five hydrogens.
void AddPhenyl(Molecule& molecule, const Vec& anchor, const Vec& along, const Vec& inPlane) {
  const Vec centre = anchor + (1.50 + AromaticBond) * along;
  for (int k = 0; k < 6; ++k) {
    const double turn = 60 * k * Degree;
    const Vec out = -std::cos(turn) * along + std::sin(turn) * inPlane;
    molecule.push_back({"C", centre + AromaticBond * out});
  }
  for (int k = 1; k < 6; ++k) {
    const double turn = 60 * k * Degree;
    const Vec out = -std::cos(turn) * along + std::sin(turn) * inPlane;
    molecule.push_back({"H", centre + (AromaticBond + 1.08) * out});
  }
}

/// Where addends bind: a bond a–b of C60 (centred at the origin) between two hexagons, with
/// axes `outward` through its midpoint, `along` from a to b and `across` perpendicular to both.
struct BondFrame {
  Vec a, b, middle, outward, along, across;
};

/// The 6:6 bond whose midpoint lies furthest along a fixed direction.
BondFrame AddendSite(const std::vector<Vec>& cage) {
  const Vec direction = {0.3, 0.2, 1.0};
  BondFrame f;
  double highest = -1e300;
  for (std::size_t i = 0; i < cage.size(); ++i)
    for (std::size_t j = i + 1; j < cage.size(); ++j)
      if (std::fabs(Length(cage[i] - cage[j]) - HexagonBond) < 1e-6 &&
          Dot(0.5 * (cage[i] + cage[j]), direction) > highest) {
        highest = Dot(0.5 * (cage[i] + cage[j]), direction);
        f.a = cage[i];
        f.b = cage[j];
      }
  f.middle = 0.5 * (f.a + f.b);
  f.along = Unit(f.b - f.a);
  f.outward = Unit(f.middle - Dot(f.middle, f.along) * f.along);
  f.across = Cross(f.outward, f.along);
  return f;
}

}  // namespace

FullereneGraph WindUpSpiral(int faceCount, const std::array<int, 12>& pentagons) {
  std::vector<int> sizes(faceCount, 6);
  for (int p : pentagons) sizes.at(p - 1) = 5;
  const std::vector<std::vector<int>> dual = DualOfSpiral(sizes);

  // Atoms are the triangles of the dual: three mutually touching faces.
  std::vector<std::array<int, 3>> atomFaces;
  const auto touch = [&](int f, int g) {
    return std::find(dual[f].begin(), dual[f].end(), g) != dual[f].end();
  };
  for (int f = 0; f < faceCount; ++f)
    for (int g : dual[f])
      for (int h : dual[f])
        if (f < g && g < h && touch(g, h)) atomFaces.push_back({f, g, h});
  const int atoms = static_cast<int>(atomFaces.size());
  if (atoms != 2 * (faceCount - 2)) throw std::invalid_argument("the spiral is no fullerene");

  FullereneGraph graph;
  graph.neighbours.assign(atoms, {-1, -1, -1});
  std::vector<int> degree(atoms, 0);
  const auto shared = [&](int a, int b) {
    int count = 0;
    for (int f : atomFaces[a])
      count += static_cast<int>(std::count(atomFaces[b].begin(), atomFaces[b].end(), f));
    return count;
  };
  for (int a = 0; a < atoms; ++a)
    for (int b = a + 1; b < atoms; ++b)
      if (shared(a, b) == 2) {
        graph.neighbours[a].at(degree[a]++) = b;
        graph.neighbours[b].at(degree[b]++) = a;
      }
  // Each face as a cycle: from one of its atoms, step to the neighbour on the face not yet
  // visited.
  graph.faces.resize(faceCount);
  for (int f = 0; f < faceCount; ++f) {
    std::vector<int>& face = graph.faces[f];
    const auto onFace = [&](int a) {
      return std::find(atomFaces[a].begin(), atomFaces[a].end(), f) != atomFaces[a].end();
    };
    int atom =
        static_cast<int>(std::find_if(atomFaces.begin(), atomFaces.end(),
                                      [&](const auto& faces) {
                                        return faces[0] == f || faces[1] == f || faces[2] == f;
                                      }) -
                         atomFaces.begin());
    while (atom >= 0) {
      face.push_back(atom);
      int next = -1;
      for (int b : graph.neighbours[atom])
        if (onFace(b) && std::find(face.begin(), face.end(), b) == face.end()) next = b;
      atom = next;
    }
    if (static_cast<int>(face.size()) != sizes[f])
      throw std::invalid_argument("the spiral is no fullerene");
  }
  return graph;
}

std::vector<Vec> FullereneCoordinates(const FullereneGraph& graph) {
  const int n = static_cast<int>(graph.neighbours.size());
  std::vector<double> adjacency(n * n, 0.0);
  for (int a = 0; a < n; ++a)
    for (int b : graph.neighbours[a]) adjacency[a * n + b] = 1;
  std::vector<double> values, vectors;
  SymmetricEigen(adjacency, n, values, vectors);
  // The three eigenvectors after the largest eigenvalue (3) vary like x, y and z over a
  // sphere; scaled to unit length they give a round first guess.
  std::vector<Vec> p(n);
  for (int a = 0; a < n; ++a)
    for (int k = 0; k < 3; ++k) p[a][k] = vectors[a * n + (n - 2 - k)];
  double bonds = 0;
  for (int a = 0; a < n; ++a)
    for (int b : graph.neighbours[a]) bonds += Length(p[a] - p[b]);
  const double scale = 1.42 / (bonds / (3.0 * n));
  for (Vec& q : p) q = scale * q;
  Relax(FullereneSprings(graph), p);
  Orient(p);
  return p;
}

std::vector<Vec> IdealC60() {
  // Every atom lies on an edge of an icosahedron with edge E, at the fraction t from one end:
  // E = 2·1.455 + 1.391 Å and t = 1.455 / E give both bond lengths.
  const double edge = 2.0 * PentagonBond + HexagonBond;
  const double t = PentagonBond / edge;
  const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
  const double s = edge / 2.0;  // the vertices below have edge 2
  std::vector<Vec> ico;
  for (double a : {-1.0, 1.0})
    for (double b : {-1.0, 1.0}) {
      ico.push_back({0.0, a * s, b * phi * s});
      ico.push_back({a * s, b * phi * s, 0.0});
      ico.push_back({a * phi * s, 0.0, b * s});
    }
  std::vector<Vec> atoms;
  for (size_t i = 0; i < ico.size(); ++i)
    for (size_t j = 0; j < ico.size(); ++j)
      if (i != j && std::fabs(Length(ico[i] - ico[j]) - edge) < 1e-9)
        atoms.push_back({ico[i][0] + t * (ico[j][0] - ico[i][0]),
                         ico[i][1] + t * (ico[j][1] - ico[i][1]),
                         ico[i][2] + t * (ico[j][2] - ico[i][2])});
  return atoms;
}

Molecule Carbons(const std::vector<Vec>& positions) {
  Molecule molecule;
  Add(molecule, "C", positions);
  return molecule;
}

Molecule C60() { return Carbons(IdealC60()); }

// The cages below are given by their canonical face spirals (the lexicographically first
// spiral of the isomer, pentagon places 1-based); among the isomers with isolated pentagons
// C70 has one, C80 seven (the seventh is Ih) and C84 twenty-four (the 23rd is D2d).
Molecule C70() {
  return Carbons(
      FullereneCoordinates(WindUpSpiral(37, {1, 7, 9, 11, 13, 15, 27, 29, 31, 33, 35, 37})));
}

Molecule C80() {
  return Carbons(
      FullereneCoordinates(WindUpSpiral(42, {1, 8, 10, 12, 14, 16, 28, 30, 32, 34, 36, 42})));
}

Molecule C84() {
  return Carbons(
      FullereneCoordinates(WindUpSpiral(44, {1, 7, 10, 13, 18, 22, 25, 27, 31, 38, 41, 43})));
}

Molecule Sc3NC80() {
  Molecule molecule = C80();
  molecule.push_back({"N", {0, 0, 0}});
  for (int k = 0; k < 3; ++k) {
    const double turn = 120 * k * Degree;
    molecule.push_back({"Sc", {2.0 * std::cos(turn), 2.0 * std::sin(turn), 0}});
  }
  return molecule;
}

Molecule MethanoC60Adduct() {
  Molecule molecule = C60();
  const BondFrame f = AddendSite(IdealC60());
  const double half = 0.5 * Length(f.b - f.a);
  const Vec bridge = f.middle + std::sqrt(1.51 * 1.51 - half * half) * f.outward;
  molecule.push_back({"C", bridge});

  const double spread = 55 * Degree;
  const Vec toPhenyl = std::cos(spread) * f.outward + std::sin(spread) * f.across;
  const Vec toChain = std::cos(spread) * f.outward - std::sin(spread) * f.across;
  AddPhenyl(molecule, bridge, toPhenyl, f.along);

  // The chain CH2–CH2–CH2–C(=O)–O–CH3 as a zigzag in the plane of toChain and f.along.
  std::vector<Vec> chain = {bridge};
  for (int k = 1; k <= 6; ++k)
    chain.push_back(bridge + (1.25 * k) * toChain + (k % 2 ? 0.88 : 0.0) * f.along);
  for (int k = 1; k <= 4; ++k) molecule.push_back({"C", chain[k]});
  molecule.push_back({"O", chain[5]});
  molecule.push_back({"C", chain[6]});
  molecule.push_back(
      {"O", chain[4] + 1.21 * Unit(Unit(chain[4] - chain[3]) + Unit(chain[4] - chain[5]))});
  for (int k = 1; k <= 3; ++k)
    Add(molecule, "H", MethyleneHydrogens(chain[k], chain[k - 1], chain[k + 1]));
  Add(molecule, "H", MethylHydrogens(chain[6], chain[6] - chain[5], f.across));
  return molecule;
}

Molecule DielsAlderC60Adduct() {
  Molecule molecule = C60();
  const BondFrame f = AddendSite(IdealC60());
  // The ring a–b–c1=… in the plane of f.along and f.outward: CH2 groups on a and b leaning
  // 25° away from each other, and the double bond c2=c3 (1.34 Å) beyond them.
  const double lean = 25 * Degree;
  const Vec c1 = f.b + SingleBond * (std::cos(lean) * f.outward + std::sin(lean) * f.along);
  const Vec c4 = f.a + SingleBond * (std::cos(lean) * f.outward - std::sin(lean) * f.along);
  const double sideways = Dot(c1 - f.middle, f.along) - 0.67;
  const double up = Dot(c1 - f.middle, f.outward) + std::sqrt(1.50 * 1.50 - sideways * sideways);
  const Vec c2 = f.middle + 0.67 * f.along + up * f.outward;
  const Vec c3 = f.middle - 0.67 * f.along + up * f.outward;
  Add(molecule, "C", {c1, c2, c3, c4});
  Add(molecule, "H", MethyleneHydrogens(c1, f.b, c2));
  Add(molecule, "H", MethyleneHydrogens(c4, f.a, c3));
  molecule.push_back({"H", c2 + 1.08 * Unit(Unit(c2 - c1) + Unit(c2 - c3))});
  molecule.push_back({"H", c3 + 1.08 * Unit(Unit(c3 - c4) + Unit(c3 - c2))});
  return molecule;
}

Molecule C60Dimer() {
  // The second cage is the mirror image of the first in the plane 0.79 Å beyond the midpoint
  // of a 6:6 bond, so that the two bonds are 1.58 Å apart, side by side.
  const std::vector<Vec> cage = IdealC60();
  const BondFrame f = AddendSite(cage);
  const double plane = Dot(f.middle, f.outward) + 0.79;
  Molecule molecule = Carbons(cage);
  for (const Vec& p : cage)
    molecule.push_back({"C", p + (2 * (plane - Dot(p, f.outward))) * f.outward});
  return molecule;
}

Molecule Toluene(const Vec& centre, const Vec& axis, const Vec& inPlane) {
  Molecule molecule;
  AddPhenyl(molecule, centre - (1.50 + AromaticBond) * axis, axis, inPlane);
  // AddPhenyl's ring is bonded at its first atom to the anchor; here the anchor is the methyl
  // carbon, opposite the ring from where the phenyl's ipso atom points.
  const Vec methyl = centre - (AromaticBond + 1.51) * axis;
  molecule.push_back({"C", methyl});
  Add(molecule, "H", MethylHydrogens(methyl, -1.0 * axis, Unit(Cross(axis, inPlane))));
  return molecule;
}

Molecule C60TolueneAdductFrame() {
  Molecule frame = Toluene({0, 0, 7.2}, {1, 0, 0}, {0, 1, 0});
  for (const Atom& atom : C60()) frame.push_back(atom);
  for (const Atom& atom : Toluene({7.2, 0, 0}, {0, 0, 1}, {0, 1, 0})) frame.push_back(atom);
  for (const Atom& atom : Translated(MethanoC60Adduct(), {0, 15, 0})) frame.push_back(atom);
  return frame;
}

Molecule Translated(Molecule molecule, const Vec& shift) {
  for (Atom& atom : molecule) atom.position = atom.position + shift;
  return molecule;
}

std::vector<std::string> XyzLines(const Molecule& molecule, const std::string& comment) {
  std::vector<std::string> lines = {std::to_string(molecule.size()), comment};
  for (const Atom& atom : molecule) {
    char line[128];
    std::snprintf(line, sizeof line, "%-2s  %.6f  %.6f  %.6f", atom.element.c_str(),
                  atom.position[0], atom.position[1], atom.position[2]);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace ovalon::examples
