// The molecule scene without a display: neighbour tables, the bond and atom colour rules, the
// labels turned to the camera, and what a build creates, keeps and replaces.

#include "view3d/scene/moleculescene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>

namespace ovalon {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

SceneSettings DefaultSettings() {
  // The values of a first build with the track bars at their initial positions.
  SceneSettings settings;
  settings.BondGreenBase = 100;
  settings.BondLineWidth = 4;
  settings.AtomRadius = 0.1;
  settings.BondThreshold = 1.5;
  settings.BondColorDivisor = 100;
  settings.SelfPowerCount = 3;
  return settings;
}

/// Atom i at (spacing · i, 0, 0).
PointSet AtomsOnALine(double spacing) {
  PointSet points;
  for (int i = 1; i <= AtomCount; ++i) points.X.at(i) = spacing * i;
  return points;
}

void ExpectVectorNear(SceneVector actual, SceneVector expected, float tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

TEST(FindNearestAtoms, NearestFirstAndTiesByAscendingAtomNumber) {
  struct Row {
    const char* name;
    PointSet coords;
    int atom;
    int nearest[3];
    double distances[3];
  };
  // On a line with unit spacing an inner atom has two neighbours at 1 and two at 2: the lower
  // number comes first. With all coordinates zero (no characteristics run yet) every distance
  // ties, leaving the three lowest-numbered other atoms.
  const PointSet line = AtomsOnALine(1);
  const Row rows[] = {
      {"first on the line", line, 1, {2, 3, 4}, {1, 2, 3}},
      {"inner", line, 30, {29, 31, 28}, {1, 1, 2}},
      {"last on the line", line, 60, {59, 58, 57}, {1, 2, 3}},
      {"all zero, atom 1", PointSet{}, 1, {2, 3, 4}, {0, 0, 0}},
      {"all zero, atom 2", PointSet{}, 2, {1, 3, 4}, {0, 0, 0}},
      {"all zero, atom 60", PointSet{}, 60, {1, 2, 3}, {0, 0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    NearestAtomTable atoms;
    NearestDistanceTable distances;
    FindNearestAtoms(row.coords, atoms, distances);
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(atoms.at(row.atom, k), row.nearest[k - 1]) << "k = " << k;
      EXPECT_EQ(distances.at(row.atom, k), row.distances[k - 1]) << "k = " << k;
    }
  }
}

TEST(FindNearestAtoms, DistancesInThreeDimensions) {
  // Atom 1 at the origin, atom 2 at (1, 2, 2) (distance 3), atom 3 at (2, 3, 6) (distance 7),
  // atom 4 at (-4, 4, 7) (distance 9); the others far away on the x axis.
  PointSet points = AtomsOnALine(100);
  points.X.at(1) = 0;
  points.X.at(2) = 1, points.Y.at(2) = 2, points.Z.at(2) = 2;
  points.X.at(3) = 2, points.Y.at(3) = 3, points.Z.at(3) = 6;
  points.X.at(4) = -4, points.Y.at(4) = 4, points.Z.at(4) = 7;
  NearestAtomTable atoms;
  NearestDistanceTable distances;
  FindNearestAtoms(points, atoms, distances);
  EXPECT_EQ(atoms.at(1, 1), 2);
  EXPECT_EQ(atoms.at(1, 2), 3);
  EXPECT_EQ(atoms.at(1, 3), 4);
  EXPECT_EQ(distances.at(1, 1), 3.0);
  EXPECT_EQ(distances.at(1, 2), 7.0);
  EXPECT_EQ(distances.at(1, 3), 9.0);
}

TEST(SelfPower, RepeatsXToThePowerX) {
  // Expected values: Python's decimal module at 50 digits, x := exp(x · ln x) three times.
  // The tolerance of 1e-16 relative covers three extended exp/ln steps (64-bit significands).
  struct Row {
    int n;
    Extended x;
    Extended expected;
  };
  const Row rows[] = {
      {0, 1.45L, 1.45L},
      {-2, 2.0L, 2.0L},
      {1, 0.0L, 1.0L},  // 0^0 = 1
      {2, 0.0L, 1.0L},
      {1, 2.0L, 4.0L},
      {2, 2.0L, 256.0L},
      {3, 1.45L, 10.225832905065149082L},
      {3, 1.6L, 2599.6971719162285055L},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "n = " << row.n << ", x = " << double(row.x));
    EXPECT_NEAR(double(SelfPower(row.n, row.x) / row.expected), 1.0, 1e-16);
  }
  EXPECT_TRUE(std::isnan(SelfPower(1, NaN)));
}

TEST(BondGreenLevel, DefaultsShadeOnlyLongBonds) {
  // SelfPower(3, d) from Python's decimal (50 digits); level = 100 − round(SelfPower / 100).
  // Up to about 1.5171 Å the quotient rounds to 0; from about 1.6176 Å the level is negative.
  struct Row {
    double d;
    std::int64_t level;
  };
  const Row rows[] = {
      {1.45, 100},   // 10.23
      {1.517, 100},  // 49.84
      {1.52, 99},    // 54.81
      {1.55, 98},    // 166.77
      {1.6, 74},     // 2599.70
      {1.617, 5},    // 9534.68
      {1.618, -4},   // 10369.20
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.d);
    EXPECT_EQ(BondGreenLevel(row.d, DefaultSettings()), std::optional<std::int64_t>(row.level));
  }
}

TEST(BondGreenLevel, HalvesRoundToEvenAndHugeQuotientsGiveNoLevel) {
  SceneSettings plain = DefaultSettings();
  plain.SelfPowerCount = 0;  // the quotient is d / divisor
  plain.BondColorDivisor = 1;
  plain.BondGreenBase = 10;
  EXPECT_EQ(BondGreenLevel(2.5, plain), 8);
  EXPECT_EQ(BondGreenLevel(3.5, plain), 6);
  EXPECT_EQ(BondGreenLevel(-2.5, plain), 12);
  EXPECT_EQ(BondGreenLevel(0x1p62, plain), 10 - (std::int64_t{1} << 62));
  EXPECT_EQ(BondGreenLevel(0x1p63, plain), std::nullopt);
  EXPECT_EQ(BondGreenLevel(-0x1p64, plain), std::nullopt);
  EXPECT_EQ(BondGreenLevel(NaN, plain), std::nullopt);
  EXPECT_EQ(BondGreenLevel(std::numeric_limits<double>::infinity(), plain), std::nullopt);
  // 4^4 = 256, and 256^256 (about 3e616) lies beyond the double range but within the extended
  // one; divided by 100 it is still far outside the 64-bit integers.
  EXPECT_EQ(BondGreenLevel(4.0, DefaultSettings()), std::nullopt);
  plain.BondColorDivisor = 0;
  EXPECT_EQ(BondGreenLevel(2.5, plain), std::nullopt);
}

TEST(ApplyBondColor, SetsOnlyLevelsFrom0To255) {
  const SceneColor white{1, 1, 1, 1};
  struct Row {
    int base;
    double d;
    SceneColor expected;
  };
  const Row rows[] = {
      {100, 1.45, ColorFromRGB(0, 100, 0)},
      {100, 1.6, ColorFromRGB(0, 74, 0)},
      {100, 1.618, white},  // level −4
      {0, 1.45, ColorFromRGB(0, 0, 0)},
      {255, 1.45, ColorFromRGB(0, 255, 0)},
      {300, 1.45, white},                    // level 300
      {300, 1.61, ColorFromRGB(0, 246, 0)},  // 300 − round(54.29)
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.base << ", " << row.d);
    SceneSettings settings = DefaultSettings();
    settings.BondGreenBase = row.base;
    TGLLines line;
    ApplyBondColor(line, row.d, settings);
    EXPECT_EQ(line.LineColor(), row.expected);
  }
}

