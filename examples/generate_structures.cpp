// Writes the sample structure files of the examples folder from the ideal cage of
// c60_ideal.xyz: a C60 solvate CIF, a two-model PDB file and a two-frame extended XYZ file.
// Usage: ovalon-generate-structures EXAMPLES_DIR OUTPUT_DIR
//
// The CIF is what a refinement would give for C60·CH2Cl2 in P2₁/c: the cage sits on the
// inversion centre at the origin, so the asymmetric unit holds 30 of its atoms (those on one
// side of a plane through the centre); fractional coordinates carry standard uncertainties,
// and so does the cell. The solvent's chlorine atoms are disordered over two orientations
// (disorder groups 1 and 2, occupancies 0.65 and 0.35) about its common carbon atom.

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Vec = std::array<double, 3>;
using Mat = std::array<Vec, 3>;

constexpr double Degree = 3.14159265358979323846 / 180;

std::vector<Vec> ReadCage(const std::string& path) {
  std::ifstream in(path);
  std::vector<Vec> atoms;
  std::string line;
  while (std::getline(in, line)) {
    Vec p;
    if (!line.empty() && line[0] == 'C' && std::sscanf(line.c_str() + 1, "%lf %lf %lf", &p[0], &p[1], &p[2]) == 3)
      atoms.push_back(p);
  }
  return atoms;
}

Vec Multiply(const Mat& m, const Vec& v) {
  return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
          m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
          m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

/// Rotation about z by c, then y by b, then x by a.
Mat Rotation(double a, double b, double c) {
  const Mat z = {{{std::cos(c), -std::sin(c), 0}, {std::sin(c), std::cos(c), 0}, {0, 0, 1}}};
  const Mat y = {{{std::cos(b), 0, std::sin(b)}, {0, 1, 0}, {-std::sin(b), 0, std::cos(b)}}};
  const Mat x = {{{1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)}}};
  Mat r{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) r[i][j] += x[i][k] * y[k][l] * z[l][j];
  return r;
}

// The monoclinic cell: a along x, b along y, c in the xz plane at β from a.
constexpr double A = 10.2185, B = 14.3520, C = 16.0415, Beta = 98.372;

Vec Fractional(const Vec& x) {
  const double cb = std::cos(Beta * Degree), sb = std::sin(Beta * Degree);
  const double fz = x[2] / (C * sb);
  return {(x[0] - C * cb * fz) / A, x[1] / B, fz};
}

Vec Cartesian(const Vec& f) {
  const double cb = std::cos(Beta * Degree), sb = std::sin(Beta * Degree);
  return {A * f[0] + C * cb * f[2], B * f[1], C * sb * f[2]};
}

/// The four operators of P2₁/c applied to f.
std::array<Vec, 4> Images(const Vec& f) {
  return {{{f[0], f[1], f[2]},
           {-f[0], f[1] + 0.5, -f[2] + 0.5},
           {-f[0], -f[1], -f[2]},
           {f[0], -f[1] + 0.5, f[2] + 0.5}}};
}

/// The shortest distance from x to any image of the atoms at fractional `sites`, over the
/// operators and the neighbouring cells, leaving out x itself.
double Clearance(const Vec& x, const std::vector<Vec>& sites) {
  double shortest = 1e9;
  for (const Vec& site : sites)
    for (const Vec& g : Images(site))
      for (int i = -2; i <= 2; ++i)
        for (int j = -2; j <= 2; ++j)
          for (int k = -2; k <= 2; ++k) {
            const Vec y = Cartesian({g[0] + i, g[1] + j, g[2] + k});
            const double d = std::hypot(y[0] - x[0], y[1] - x[1], y[2] - x[2]);
            if (d > 1e-6) shortest = std::min(shortest, d);
          }
  return shortest;
}

/// The shortest distance from the point at fractional f to its own images.
double SelfClearance(const Vec& f) {
  const Vec x = Cartesian(f);
  double shortest = 1e9;
  const std::array<Vec, 4> images = Images(f);
  for (std::size_t n = 0; n < images.size(); ++n)
    for (int i = -2; i <= 2; ++i)
      for (int j = -2; j <= 2; ++j)
        for (int k = -2; k <= 2; ++k) {
          if (n == 0 && i == 0 && j == 0 && k == 0) continue;
          const Vec y = Cartesian({images[n][0] + i, images[n][1] + j, images[n][2] + k});
          shortest = std::min(shortest, std::hypot(y[0] - x[0], y[1] - x[1], y[2] - x[2]));
        }
  return shortest;
}

