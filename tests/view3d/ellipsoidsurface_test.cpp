// The ellipsoid surface without a display: the sampling ranges of the two halves and the
// heights at the centre, on the closing ring and beyond it.

#include "view3d/scene/ellipsoidsurface.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace ovalon {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const std::array<double, 3> Axes{4, 3, 2};
// The steps of a shown surface with these axes: 4/150 and 3/150.
const float StepX = static_cast<float>(4.0L / 150);
const float StepY = static_cast<float>(3.0L / 150);

TEST(EllipsoidHeight, SurfaceInsideRingOfZerosThenNothing) {
  struct Row {
    const char* name;
    int sign;
    float x, y;
    float expected;  // NaN: not a number
  };
  const float inner = 2 * std::sqrt(0.75f);  // u + w = 1/4
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Row rows[] = {
      {"centre, upper", +1, 0, 0, 2},
      {"centre, lower", -1, 0, 0, -2},
      {"inside along x", +1, 2, 0, inner},
      {"inside along y, lower", -1, 0, 1.5f, -inner},
      {"on the footprint", +1, 4, 0, 0},
      {"on the footprint, lower", -1, 0, -3, 0},
      {"on the ring along x", +1, 4.02f, 0, 0},
      {"on the ring along y", -1, 0, -3.015f, 0},
      // (4 cos 45°, 3 sin 45°) pushed out by 0.3 %: (x/(4 + sx))² + (y/(3 + sy))² ≈ 0.993.
      {"on the ring, diagonal", +1, 2.8369f, 2.1277f, 0},
      {"beyond the ring along x", +1, 4.03f, 0, nan},
      {"beyond the ring along y", -1, 0, 3.025f, nan},
      {"beyond, diagonal", +1, 3, 2.5f, nan},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const float z = EllipsoidHeight(Axes, row.sign, row.x, row.y, StepX, StepY);
    if (std::isnan(row.expected)) {
      EXPECT_TRUE(std::isnan(z)) << z;
    } else {
      EXPECT_FLOAT_EQ(z, row.expected);
    }
  }
}

/// Two fields set up like the window's halves, with a call counter on the upper one.
class SurfaceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    for (TGLHeightField* field : {&upper, &lower}) {
      field->XSamplingScale().SetStep(0.1f);
      field->YSamplingScale().SetStep(0.1f);
    }
    upper.SetOnGetHeight([this](float x, float y, float& z, SceneColor&, TexPoint&) {
      ++calls;
      z = EllipsoidHeight(axes, +1, x, y, upper.XSamplingScale().Step(),
                          upper.YSamplingScale().Step());
    });
  }
  TGLHeightField upper;
  TGLHeightField lower;
  std::array<double, 3> axes = Axes;
  int calls = 0;
};

TEST_F(SurfaceFixture, ShownSamplesTheFootprintOfBothHalves) {
  SetEllipsoidSampling(upper, lower, axes, 150, true);
  for (TGLHeightField* field : {&upper, &lower}) {
    const TGLSamplingScale& x = field->XSamplingScale();
    const TGLSamplingScale& y = field->YSamplingScale();
    EXPECT_EQ(x.Step(), StepX);
    EXPECT_EQ(y.Step(), StepY);
    EXPECT_EQ(x.Min(), -4.0f);
    EXPECT_EQ(x.Max(), 4.0f);
    EXPECT_EQ(y.Min(), -3.0f);
    EXPECT_EQ(y.Max(), 3.0f);
    EXPECT_EQ(x.Origin(), 0.0f);
    for (const TGLSamplingScale* scale : {&x, &y}) {
      const auto samples = SampleAxis(*scale).size();
      EXPECT_GE(samples, 299u);
      EXPECT_LE(samples, 301u);
    }
  }

  // Every drawn vertex lies on the ellipsoid or, at height 0, on the ring one step wide; the
  // ring is there all round (the equator is closed), and about π/4 of the grid is drawn.
  const HeightFieldMesh& mesh = upper.Mesh();
  EXPECT_EQ(calls, mesh.rows * mesh.columns);
  int drawn = 0;
  int ring = 0;
  int ringQuadrants[4] = {};
  for (const SceneVector& v : mesh.vertices) {
    if (!std::isfinite(v.z)) continue;
    ++drawn;
    const double footprint = std::pow(v.x / 4.0, 2) + std::pow(v.y / 3.0, 2);
    if (footprint >= 1) {
      EXPECT_EQ(v.z, 0.0f);
      EXPECT_LT(std::pow(v.x / (4.0 + StepX), 2) + std::pow(v.y / (3.0 + StepY), 2), 1.0);
      ++ring;
      ++ringQuadrants[(v.x < 0) + 2 * (v.y < 0)];
    } else {
      EXPECT_NEAR(footprint + std::pow(v.z / 2.0, 2), 1.0, 1e-5);
    }
  }
  const double grid = double(mesh.rows) * mesh.columns;
  EXPECT_NEAR(drawn / grid, std::acos(-1.0) / 4, 0.01);
  EXPECT_GT(ring, 300);
  for (int quadrant : ringQuadrants) EXPECT_GT(quadrant, 50);
}

TEST_F(SurfaceFixture, HiddenKeepsTheStepsAndDrawsNothing) {
  SetEllipsoidSampling(upper, lower, axes, 150, true);
  upper.Mesh();
  calls = 0;
  SetEllipsoidSampling(upper, lower, axes, 150, false);
  for (TGLHeightField* field : {&upper, &lower}) {
    for (const TGLSamplingScale* scale : {&field->XSamplingScale(), &field->YSamplingScale()}) {
      EXPECT_EQ(scale->Min(), 0.0f);
      EXPECT_EQ(scale->Max(), 0.0f);
      EXPECT_FALSE(scale->IsUsable());
    }
    EXPECT_EQ(field->XSamplingScale().Step(), StepX);
    EXPECT_EQ(field->YSamplingScale().Step(), StepY);
  }
  EXPECT_TRUE(upper.Mesh().vertices.empty());
  EXPECT_EQ(calls, 0);

  // Shown again: sampled anew from the semi-axes of that moment.
  axes = {2, 2, 1};
  SetEllipsoidSampling(upper, lower, axes, 150, true);
  EXPECT_EQ(upper.XSamplingScale().Max(), 2.0f);
  EXPECT_FALSE(upper.Mesh().vertices.empty());
  EXPECT_GT(calls, 0);
}

TEST_F(SurfaceFixture, NoEllipsoidYetOrNotANumberDrawsNothing) {
  struct Row {
    const char* name;
    std::array<double, 3> axes;
    float step;
  };
  // Zero semi-axes give step 0, which the scale turns into 1; a not-a-number step too.
  const Row rows[] = {{"before any characteristics run", {0, 0, 0}, 1},
                      {"not an ellipsoid", {NaN, NaN, NaN}, 1}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    axes = row.axes;
    SetEllipsoidSampling(upper, lower, axes, 150, true);
    for (TGLHeightField* field : {&upper, &lower}) {
      EXPECT_EQ(field->XSamplingScale().Step(), row.step);
      EXPECT_FALSE(field->XSamplingScale().IsUsable());
      EXPECT_FALSE(field->YSamplingScale().IsUsable());
    }
    EXPECT_TRUE(upper.Mesh().vertices.empty());
    EXPECT_EQ(calls, 0);
  }
}

}  // namespace
}  // namespace ovalon