TEST(AtomColor, BlueOutsideTheQuadricRedOnAndInside) {
  // F = 1 − x²/16: positive inside |x| < 4, zero on it, negative beyond.
  QuadricForm form;
  form.at(1) = -1.0L / 16;
  form.at(10) = 1;
  const SceneColor blue = ColorFromRGB(0, 0, 255);
  const SceneColor red = ColorFromRGB(255, 0, 0);
  EXPECT_EQ(AtomColor(QuadricValueAt(form, 0, 0, 0)), blue);
  EXPECT_EQ(QuadricValueAt(form, 4, 0, 0), 0);
  EXPECT_EQ(AtomColor(QuadricValueAt(form, 4, 0, 0)), red);
  EXPECT_EQ(AtomColor(QuadricValueAt(form, 5, 0, 0)), red);
  EXPECT_EQ(AtomColor(NaN), red);

  // Every coefficient at (1, −1, 2), by hand: 1 + 2 + 12 − 8 − 20 + 24 + 14 − 16 + 36 + 1.
  QuadricForm all;
  for (int k = 1; k <= 9; ++k) all.at(k) = k;
  all.at(10) = 1;
  EXPECT_EQ(QuadricValueAt(all, 1, -1, 2), 46);
}

TEST(FaceCamera, UprightTowardsTheCameraBearing) {
  struct Row {
    const char* name;
    SceneVector camera;
    SceneVector direction;
  };
  const float h = std::sqrt(0.5f);
  const Row rows[] = {
      {"start position", {1, 1, 1}, {h, 0, h}},
      {"general", {3, 7, 4}, {0.6f, 0, 0.8f}},
      {"behind", {0, -2, -3}, {0, 0, -1}},
      {"straight above", {0, 5, 0}, {0, 0, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TGLCamera camera;
    camera.SetPosition(row.camera);
    TGLSpaceText text;
    text.SetDirection({1, 0, 0});
    FaceCamera(text, camera);
    EXPECT_EQ(text.Up(), (SceneVector{0, 1, 0}));
    ExpectVectorNear(text.Direction(), row.direction, 1e-6f);
  }
}

TEST(WheelDistanceRatio, PowersOfOnePointOne) {
  EXPECT_FLOAT_EQ(WheelDistanceRatio(120), 1.1f);
  EXPECT_FLOAT_EQ(WheelDistanceRatio(-120), 1 / 1.1f);
  EXPECT_FLOAT_EQ(WheelDistanceRatio(240), 1.21f);
  EXPECT_FLOAT_EQ(WheelDistanceRatio(60), std::sqrt(1.1f));
  EXPECT_EQ(WheelDistanceRatio(0), 1.0f);
}

TEST(TrackBarSetting, DividesOnceInExtended) {
  EXPECT_EQ(TrackBarSetting(40, 10), 4.0);
  EXPECT_EQ(TrackBarSetting(1, 10), 0.1);
  EXPECT_EQ(TrackBarSetting(100, 1000), 0.1);
  EXPECT_EQ(TrackBarSetting(150, 100), 1.5);
  EXPECT_EQ(TrackBarSetting(120, 100), 1.2);
}

/// A scene like the window's: the camera at (1, 1, 1) looking at the points object at the
/// origin. The molecule is a row of atoms 1.5 Å apart (exactly the bond threshold) with atom 60
/// far off: atoms 1 and 59 have one bond line, atoms 2..58 two, atom 60 none. The file
/// coordinates put atom i at x = i, and the quadric F = 1 − x/32 makes atoms 1..31 blue and
/// 32..60 red (F = 0 exactly at atom 32).
class MoleculeFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    camera = scene.Objects().AddNewChild<TGLCamera>();
    points = scene.Objects().AddNewChild<TGLPoints>();
    camera->SetPosition(1, 1, 1);
    camera->SetTargetObject(points);
    view = {&scene.Objects(), camera, points};

    data.transformedCoords = AtomsOnALine(1.5);
    data.transformedCoords.X.at(60) = 0;
    data.transformedCoords.Y.at(60) = 50;
    for (int i = 1; i <= AtomCount; ++i) data.atomCoords.X.at(i) = i;
    data.fitParams.at(7) = -1.0L / 64;
    data.fitParams.at(10) = 1;
    data.semiAxes = {4, 3.5, 3};
  }
  void Build(bool withLabels = false) {
    BuildMoleculeScene(view, data, settings, withLabels, atoms, distances, spheres, bondLines,
                       labels);
  }
  int Children() { return static_cast<int>(scene.Objects().Children().size()); }
  static SceneVector At(const PointSet& p, int i) {
    return {float(p.X.at(i)), float(p.Y.at(i)), float(p.Z.at(i))};
  }

  TGLScene scene;
  TGLCamera* camera = nullptr;
  TGLPoints* points = nullptr;
  MoleculeView view;
  MoleculeData data;
  SceneSettings settings = DefaultSettings();
  NearestAtomTable atoms;
  NearestDistanceTable distances;
  AtomSphereSlots spheres;
  BondLineSlots bondLines;
  AtomLabelSlots labels;
  AxisLabelSlots axisLabels;
};

