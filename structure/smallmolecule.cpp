#include "structure/smallmolecule.h"

#include <gemmi/elem.hpp>
#include <gemmi/symmetry.hpp>

#include <cmath>
#include <map>
#include <utility>

namespace ovalon {

namespace {

/// Added to the sum of two covalent radii; bonds in refined structures are rarely longer.
constexpr double BondTolerance = 0.45;

Triple Apply(const SymmetryOperator& op, const Triple& f) {
  Triple g{};
  for (int i = 0; i < 3; ++i)
    g[i] = op.rotation[i][0] * f[0] + op.rotation[i][1] * f[1] + op.rotation[i][2] * f[2] +
           op.translation[i] / static_cast<double>(gemmi::Op::DEN);
  return g;
}

Triple Multiply(const CellMatrix& m, const Triple& f) {
  Triple x{};
  for (int i = 0; i < 3; ++i)
    x[i] = static_cast<double>(m[i][0] * f[0] + m[i][1] * f[1] + m[i][2] * f[2]);
  return x;
}

double Distance(const Triple& a, const Triple& b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                   (a[2] - b[2]) * (a[2] - b[2]));
}

/// An atom taken into the completed molecules: which site, by which operator and lattice shift.
struct Placed {
  std::size_t site = 0;
  SymmetryOperator op;
  Triple fractional{};
  Triple cartesian{};
};

bool OnTakenSite(const std::vector<Placed>& taken, const Triple& cartesian) {
  for (const Placed& p : taken)
    if (Distance(p.cartesian, cartesian) < SameSiteDistance) return true;
  return false;
}

CellMatrix RotationMatrix(const SymmetryOperator& op) {
  CellMatrix r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = op.rotation[i][j];
  return r;
}

std::string JoinLabels(const std::vector<std::string>& labels) {
  std::string text;
  for (const std::string& label : labels) text += (text.empty() ? "" : ", ") + label;
  return text;
}

/// The text of an occupancy for a note: up to four decimals, no trailing zeros.
std::string OccupancyText(double occupancy) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4g", occupancy);
  return buffer;
}

}  // namespace

SymmetryOperator IdentityOperator() {
  SymmetryOperator op;
  for (int i = 0; i < 3; ++i) op.rotation[i][i] = 1;
  return op;
}

std::string OperatorText(const SymmetryOperator& op) {
  gemmi::Op g;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) g.rot[i][j] = op.rotation[i][j] * gemmi::Op::DEN;
    g.tran[i] = op.translation[i];
  }
  return g.triplet();
}

std::vector<AtomSite> SelectDisorder(const std::vector<AtomSite>& sites,
                                     std::vector<std::string>& notes) {
  struct Group {
    double occupancySum = 0;
    int count = 0;
    std::size_t firstSeen = 0;
    std::vector<std::string> labels;
  };
  std::map<std::string, std::map<std::string, Group>> assemblies;
  for (std::size_t i = 0; i < sites.size(); ++i) {
    const AtomSite& site = sites[i];
    if (site.disorderGroup.empty()) continue;
    Group& group = assemblies[site.disorderAssembly][site.disorderGroup];
    if (group.count == 0) group.firstSeen = i;
    group.occupancySum += site.occupancy;
    ++group.count;
    group.labels.push_back(site.label);
  }
  std::map<std::string, std::string> chosen;
  for (const auto& [assembly, groups] : assemblies) {
    const std::pair<const std::string, Group>* best = nullptr;
    for (const auto& entry : groups) {
      if (best == nullptr) {
        best = &entry;
        continue;
      }
      const double mean = entry.second.occupancySum / entry.second.count;
      const double bestMean = best->second.occupancySum / best->second.count;
      const bool tie = std::fabs(mean - bestMean) < 1e-6;
      if ((!tie && mean > bestMean) ||
          (tie && best->first != "1" &&
           (entry.first == "1" || entry.second.firstSeen < best->second.firstSeen)))
        best = &entry;
    }
    chosen[assembly] = best->first;
    for (const auto& [name, group] : groups) {
      if (name == best->first) continue;
      const std::string where = assembly.empty() ? "" : " of assembly " + assembly;
      notes.push_back("disorder: left out group " + name + where + " (occupancy " +
                      OccupancyText(group.occupancySum / group.count) + "): " +
                      JoinLabels(group.labels) + "; kept group " + best->first +
                      " (occupancy " +
                      OccupancyText(best->second.occupancySum / best->second.count) + ")");
    }
  }
  std::vector<AtomSite> kept;
  for (const AtomSite& site : sites)
    if (site.disorderGroup.empty() || chosen[site.disorderAssembly] == site.disorderGroup)
      kept.push_back(site);
  return kept;
}

