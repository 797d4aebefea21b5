#include "analysis/cagefinder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <numeric>

namespace ovalon {
namespace {

constexpr int SmallestRing = 5;
constexpr int LargestRing = 7;

struct Point {
  double x, y, z;
};

/// The bonds of the carbon atoms (local indices), each pair once with first < second, and the
/// neighbour lists built from them; slot k of the lists names the bond it stands for.
struct BondGraph {
  std::vector<std::array<int, 2>> bonds;
  std::vector<int> offsets;  ///< neighbours of atom a: slots offsets[a] … offsets[a + 1] − 1
  std::vector<int> neighbours;
  std::vector<int> slotBond;

  int Degree(int a) const { return offsets[a + 1] - offsets[a]; }
};

/// Bonded pairs among `points`: sorted by x, the candidates of an atom are the atoms after it
/// up to `cutoff` further along x. Points with an infinite or undefined coordinate bond with
/// nothing. `margin` becomes the smallest difference between the cutoff and the distance of
/// any two finite points, or a quarter of the cutoff where that is smaller: pairs up to one and
/// a quarter cutoffs apart in x are measured for it.
std::vector<std::array<int, 2>> FindBonds(const std::vector<Point>& points, double cutoff,
                                          double& margin) {
  std::vector<int> order;
  for (int i = 0; i < static_cast<int>(points.size()); ++i)
    if (std::isfinite(points[i].x) && std::isfinite(points[i].y) && std::isfinite(points[i].z))
      order.push_back(i);
  std::sort(order.begin(), order.end(), [&](int i, int j) { return points[i].x < points[j].x; });
  std::vector<Point> sorted;
  sorted.reserve(order.size());
  for (int i : order) sorted.push_back(points[i]);

  const double limit = cutoff * cutoff;
  const double window = cutoff / 4;
  margin = window;
  // Distances whose squares lie outside (low, high) cannot make the margin smaller.
  double low = (cutoff - margin) * (cutoff - margin), high = (cutoff + margin) * (cutoff + margin);
  std::vector<std::array<int, 2>> bonds;
  for (std::size_t i = 0; i < sorted.size(); ++i)
    for (std::size_t j = i + 1; j < sorted.size() && sorted[j].x - sorted[i].x <= cutoff + window;
         ++j) {
      const double ex = sorted[j].x - sorted[i].x;
      const double ey = sorted[j].y - sorted[i].y;
      const double ez = sorted[j].z - sorted[i].z;
      const double squared = ex * ex + ey * ey + ez * ez;
      if (squared <= limit)
        bonds.push_back({std::min(order[i], order[j]), std::max(order[i], order[j])});
      if (squared > low && squared < high) {
        margin = std::min(margin, std::abs(std::sqrt(squared) - cutoff));
        low = (cutoff - margin) * (cutoff - margin);
        high = (cutoff + margin) * (cutoff + margin);
      }
    }
  std::sort(bonds.begin(), bonds.end());
  return bonds;
}

BondGraph BuildGraph(std::vector<std::array<int, 2>> bonds, int atomCount) {
  BondGraph graph;
  graph.offsets.assign(atomCount + 1, 0);
  for (const auto& [a, b] : bonds) {
    ++graph.offsets[a + 1];
    ++graph.offsets[b + 1];
  }
  std::partial_sum(graph.offsets.begin(), graph.offsets.end(), graph.offsets.begin());
  graph.neighbours.resize(2 * bonds.size());
  graph.slotBond.resize(2 * bonds.size());
  std::vector<int> fill(graph.offsets.begin(), graph.offsets.end() - 1);
  for (int k = 0; k < static_cast<int>(bonds.size()); ++k)
    for (int side = 0; side < 2; ++side) {
      const int slot = fill[bonds[k][side]]++;
      graph.neighbours[slot] = bonds[k][1 - side];
      graph.slotBond[slot] = k;
    }
  graph.bonds = std::move(bonds);
  return graph;
}

/// The chordless cycles of 5 to 7 atoms, each once, as the list of their bonds.
class RingSearch {
 public:
  explicit RingSearch(const BondGraph& graph)
      : m_graph(graph),
        m_position(graph.offsets.size() - 1, -1),
        m_distance(graph.offsets.size() - 1, Far) {}

  /// Every ring's bonds, ring r in bonds[offsets[r] … offsets[r + 1] − 1].
  std::vector<int> bonds;
  std::vector<int> offsets{0};

  void Run() {
    for (int start = 0; start < static_cast<int>(m_position.size()); ++start) {
      MeasureDistances(start);
      Push(start, -1);
      Extend();
      Pop();
      for (int atom : m_near) m_distance[atom] = Far;
    }
  }