/// The point of a grid over the cell that lies farthest from every image of the cage, among
/// those at least 5 Å from their own images (a molecule there lies on no symmetry element).
Vec FarthestFrom(const std::vector<Vec>& cage) {
  Vec best{};
  double bestClearance = 0;
  for (int i = 0; i < 20; ++i)
    for (int j = 0; j < 20; ++j)
      for (int k = 0; k < 20; ++k) {
        const Vec x = Cartesian({i / 20.0, j / 20.0, k / 20.0});
        const double clearance = Clearance(x, cage);
        if (clearance > bestClearance + 1e-9 && SelfClearance(Fractional(x)) >= 5.0) {
          bestClearance = clearance;
          best = x;
        }
      }
  return best;
}

/// "0.12345(3)": five decimals and an uncertainty of `su` in units of the last one.
std::string WithUncertainty(double value, int su) {
  char text[64];
  std::snprintf(text, sizeof text, "%.5f(%d)", value, su);
  return text;
}

std::string SiteLine(const std::string& label, const std::string& type, const Vec& f, int su,
                     const std::string& occupancy, const std::string& part) {
  std::ostringstream line;
  line << label << ' ' << type << ' ' << WithUncertainty(f[0], su) << ' '
       << WithUncertainty(f[1], su + 1) << ' ' << WithUncertainty(f[2], su) << " 0.0"
       << (type == "Cl" ? "45(2)" : "21(1)") << " Uani " << occupancy << " 1 d "
       << (part == "." ? "." : "A") << ' ' << part;
  return line.str();
}

std::vector<std::string> SolvateCif(const std::vector<Vec>& ideal) {
  std::vector<std::string> lines = {
      "data_c60_solvate",
      "_audit_creation_method 'ovalon-generate-structures'",
      "_chemical_name_common 'fullerene C60 dichloromethane solvate'",
      "_chemical_formula_sum 'C61 H2 Cl2'",
      "_space_group_crystal_system monoclinic",
      "_space_group_IT_number 14",
      "_space_group_name_H-M_alt 'P 1 21/c 1'",
      "_space_group_name_Hall '-P 2ybc'",
      "loop_",
      "_space_group_symop_id",
      "_space_group_symop_operation_xyz",
      "1 'x, y, z'",
      "2 '-x, y+1/2, -z+1/2'",
      "3 '-x, -y, -z'",
      "4 'x, -y+1/2, z+1/2'",
      "_cell_length_a 10.2185(12)",
      "_cell_length_b 14.3520(15)",
      "_cell_length_c 16.0415(17)",
      "_cell_angle_alpha 90",
      "_cell_angle_beta 98.372(8)",
      "_cell_angle_gamma 90",
      "_cell_volume 2327.3(4)",
      "_cell_formula_units_Z 4",
      "_cell_measurement_temperature 100(2)",
      "loop_",
      "_atom_site_label",
      "_atom_site_type_symbol",
      "_atom_site_fract_x",
      "_atom_site_fract_y",
      "_atom_site_fract_z",
      "_atom_site_U_iso_or_equiv",
      "_atom_site_adp_type",
      "_atom_site_occupancy",
      "_atom_site_site_symmetry_order",
      "_atom_site_calc_flag",
      "_atom_site_disorder_assembly",
      "_atom_site_disorder_group",
  };
  // Half the cage: the atoms on the positive side of a plane through its centre that passes
  // through no atom.
  const Mat orientation = Rotation(0.31, -0.47, 0.83);
  const Vec normal = {0.28, 0.51, 0.81};
  int number = 0;
  std::vector<Vec> cage;
  for (const Vec& p : ideal) {
    const Vec x = Multiply(orientation, p);
    cage.push_back(Fractional(x));
    if (normal[0] * x[0] + normal[1] * x[1] + normal[2] * x[2] <= 0) continue;
    ++number;
    lines.push_back(SiteLine("C" + std::to_string(number), "C", Fractional(x), 2 + number % 3,
                             "1", "."));
  }
  // Dichloromethane in the largest void: C–Cl 1.772 Å, Cl–C–Cl 111.8°; the second
  // orientation is the first turned by 90° about the molecule's twofold axis.
  const Vec centre = FarthestFrom(cage);
  const double half = 111.8 / 2 * Degree, bond = 1.772;
  auto chlorines = [&](double turn) {
    std::array<Vec, 2> cl;
    for (int s = 0; s < 2; ++s) {
      const double side = (s == 0 ? 1 : -1) * bond * std::sin(half);
      const Vec offset = {side * std::cos(turn), side * std::sin(turn), bond * std::cos(half)};
      for (int i = 0; i < 3; ++i) cl[s][i] = centre[i] + offset[i];
    }
    return cl;
  };
  lines.push_back(SiteLine("C1S", "C", Fractional(centre), 4, "1", "."));
  const std::array<Vec, 2> major = chlorines(0.4), minor = chlorines(0.4 + 90 * Degree);
  // Nothing of the solvent may come within bonding distance of the cages or of the other
  // solvent molecules; the reader would take them for one molecule.
  std::vector<Vec> all = cage;
  for (const Vec& x : {centre, major[0], major[1], minor[0], minor[1]}) all.push_back(Fractional(x));
  for (const Vec& x : {centre, major[0], major[1], minor[0], minor[1]})
    if (Clearance(x, cage) < 3.0 || Clearance(x, {all.end() - 5, all.end()}) < 1.5) {
      std::fprintf(stderr, "the solvent does not fit the cell\n");
      std::exit(1);
    }
  lines.push_back(SiteLine("Cl1A", "Cl", Fractional(major[0]), 2, "0.652(4)", "1"));
  lines.push_back(SiteLine("Cl2A", "Cl", Fractional(major[1]), 2, "0.652(4)", "1"));
  lines.push_back(SiteLine("Cl1B", "Cl", Fractional(minor[0]), 5, "0.348(4)", "2"));
  lines.push_back(SiteLine("Cl2B", "Cl", Fractional(minor[1]), 5, "0.348(4)", "2"));
  return lines;
}