constexpr int DesignComponents = 2;  // camera and points
constexpr int LinesOfTheRow = 1 + 57 * 2 + 1;

TEST_F(MoleculeFixture, BuildCreatesSpheresAndBondLinesWithinTheThreshold) {
  Build();
  EXPECT_EQ(Children(), DesignComponents + AtomCount + LinesOfTheRow);
  ASSERT_EQ(points->Positions().Count(), AtomCount);
  const SceneColor blue = ColorFromRGB(0, 0, 255);
  const SceneColor red = ColorFromRGB(255, 0, 0);
  for (int i = 1; i <= AtomCount; ++i) {
    SCOPED_TRACE(i);
    const SceneVector at = At(data.transformedCoords, i);
    EXPECT_EQ(points->Positions().Items()[i - 1], at);
    ASSERT_NE(spheres.at(i), nullptr);
    EXPECT_EQ(spheres.at(i)->Position(), at);
    EXPECT_EQ(spheres.at(i)->Radius(), 0.1f);
    EXPECT_EQ(spheres.at(i)->Material().FrontProperties().Diffuse(), i < 32 ? blue : red);
    EXPECT_EQ(labels.at(i), nullptr);

    const int expectedLines = i == 60 ? 0 : (i == 1 || i == 59) ? 1 : 2;
    for (int k = 1; k <= 3; ++k) {
      TGLLines* line = bondLines.at(i, k);
      ASSERT_EQ(line != nullptr, k <= expectedLines) << "k = " << k;
      if (line == nullptr) continue;
      EXPECT_EQ(line->Parent(), &scene.Objects());
      EXPECT_EQ(line->NodesAspect(), lnaInvisible);
      EXPECT_EQ(line->LineWidth(), 4.0f);
      EXPECT_EQ(line->LineColor(), ColorFromRGB(0, 100, 0));
      ASSERT_EQ(line->Nodes().size(), 2u);
      EXPECT_EQ(line->Nodes()[0], at);
      EXPECT_EQ(line->Nodes()[1], At(data.transformedCoords, atoms.at(i, k)));
    }
  }
  // The tables are stored whether or not a line was drawn.
  EXPECT_EQ(atoms.at(60, 1), 1);
  EXPECT_EQ(atoms.at(30, 1), 29);
  EXPECT_EQ(atoms.at(30, 2), 31);
  EXPECT_EQ(distances.at(30, 2), 1.5);
}