 private:
  /// Beyond the reach of the distances measured.
  static constexpr int Far = LargestRing / 2 + 1;

  /// Bond counts from `start` to the atoms after it, through such atoms, up to half the
  /// largest ring: an atom k bonds along a path can close a ring of at most LargestRing atoms
  /// only if it lies within LargestRing − k bonds of the start.
  void MeasureDistances(int start) {
    m_near.assign(1, start);
    m_distance[start] = 0;
    for (std::size_t k = 0; k < m_near.size(); ++k) {
      const int atom = m_near[k];
      if (m_distance[atom] + 1 >= Far) break;
      for (int slot = m_graph.offsets[atom]; slot < m_graph.offsets[atom + 1]; ++slot) {
        const int next = m_graph.neighbours[slot];
        if (next > start && m_distance[next] == Far) {
          m_distance[next] = m_distance[atom] + 1;
          m_near.push_back(next);
        }
      }
    }
  }

  void Push(int atom, int bond) {
    m_position[atom] = static_cast<int>(m_path.size());
    m_path.push_back(atom);
    m_pathBonds.push_back(bond);
  }
  void Pop() {
    m_position[m_path.back()] = -1;
    m_path.pop_back();
    m_pathBonds.pop_back();
  }

  /// Tries every neighbour of the path's last atom. The path stays chordless and starts at its
  /// smallest atom; a cycle is found from both ends, and kept from the one whose second atom
  /// is the smaller.
  void Extend() {
    const int start = m_path.front();
    const int last = m_path.back();
    const int length = static_cast<int>(m_path.size());
    for (int slot = m_graph.offsets[last]; slot < m_graph.offsets[last + 1]; ++slot) {
      const int next = m_graph.neighbours[slot];
      if (next <= start || m_position[next] >= 0 || m_distance[next] > LargestRing - length)
        continue;
      int closingBond = -1;
      bool chord = false;
      for (int k = m_graph.offsets[next]; k < m_graph.offsets[next + 1] && !chord; ++k) {
        const int at = m_position[m_graph.neighbours[k]];
        if (at == 0 && length > 1)
          closingBond = m_graph.slotBond[k];
        else if (at >= 0 && at != length - 1)
          chord = true;
      }
      if (chord) continue;
      if (closingBond >= 0) {
        if (length + 1 >= SmallestRing && m_path[1] < next)
          Record(m_graph.slotBond[slot], closingBond);
      } else if (length + 1 < LargestRing) {
        Push(next, m_graph.slotBond[slot]);
        Extend();
        Pop();
      }
    }
  }

  void Record(int lastBond, int closingBond) {
    bonds.insert(bonds.end(), m_pathBonds.begin() + 1, m_pathBonds.end());
    bonds.push_back(lastBond);
    bonds.push_back(closingBond);
    offsets.push_back(static_cast<int>(bonds.size()));
  }