std::string PdbAtom(int serial, const std::string& name, char altloc, const Vec& p,
                    double occupancy) {
  char line[96];
  std::snprintf(line, sizeof line, "HETATM%5d %-4s%c%3s %c%4d    %8.3f%8.3f%8.3f%6.2f%6.2f          %2s",
                serial, name.c_str(), altloc, "C60", 'A', 1, p[0], p[1], p[2], occupancy, 10.0, " C");
  return line;
}

/// Model 1: the ideal cage, its first atom in two alternate locations; model 2: the cage
/// stretched by 4 % along x.
std::vector<std::string> TwoModelPdb(const std::vector<Vec>& ideal) {
  std::vector<std::string> lines = {"HEADER    FULLERENE                               01-JAN-25   XXXX",
                                    "TITLE     C60 IN TWO MODELS, ALTERNATE LOCATIONS IN MODEL 1"};
  for (int model = 1; model <= 2; ++model) {
    char header[32];
    std::snprintf(header, sizeof header, "MODEL     %4d", model);
    lines.push_back(header);
    int serial = 0;
    for (std::size_t k = 0; k < ideal.size(); ++k) {
      Vec p = ideal[k];
      if (model == 2) p[0] *= 1.04;
      const std::string name = "C" + std::to_string(k + 1);
      if (model == 1 && k == 0) {
        lines.push_back(PdbAtom(++serial, name, 'A', p, 0.70));
        lines.push_back(PdbAtom(++serial, name, 'B', {p[0] + 0.25, p[1], p[2]}, 0.30));
      } else {
        lines.push_back(PdbAtom(++serial, name, ' ', p, 1.00));
      }
    }
    lines.push_back("ENDMDL");
  }
  lines.push_back("END");
  return lines;
}

/// Frame 1: the ideal cage with σ 0.002 Å; frame 2: stretched by 4 % along x, σ growing
/// along the cage.
std::vector<std::string> TwoFrameExtendedXyz(const std::vector<Vec>& ideal) {
  std::vector<std::string> lines;
  for (int frame = 1; frame <= 2; ++frame) {
    lines.push_back(std::to_string(ideal.size()));
    lines.push_back(std::string("Lattice=\"20.0 0.0 0.0 0.0 20.0 0.0 0.0 0.0 20.0\" ") +
                    "Properties=species:S:1:pos:R:3:sigma:R:3 comment=\"C60, frame " +
                    std::to_string(frame) + "\" pbc=\"F F F\"");
    for (std::size_t k = 0; k < ideal.size(); ++k) {
      Vec p = ideal[k];
      if (frame == 2) p[0] *= 1.04;
      const double s = frame == 1 ? 0.002 : 0.001 + 0.0005 * static_cast<double>(k % 5);
      char line[160];
      std::snprintf(line, sizeof line, "C %12.6f %12.6f %12.6f %8.4f %8.4f %8.4f", p[0], p[1], p[2],
                    s, s, s);
      lines.push_back(line);
    }
  }
  return lines;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::perror(path.c_str());
    return false;
  }
  for (const std::string& line : lines) std::fprintf(file, "%s\n", line.c_str());
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s EXAMPLES_DIR OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const std::vector<Vec> ideal = ReadCage(std::string(argv[1]) + "/c60_ideal.xyz");
  if (ideal.size() != 60) {
    std::fprintf(stderr, "%s/c60_ideal.xyz: expected 60 atoms, found %zu\n", argv[1], ideal.size());
    return 1;
  }
  const std::string dir = argv[2];
  const bool ok = WriteLines(dir + "/c60_solvate.cif", SolvateCif(ideal)) &&
                  WriteLines(dir + "/c60_models.pdb", TwoModelPdb(ideal)) &&
                  WriteLines(dir + "/c60_frames.extxyz", TwoFrameExtendedXyz(ideal));
  return ok ? 0 : 1;
}