TEST_F(MoleculeFixture, RebuildReplacesEverythingAndLabelsFollowTheToggle) {
  Build(true);
  EXPECT_EQ(Children(), DesignComponents + 2 * AtomCount + LinesOfTheRow);
  for (int i : {1, 60}) {
    SCOPED_TRACE(i);
    ASSERT_NE(labels.at(i), nullptr);
    EXPECT_EQ(labels.at(i)->Text(), std::to_string(i));
    EXPECT_EQ(labels.at(i)->Position(), At(data.transformedCoords, i));
    EXPECT_EQ(labels.at(i)->Up(), (SceneVector{0, 1, 0}));
    ExpectVectorNear(labels.at(i)->Direction(), {std::sqrt(0.5f), 0, std::sqrt(0.5f)}, 1e-6f);
  }

  // A second build with a lower threshold and new settings: nothing of the first one is left.
  settings.BondThreshold = 1.2;
  settings.AtomRadius = 0.25;
  Build(false);
  EXPECT_EQ(Children(), DesignComponents + AtomCount);
  EXPECT_EQ(points->Positions().Count(), AtomCount);
  for (int i = 1; i <= AtomCount; ++i) {
    EXPECT_EQ(labels.at(i), nullptr);
    EXPECT_EQ(bondLines.at(i, 1), nullptr);
    EXPECT_EQ(spheres.at(i)->Radius(), 0.25f);
  }
}