  const BondGraph& m_graph;
  std::vector<int> m_position;  ///< an atom's place on the path, −1 off it
  std::vector<int> m_distance;  ///< bonds from the start, Far when further or not measured
  std::vector<int> m_near;      ///< the atoms whose distance is measured
  std::vector<int> m_path;
  std::vector<int> m_pathBonds;  ///< [k]: the bond from m_path[k − 1] to m_path[k]
};

int Root(std::vector<int>& parent, int r) {
  while (parent[r] != r) r = parent[r] = parent[parent[r]];
  return r;
}

std::string CountOfCarbonAtoms(int count) {
  return std::to_string(count) + (count == 1 ? " carbon atom" : " carbon atoms");
}

}  // namespace

namespace {

/// The carbon atoms of a frame and their bonds.
struct CarbonBonds {
  std::vector<int> frameIndex;  ///< of each carbon atom
  std::vector<std::array<int, 2>> bonds;
  double margin = 0;  ///< of FindBonds
};

CarbonBonds BondCarbons(const std::vector<FrameAtom>& atoms, const CageFinderOptions& options) {
  if (!(options.bondCutoff > 0) || !std::isfinite(options.bondCutoff))
    throw std::invalid_argument("the bond cutoff must be a distance greater than 0");
  CarbonBonds carbon;
  std::vector<Point> points;
  for (int i = 0; i < static_cast<int>(atoms.size()); ++i)
    if (atoms[i].carbon) {
      carbon.frameIndex.push_back(i);
      points.push_back({atoms[i].x, atoms[i].y, atoms[i].z});
    }
  carbon.bonds = FindBonds(points, options.bondCutoff, carbon.margin);
  return carbon;
}

/// The cages of the bonded carbon atoms.
CageSearch SearchCages(const CarbonBonds& carbon) {
  const std::vector<int>& frameIndex = carbon.frameIndex;
  const int carbons = static_cast<int>(frameIndex.size());
  const BondGraph graph = BuildGraph(carbon.bonds, carbons);
  RingSearch rings(graph);
  rings.Run();
  const int ringCount = static_cast<int>(rings.offsets.size()) - 1;

  // Rings that share a bond belong to one system.
  std::vector<int> parent(ringCount);
  std::iota(parent.begin(), parent.end(), 0);
  std::vector<int> bondRing(graph.bonds.size(), -1);
  std::vector<int> bondRings(graph.bonds.size(), 0);
  for (int r = 0; r < ringCount; ++r)
    for (int k = rings.offsets[r]; k < rings.offsets[r + 1]; ++k) {
      const int bond = rings.bonds[k];
      ++bondRings[bond];
      if (bondRing[bond] < 0)
        bondRing[bond] = r;
      else
        parent[Root(parent, r)] = Root(parent, bondRing[bond]);
    }

  // The rings in runs of one system each, a system named by its root ring.
  std::vector<int> system(ringCount), byRoot(ringCount);
  for (int r = 0; r < ringCount; ++r) system[r] = Root(parent, r);
  std::iota(byRoot.begin(), byRoot.end(), 0);
  std::stable_sort(byRoot.begin(), byRoot.end(),
                   [&](int r, int q) { return system[r] < system[q]; });

  CageSearch search;
  std::vector<int> member(carbons, -1);  ///< the system whose atoms are marked
  std::vector<int> local;
  std::size_t largest = 0;
  for (std::size_t begin = 0, end = 0; begin < byRoot.size(); begin = end) {
    const int root = system[byRoot[begin]];
    while (end < byRoot.size() && system[byRoot[end]] == root) ++end;
    local.clear();
    for (std::size_t at = begin; at < end; ++at) {
      const int r = byRoot[at];
      for (int k = rings.offsets[r]; k < rings.offsets[r + 1]; ++k)
        for (int a : graph.bonds[rings.bonds[k]])
          if (member[a] != root) {
            member[a] = root;
            local.push_back(a);
          }
    }
    largest = std::max(largest, local.size());
    if (static_cast<int>(local.size()) < MinimumCageAtoms) continue;
    FoundCage cage;
    for (int a : local) cage.atoms.push_back(frameIndex[a]);
    std::sort(cage.atoms.begin(), cage.atoms.end());
    for (int b = 0; b < static_cast<int>(graph.bonds.size()); ++b) {
      const auto& [first, second] = graph.bonds[b];
      if (member[first] != root || member[second] != root) continue;
      const bool ofSystem = bondRing[b] >= 0 && system[bondRing[b]] == root;
      if ((ofSystem ? bondRings[b] : 0) != 2) ++cage.openBonds;
    }
    search.cages.push_back(std::move(cage));
  }
  std::sort(search.cages.begin(), search.cages.end(),
            [](const FoundCage& a, const FoundCage& b) { return a.atoms[0] < b.atoms[0]; });

  if (carbons == 0) {
    search.message = "no carbon atoms";
  } else if (search.cages.empty()) {
    search.message = CountOfCarbonAtoms(carbons) + ", no ring system of at least " +
                     std::to_string(MinimumCageAtoms) + " atoms";
    if (largest > 0) search.message += " (the largest has " + std::to_string(largest) + ")";
  }
  return search;
}

}  // namespace

CageSearch FindCages(const std::vector<FrameAtom>& atoms, const CageFinderOptions& options) {
  return SearchCages(BondCarbons(atoms, options));
}

const CageSearch& CageFinder::Find(const std::vector<FrameAtom>& atoms,
                                   const CageFinderOptions& options) {
  if (NoneMovedFar(atoms, options)) return m_search;
  CarbonBonds carbon = BondCarbons(atoms, options);
  // The same bonds between the same atoms make the same cages.
  const bool sameBonds = options.bondCutoff == m_cutoff && atoms.size() == m_reference.size() &&
                         carbon.frameIndex == m_frameIndex && carbon.bonds == m_bonds;
  if (!sameBonds) m_search = SearchCages(carbon);
  m_reference = atoms;
  m_cutoff = options.bondCutoff;
  m_frameIndex = std::move(carbon.frameIndex);
  m_bonds = std::move(carbon.bonds);
  // A pair's distance changes by at most twice the largest move of its atoms; the factor below
  // one half leaves room for the rounding of the distances, and a margin within rounding of
  // zero is none. Frames with carbon coordinates that are not finite are searched afresh.
  m_reach = carbon.margin > 1e-9 ? 0.49 * carbon.margin : 0;
  for (const FrameAtom& atom : atoms)
    if (atom.carbon && !(std::isfinite(atom.x) && std::isfinite(atom.y) && std::isfinite(atom.z)))
      m_reach = 0;
  return m_search;
}

bool CageFinder::NoneMovedFar(const std::vector<FrameAtom>& atoms,
                              const CageFinderOptions& options) const {
  if (m_reach <= 0 || options.bondCutoff != m_cutoff || atoms.size() != m_reference.size())
    return false;
  const double reach = m_reach * m_reach;
  for (std::size_t i = 0; i < atoms.size(); ++i) {
    const FrameAtom& now = atoms[i];
    const FrameAtom& then = m_reference[i];
    if (now.carbon != then.carbon) return false;
    if (!now.carbon) continue;
    const double ex = now.x - then.x, ey = now.y - then.y, ez = now.z - then.z;
    // Also false for a coordinate that is not finite.
    if (!(ex * ex + ey * ey + ez * ez < reach)) return false;
  }
  return true;
}

CageSearch CarbonCage(const std::vector<FrameAtom>& atoms) {
  FoundCage cage;
  for (int i = 0; i < static_cast<int>(atoms.size()); ++i)
    if (atoms[i].carbon) cage.atoms.push_back(i);
  CageSearch search;
  if (cage.atoms.empty())
    search.message = "no carbon atoms";
  else
    search.cages.push_back(std::move(cage));
  return search;
}

namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

/// A 1-based atom number of the item `item`.
int AtomNumber(std::string_view digits, std::string_view item) {
  digits = Trimmed(digits);
  const std::string quoted = "\"" + std::string(item) + "\"";
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
    throw AtomListError(quoted + " is not an atom number or a range such as 1-60");
  long long value = 0;
  for (char c : digits) {
    value = value * 10 + (c - '0');
    if (value > INT_MAX) throw AtomListError(quoted + ": atom number too large");
  }
  if (value == 0) throw AtomListError(quoted + ": atom numbers start at 1");
  return static_cast<int>(value);
}

}  // namespace

