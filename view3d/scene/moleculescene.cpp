#include "view3d/scene/moleculescene.h"

#include <cmath>
#include <string>
#include <utility>

namespace ovalon {
namespace {

/// The other atoms of one atom, the nearest first after sorting.
constexpr int OtherAtoms = AtomCount - 1;

/// Empties `slot`, then destroys the object it held, if any.
template <typename T>
void DestroySlot(T*& slot) {
  T* object = slot;
  slot = nullptr;
  delete object;
}

/// Atom i of `coords` as a scene position (rounded to 32 bits).
SceneVector AtomPosition(const PointSet& coords, int i) {
  return {static_cast<float>(coords.X.at(i)), static_cast<float>(coords.Y.at(i)),
          static_cast<float>(coords.Z.at(i))};
}

TGLSpaceText* NewText(const MoleculeView& view, const std::string& text) {
  auto* label = view.root->AddNewChild<TGLSpaceText>();
  label->SetText(text);
  return label;
}

TGLSpaceText* NewAtomLabel(const MoleculeView& view, int atom, SceneVector position) {
  TGLSpaceText* label = NewText(view, std::to_string(atom));
  label->SetPosition(position);
  FaceCamera(*label, *view.camera);
  return label;
}

}  // namespace

double TrackBarSetting(int position, int divisor) {
  return static_cast<double>(static_cast<Extended>(position) / divisor);
}

void FindNearestAtoms(const PointSet& coords, NearestAtomTable& atoms,
                      NearestDistanceTable& distances) {
  for (int i = 1; i <= AtomCount; ++i) {
    // Working list of the 59 other atoms, 1-based like the tables.
    FixedVector<OtherAtoms, double> distance;
    FixedVector<OtherAtoms, int> atom;
    int count = 0;
    for (int j = 1; j <= AtomCount; ++j) {
      if (j == i) continue;
      const Extended dx = static_cast<Extended>(coords.X.at(i)) - coords.X.at(j);
      const Extended dy = static_cast<Extended>(coords.Y.at(i)) - coords.Y.at(j);
      const Extended dz = static_cast<Extended>(coords.Z.at(i)) - coords.Z.at(j);
      Extended sum = 0;
      sum = dx * dx + sum;
      sum = dy * dy + sum;
      sum = dz * dz + sum;
      ++count;
      distance.at(count) = static_cast<double>(std::sqrt(sum));
      atom.at(count) = j;
    }
    // A bubble sort that swaps only on a strictly greater distance: equal distances keep
    // ascending atom numbers.
    for (int pass = OtherAtoms; pass >= 2; --pass) {
      for (int e = 1; e <= pass - 1; ++e) {
        if (distance.at(e) > distance.at(e + 1)) {
          std::swap(distance.at(e), distance.at(e + 1));
          std::swap(atom.at(e), atom.at(e + 1));
        }
      }
    }
    for (int k = 1; k <= 3; ++k) {
      atoms.at(i, k) = atom.at(k);
      distances.at(i, k) = distance.at(k);
    }
  }
}

Extended SelfPower(int n, Extended x) {
  for (int step = 1; step <= n; ++step) x = x == 0 ? 1 : std::exp(x * std::log(x));
  return x;
}

std::optional<std::int64_t> BondGreenLevel(double d, const SceneSettings& settings) {
  const Extended quotient = SelfPower(settings.SelfPowerCount, d) / settings.BondColorDivisor;
  if (!std::isfinite(quotient)) return std::nullopt;
  // The process rounds to nearest, so nearbyint takes halves to the even neighbour.
  const Extended rounded = std::nearbyint(quotient);
  if (rounded < -0x1p63L || rounded >= 0x1p63L) return std::nullopt;
  // 64-bit integer arithmetic without overflow checks: a difference beyond the range wraps.
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(settings.BondGreenBase) -
                                   static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded)));
}

void ApplyBondColor(TGLLines& line, double d, const SceneSettings& settings) {
  const std::optional<std::int64_t> level = BondGreenLevel(d, settings);
  if (level && *level >= 0 && *level <= 255) {
    line.SetLineColor(ColorFromRGB(0, static_cast<int>(*level), 0));
  }
}

Extended QuadricValueAt(const QuadricForm& form, double px, double py, double pz) {
  const Extended x = px;
  const Extended y = py;
  const Extended z = pz;
  Extended f = form.at(1) * (x * x);
  f = f + form.at(2) * (y * y);
  f = f + form.at(3) * (z * z);
  f = f + 2 * form.at(4) * x * y;
  f = f + 2 * form.at(5) * y * z;
  f = f + 2 * form.at(6) * x * z;
  f = f + 2 * form.at(7) * x;
  f = f + 2 * form.at(8) * y;
  f = f + 2 * form.at(9) * z;
  return f + 1;
}

SceneColor AtomColor(Extended quadricValue) {
  return quadricValue > 0 ? ColorFromRGB(0, 0, 255) : ColorFromRGB(255, 0, 0);
}

void FaceCamera(TGLSceneObject& object, const TGLCamera& camera) {
  const SceneVector p = camera.Position();
  const Extended px = p.x;
  const Extended py = p.y;
  const Extended pz = p.z;
  const Extended r = std::sqrt(px * px + py * py + pz * pz);
  object.SetDirection(
      {static_cast<float>(px / r), static_cast<float>(py / r), static_cast<float>(pz / r)});
  // Up set last stays exactly +Y; Direction keeps only its horizontal part.
  object.SetUp({0, 1, 0});
}

bool HasEllipsoid(const std::array<double, 3>& semiAxes) {
  const Extended sum = static_cast<Extended>(std::fabs(semiAxes[0])) + std::fabs(semiAxes[1]) +
                       std::fabs(semiAxes[2]);
  return sum != 0 && !std::isnan(sum);
}