TEST_F(MoleculeFixture, NoEllipsoidKeepsTheSceneButRecomputesTheTables) {
  Build();
  const int built = Children();
  TGLSphere* sphere = spheres.at(5);
  for (const std::array<double, 3>& axes :
       {std::array<double, 3>{0, 0, 0}, std::array<double, 3>{NaN, 1, 1}}) {
    SCOPED_TRACE(axes[0]);
    data.semiAxes = axes;
    data.transformedCoords = PointSet{};
    Build(true);
    EXPECT_EQ(Children(), built);
    EXPECT_EQ(spheres.at(5), sphere);
    EXPECT_EQ(labels.at(5), nullptr);
    EXPECT_EQ(points->Positions().Count(), 0);
    EXPECT_EQ(atoms.at(1, 1), 2);
    EXPECT_EQ(distances.at(30, 1), 0.0);

    CreateAtomLabels(view, data, labels);
    EXPECT_EQ(Children(), built);
  }
}

TEST_F(MoleculeFixture, AtomLabelsAreReplacedAndDestroyed) {
  Build();
  CreateAtomLabels(view, data, labels);
  CreateAtomLabels(view, data, labels);
  EXPECT_EQ(Children(), DesignComponents + 2 * AtomCount + LinesOfTheRow);
  EXPECT_EQ(labels.at(42)->Text(), "42");
  DestroyAtomLabels(labels);
  EXPECT_EQ(Children(), DesignComponents + AtomCount + LinesOfTheRow);
  for (int i = 1; i <= AtomCount; ++i) EXPECT_EQ(labels.at(i), nullptr);
}

TEST_F(MoleculeFixture, AxisLabelsAtSevenWithTheAxes) {
  struct Row {
    const char* text;
    SceneVector position;
    TGLHorzAlignment horz;
  };
  const Row rows[] = {
      {"x", {7, 0, 0}, haCenter}, {"y", {0, 7, 0}, haLeft}, {"z", {0, 0, 7}, haCenter}};
  for (int pass = 0; pass < 2; ++pass) {  // down, up, down again
    CreateAxisLabels(view, axisLabels);
    EXPECT_EQ(Children(), DesignComponents + 3);
    EXPECT_TRUE(points->ShowAxes());
    for (int axis = 1; axis <= 3; ++axis) {
      const Row& row = rows[axis - 1];
      SCOPED_TRACE(row.text);
      TGLSpaceText* label = axisLabels.at(axis);
      ASSERT_NE(label, nullptr);
      EXPECT_EQ(label->Text(), row.text);
      EXPECT_EQ(label->Position(), row.position);
      EXPECT_EQ(label->Adjust().Horz(), row.horz);
      EXPECT_EQ(label->Up(), (SceneVector{0, 1, 0}));
      ExpectVectorNear(label->Direction(), {std::sqrt(0.5f), 0, std::sqrt(0.5f)}, 1e-6f);
    }
    DestroyAxisLabels(view, axisLabels);
    EXPECT_EQ(Children(), DesignComponents);
    EXPECT_FALSE(points->ShowAxes());
    for (int axis = 1; axis <= 3; ++axis) EXPECT_EQ(axisLabels.at(axis), nullptr);
  }
}

TEST_F(MoleculeFixture, StylingChangesEveryExistingObject) {
  Build(true);
  CreateAxisLabels(view, axisLabels);

  settings.BondGreenBase = 300;  // level 300: every line keeps its green 100
  RecolorBondLines(bondLines, distances, settings);
  EXPECT_EQ(bondLines.at(2, 2)->LineColor(), ColorFromRGB(0, 100, 0));
  settings.BondGreenBase = 200;
  RecolorBondLines(bondLines, distances, settings);
  EXPECT_EQ(bondLines.at(2, 2)->LineColor(), ColorFromRGB(0, 200, 0));

  SetBondLineWidths(bondLines, 0.1);
  SetAtomRadii(spheres, 0);
  for (int i = 1; i <= AtomCount; ++i) {
    EXPECT_EQ(spheres.at(i)->Radius(), 0.0f);
    for (int k = 1; k <= 3; ++k) {
      if (bondLines.at(i, k) != nullptr) {
        EXPECT_EQ(bondLines.at(i, k)->LineWidth(), 0.1f);
      }
    }
  }

  camera->SetPosition(-3, 0, 4);
  FaceAtomLabels(labels, *camera);
  FaceAxisLabels(axisLabels, *camera);
  ExpectVectorNear(labels.at(17)->Direction(), {-0.6f, 0, 0.8f}, 1e-6f);
  ExpectVectorNear(axisLabels.at(3)->Direction(), {-0.6f, 0, 0.8f}, 1e-6f);
}

}  // namespace
}  // namespace ovalon