std::vector<AtomRange> ParseAtomList(std::string_view text) {
  if (Trimmed(text).empty()) throw AtomListError("the atom list is empty");
  std::vector<AtomRange> list;
  std::size_t begin = 0;
  for (int itemNumber = 1;; ++itemNumber) {
    const std::size_t comma = text.find(',', begin);
    const std::string_view item =
        Trimmed(text.substr(begin, comma == std::string_view::npos ? comma : comma - begin));
    if (item.empty())
      throw AtomListError("item " + std::to_string(itemNumber) + " of the atom list is empty");
    const std::size_t dash = item.find('-');
    AtomRange range;
    range.first = AtomNumber(item.substr(0, dash), item);
    range.last =
        dash == std::string_view::npos ? range.first : AtomNumber(item.substr(dash + 1), item);
    if (range.last < range.first)
      throw AtomListError("\"" + std::string(item) + "\": the range ends before it starts");
    list.push_back(range);
    if (comma == std::string_view::npos) break;
    begin = comma + 1;
  }

  // Ranges sorted by their start overlap somewhere only if two neighbours overlap.
  std::vector<AtomRange> sorted = list;
  std::sort(sorted.begin(), sorted.end(),
            [](const AtomRange& a, const AtomRange& b) { return a.first < b.first; });
  for (std::size_t k = 1; k < sorted.size(); ++k)
    if (sorted[k].first <= sorted[k - 1].last)
      throw AtomListError("atom " + std::to_string(sorted[k].first) + " is listed twice");
  return list;
}

FoundCage ListedCage(const std::vector<AtomRange>& list, int frameAtoms) {
  FoundCage cage;
  for (const AtomRange& range : list) {
    if (range.last > frameAtoms)
      throw AtomListError("atom " + std::to_string(std::max(range.first, frameAtoms + 1)) +
                          " is listed, but the frame has " + std::to_string(frameAtoms) +
                          (frameAtoms == 1 ? " atom" : " atoms"));
    for (int number = range.first; number <= range.last; ++number) cage.atoms.push_back(number - 1);
  }
  std::sort(cage.atoms.begin(), cage.atoms.end());
  return cage;
}

}  // namespace ovalon