double BondingDistance(const std::string& element1, const std::string& element2) {
  return gemmi::Element(element1).covalent_r() + gemmi::Element(element2).covalent_r() +
         BondTolerance;
}

StructureFrame CompleteMolecules(const AsymmetricUnit& unit, const std::string& where) {
  const CellMatrix m = Orthogonalisation(unit.cell);
  // The identity first, so that an atom stands where the file puts it rather than at an image.
  std::vector<SymmetryOperator> operators = {IdentityOperator()};
  for (const SymmetryOperator& op : unit.operators)
    if (op.rotation != operators[0].rotation || op.translation != operators[0].translation)
      operators.push_back(op);
  // A finite molecule holds each pair of site and operator at most once; more atoms than that
  // means the images go on without end.
  const std::size_t limit = unit.sites.size() * operators.size();
  std::vector<Placed> taken;
  std::vector<bool> covered(unit.sites.size(), false);
  // Each molecule grows from the first site that no molecule holds yet, so a molecule split
  // across the cell's edge, or into parts that symmetry relates, is built once.
  for (std::size_t seed = 0; seed < unit.sites.size(); ++seed) {
    if (covered[seed]) continue;
    covered[seed] = true;
    const Triple start = unit.sites[seed].fractional;
    if (OnTakenSite(taken, Multiply(m, start))) continue;
    taken.push_back({seed, IdentityOperator(), start, Multiply(m, start)});
    std::vector<std::size_t> frontier = {taken.size() - 1};
    while (!frontier.empty()) {
      std::vector<std::size_t> next;
      for (std::size_t k : frontier) {
        for (const SymmetryOperator& op : operators) {
          for (std::size_t s = 0; s < unit.sites.size(); ++s) {
            const Triple g = Apply(op, unit.sites[s].fractional);
            SymmetryOperator shifted = op;
            Triple candidate{};
            for (int i = 0; i < 3; ++i) {
              const double shift = std::round(taken[k].fractional[i] - g[i]);
              candidate[i] = g[i] + shift;
              shifted.translation[i] += static_cast<int>(shift) * gemmi::Op::DEN;
            }
            const Triple cartesian = Multiply(m, candidate);
            const std::string& element = unit.sites[taken[k].site].element;
            if (Distance(cartesian, taken[k].cartesian) >
                BondingDistance(element, unit.sites[s].element))
              continue;
            if (OnTakenSite(taken, cartesian)) continue;
            taken.push_back({s, shifted, candidate, cartesian});
            covered[s] = true;
            next.push_back(taken.size() - 1);
            if (taken.size() > limit)
              throw StructureError(where +
                                   ": the symmetry images of the atoms bond without end (a "
                                   "polymer or a framework), so there are no molecules to "
                                   "complete");
          }
        }
      }
      frontier = std::move(next);
    }
  }
  StructureFrame frame;
  frame.cell = unit.cellText;
  std::size_t images = 0;
  for (const Placed& p : taken) {
    const AtomSite& site = unit.sites[p.site];
    const CartesianSite c = ToCartesian(unit.cell, RotationMatrix(p.op), p.fractional, site.sigma);
    const bool image = p.op.rotation != IdentityOperator().rotation ||
                       p.op.translation != IdentityOperator().translation;
    images += image ? 1 : 0;
    frame.atoms.push_back(
        {site.element, site.label, image ? OperatorText(p.op) : std::string(), c.position, c.sigma});
  }
  frame.notes.push_back("symmetry: " + unit.symmetrySource + "; " +
                        std::to_string(unit.sites.size()) + " sites of the asymmetric unit give " +
                        std::to_string(taken.size()) + " atoms of complete molecules, " +
                        std::to_string(images) + " of them symmetry images");
  return frame;
}

}  // namespace ovalon