void BuildMoleculeScene(const MoleculeView& view, const MoleculeData& data,
                        const SceneSettings& settings, bool withLabels,
                        NearestAtomTable& nearestAtoms, NearestDistanceTable& nearestDistances,
                        AtomSphereSlots& spheres, BondLineSlots& bondLines,
                        AtomLabelSlots& labels) {
  view.points->Positions().Clear();
  nearestAtoms = {};
  nearestDistances = {};
  FindNearestAtoms(data.transformedCoords, nearestAtoms, nearestDistances);
  if (!HasEllipsoid(data.semiAxes)) return;

  for (int i = 1; i <= AtomCount; ++i) {
    DestroySlot(spheres.at(i));
    if (bondLines.at(i, 1) != nullptr) {
      for (int k = 1; k <= 3; ++k) DestroySlot(bondLines.at(i, k));
    }
    const SceneVector position = AtomPosition(data.transformedCoords, i);
    view.points->Positions().Add(position.x, position.y, position.z);
    auto* sphere = view.root->AddNewChild<TGLSphere>();
    spheres.at(i) = sphere;

    for (int k = 1; k <= 3; ++k) {
      if (!(nearestDistances.at(i, k) <= settings.BondThreshold)) continue;
      auto* line = view.root->AddNewChild<TGLLines>();
      bondLines.at(i, k) = line;
      line->SetNodesAspect(lnaInvisible);
      line->SetLineWidth(static_cast<float>(settings.BondLineWidth));
      line->AddNode(position.x, position.y, position.z);
      const SceneVector other = AtomPosition(data.transformedCoords, nearestAtoms.at(i, k));
      line->AddNode(other.x, other.y, other.z);
      ApplyBondColor(*line, nearestDistances.at(i, k), settings);
    }

    sphere->SetRadius(static_cast<float>(settings.AtomRadius));
    sphere->SetPosition(position);
    sphere->Material().FrontProperties().SetDiffuse(
        AtomColor(QuadricValueAt(data.fitParams, data.atomCoords.X.at(i), data.atomCoords.Y.at(i),
                                 data.atomCoords.Z.at(i))));

    DestroySlot(labels.at(i));
    if (withLabels) labels.at(i) = NewAtomLabel(view, i, position);
  }
}

void CreateAtomLabels(const MoleculeView& view, const MoleculeData& data, AtomLabelSlots& labels) {
  if (!HasEllipsoid(data.semiAxes)) return;
  for (int i = 1; i <= AtomCount; ++i) {
    DestroySlot(labels.at(i));
    labels.at(i) = NewAtomLabel(view, i, AtomPosition(data.transformedCoords, i));
  }
}

void DestroyAtomLabels(AtomLabelSlots& labels) {
  for (int i = 1; i <= AtomCount; ++i) DestroySlot(labels.at(i));
}

void CreateAxisLabels(const MoleculeView& view, AxisLabelSlots& labels) {
  for (int axis = 1; axis <= 3; ++axis) DestroySlot(labels.at(axis));
  TGLSpaceText* x = labels.at(1) = NewText(view, "x");
  TGLSpaceText* y = labels.at(2) = NewText(view, "y");
  TGLSpaceText* z = labels.at(3) = NewText(view, "z");
  x->Adjust().SetHorz(haCenter);
  x->SetPosition(7, 0, 0);
  FaceCamera(*x, *view.camera);
  y->SetPosition(0, 7, 0);
  y->Adjust().SetHorz(haLeft);
  FaceCamera(*y, *view.camera);
  z->SetPosition(0, 0, 7);
  z->Adjust().SetHorz(haCenter);
  FaceCamera(*z, *view.camera);
  view.points->SetShowAxes(true);
}

void DestroyAxisLabels(const MoleculeView& view, AxisLabelSlots& labels) {
  for (int axis = 1; axis <= 3; ++axis) DestroySlot(labels.at(axis));
  view.points->SetShowAxes(false);
}

void RecolorBondLines(BondLineSlots& bondLines, const NearestDistanceTable& distances,
                      const SceneSettings& settings) {
  for (int i = 1; i <= AtomCount; ++i) {
    for (int k = 1; k <= 3; ++k) {
      if (bondLines.at(i, k) != nullptr) {
        ApplyBondColor(*bondLines.at(i, k), distances.at(i, k), settings);
      }
    }
  }
}

void SetBondLineWidths(BondLineSlots& bondLines, double width) {
  for (int i = 1; i <= AtomCount; ++i) {
    for (int k = 1; k <= 3; ++k) {
      if (bondLines.at(i, k) != nullptr)
        bondLines.at(i, k)->SetLineWidth(static_cast<float>(width));
    }
  }
}

void SetAtomRadii(AtomSphereSlots& spheres, double radius) {
  for (int i = 1; i <= AtomCount; ++i) {
    if (spheres.at(i) != nullptr) spheres.at(i)->SetRadius(static_cast<float>(radius));
  }
}

void FaceAtomLabels(AtomLabelSlots& labels, const TGLCamera& camera) {
  for (int i = 1; i <= AtomCount; ++i) {
    if (labels.at(i) != nullptr) FaceCamera(*labels.at(i), camera);
  }
}

void FaceAxisLabels(AxisLabelSlots& labels, const TGLCamera& camera) {
  if (labels.at(1) == nullptr) return;
  for (int axis = 1; axis <= 3; ++axis) {
    if (labels.at(axis) != nullptr) FaceCamera(*labels.at(axis), camera);
  }
}

float WheelDistanceRatio(int wheelDelta) {
  return static_cast<float>(std::pow(1.1L, static_cast<Extended>(wheelDelta) / 120));
}

}  // namespace ovalon
