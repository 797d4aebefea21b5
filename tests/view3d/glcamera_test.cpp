#include "view3d/scene/glcamera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>

#include "view3d/scene/globjects.h"
#include "view3d/scene/glprojection.h"

namespace ovalon {
namespace {

// Positions come out of a few single-precision rotations of values up to 5: 1e-5 absolute is
// a few units in the last place.
constexpr float Tolerance = 1e-5f;

void ExpectNear(SceneVector actual, SceneVector expected, float tolerance = Tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

/// The window's arrangement: a camera orbiting a points object at the origin.
class CameraFixture : public ::testing::Test {
 protected:
  CameraFixture() {
    target = scene.Objects().AddNewChild<TGLPoints>();
    camera = scene.Objects().AddNewChild<TGLCamera>();
    camera->SetTargetObject(target);
  }
  float AngleFromY() const {
    const SceneVector p = camera->Position();
    return std::acos(p.y / Length(p));
  }
  TGLScene scene;
  TGLPoints* target;
  TGLCamera* camera;
};

TEST_F(CameraFixture, TurnAboutUp) {
  camera->SetPosition(0, 0, 5);
  camera->MoveAroundTarget(0, 90);  // +Z turned +90° about +Y is +X
  ExpectNear(camera->Position(), {5, 0, 0});
  EXPECT_EQ(camera->Up(), (SceneVector{0, 1, 0}));
}

// Dragging 10 pixels to the right turns the camera −10° about +Y at unchanged distance and
// height. A right-hand turn by θ about +Y maps (x, z) to (x cos θ + z sin θ, z cos θ − x sin θ);
// for θ = −10° and (1, 1) that is (cos 10° − sin 10°, cos 10° + sin 10°).
TEST_F(CameraFixture, DragRightTurnsMinusTenDegrees) {
  camera->SetPosition(1, 1, 1);
  camera->MoveAroundTarget(0, -10);
  const double c = std::cos(10 * std::numbers::pi / 180), s = std::sin(10 * std::numbers::pi / 180);
  ExpectNear(camera->Position(), {static_cast<float>(c - s), 1, static_cast<float>(s + c)});
}

TEST_F(CameraFixture, PitchIsHeldOffThePoles) {
  struct Case {
    const char* name;
    SceneVector start;
    float pitchDelta;
    float angleFromY;
  };
  const float pi = std::numbers::pi_v<float>;
  const Case cases[] = {
      {"down past the pole", {0, 0, 5}, -200, 0.025f},
      {"up past the pole", {0, 0, 5}, 200, pi - 0.025f},
      {"within range", {0, 0, 5}, -45, pi / 4},
      // Straight above the target U × n vanishes and Right falls back to +X.
      {"from the pole", {0, 5, 0}, 0, 0.025f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    camera->SetPosition(c.start);
    camera->MoveAroundTarget(c.pitchDelta, 0);
    EXPECT_NEAR(AngleFromY(), c.angleFromY, 1e-5f);
    EXPECT_NEAR(Length(camera->Position()), 5, Tolerance);
  }
  // From the pole the fall-back axis +X turns Up towards +Z.
  camera->SetPosition(0, 5, 0);
  camera->MoveAroundTarget(0, 0);
  ExpectNear(camera->Position(), {0, 5 * std::cos(0.025f), 5 * std::sin(0.025f)});
}

TEST_F(CameraFixture, AdjustDistanceScalesTheOffset) {
  camera->SetPosition(1, 1, 1);
  camera->AdjustDistanceToTarget(1.1f);
  // 1 × 1.1f is exact in single precision.
  EXPECT_EQ(camera->Position(), (SceneVector{1.1f, 1.1f, 1.1f}));
  target->SetPosition(1, 0, 0);
  camera->SetPosition(3, 0, 0);
  camera->AdjustDistanceToTarget(0.5f);
  EXPECT_EQ(camera->Position(), (SceneVector{2, 0, 0}));
}

TEST_F(CameraFixture, NothingMovesWithoutATarget) {
  camera->SetPosition(0, 0, 5);
  camera->SetTargetObject(nullptr);
  camera->MoveAroundTarget(30, 30);
  camera->AdjustDistanceToTarget(2);
  EXPECT_EQ(camera->Position(), (SceneVector{0, 0, 5}));
}

// A camera inside a group at (10, 0, 0) orbiting a target at the same absolute point: the
// new position is written in the group's frame.
TEST(TGLCamera, MovesInItsParentsFrame) {
  TGLScene scene;
  auto* group = scene.Objects().AddNewChild<TGLSceneObject>();
  group->SetPosition(10, 0, 0);
  auto* camera = group->AddNewChild<TGLCamera>();
  auto* target = scene.Objects().AddNewChild<TGLPoints>();
  target->SetPosition(10, 0, 0);
  camera->SetTargetObject(target);
  camera->SetPosition(0, 0, 5);
  camera->MoveAroundTarget(0, 90);
  ExpectNear(camera->Position(), {5, 0, 0});
  ExpectNear(camera->AbsolutePosition(), {15, 0, 0});

  // Group Up (1, 0, 0) makes its local X (0, −1, 0): the camera's Up is +X in the scene, so
  // the turn goes about +X, taking the offset (0, 0, 5) to (0, −5, 0), which is local (5, 0, 0).
  group->SetUp({1, 0, 0});
  camera->SetPosition(0, 0, 5);
  camera->MoveAroundTarget(0, 90);
  ExpectNear(camera->AbsolutePosition(), {10, -5, 0});
  ExpectNear(camera->Position(), {5, 0, 0});
}

// n = 50 × 2 × 96 / (25.4 × 1145) = 9600 / 29083 and far = n + 100; the near plane spans
// ±1145 / 2290 = ±0.5 by ±700 / 2290.
TEST(CameraFrustum, NinetySixDotsPerInchRule) {
  TGLCamera camera;
  const ViewFrustum f = CameraFrustum(camera, 1145, 700);
  EXPECT_NEAR(f.zNear, 9600.0 / 29083.0, 1e-7);
  EXPECT_NEAR(f.zFar, 9600.0 / 29083.0 + 100, 1e-5);
  EXPECT_FLOAT_EQ(f.right, 0.5f);
  EXPECT_FLOAT_EQ(f.left, -0.5f);
  EXPECT_NEAR(f.top, 700.0 / 2290.0, 1e-7);
  EXPECT_FLOAT_EQ(f.bottom, -f.top);
}

// A frame at twice the pixel density is the view's own frustum, to the bit, for any size;
// without the factor the larger frame would show twice as much of the scene.
TEST(CameraFrustum, PixelScaleKeepsTheViewsFrustum) {
  TGLCamera camera;
  camera.SetFocalLength(37.5f);
  for (const auto& [width, height] : {std::pair{1145, 700}, {641, 733}, {1, 1}}) {
    const ViewFrustum view = CameraFrustum(camera, width, height);
    const ViewFrustum twice = CameraFrustum(camera, 2 * width, 2 * height, 2);
    EXPECT_EQ(twice.zNear, view.zNear);
    EXPECT_EQ(twice.zFar, view.zFar);
    EXPECT_EQ(twice.right, view.right);
    EXPECT_EQ(twice.top, view.top);
    EXPECT_EQ(CameraFrustum(camera, 2 * width, 2 * height).zNear * 2, view.zNear);
  }
}

/// Pixel offset from the view's centre of a point, through the camera's view and frustum,
/// as glFrustum and the viewport transform place it.
SceneVector PixelOffset(const TGLCamera& camera, SceneVector point, int width, int height) {
  const SceneVector eye = TransformPoint(CameraViewMatrix(camera), point);
  const ViewFrustum f = CameraFrustum(camera, width, height);
  const float xNdc = 2 * f.zNear / (f.right - f.left) * eye.x / -eye.z;
  const float yNdc = 2 * f.zNear / (f.top - f.bottom) * eye.y / -eye.z;
  return {xNdc * width / 2, yNdc * height / 2, -eye.z};
}

// A lateral offset s at depth d lands s/d × 50 × 192 / 25.4 = s/d × 377.95 pixels from the
// centre, whatever the view's size.
TEST(CameraFrustum, LateralOffsetLandsAtFocalScale) {
  TGLScene scene;
  auto* target = scene.Objects().AddNewChild<TGLPoints>();
  auto* camera = scene.Objects().AddNewChild<TGLCamera>();
  camera->SetPosition(0, 0, 10);
  camera->SetTargetObject(target);
  const double pixelsPerUnit = 50.0 * 192.0 / 25.4;
  const int sizes[][2] = {{1145, 700}, {300, 300}, {200, 400}};
  for (const auto& size : sizes) {
    SCOPED_TRACE(size[0]);
    const SceneVector right = PixelOffset(*camera, {1, 0, 0}, size[0], size[1]);
    EXPECT_NEAR(right.x, pixelsPerUnit / 10, 1e-3);
    EXPECT_NEAR(right.y, 0, 1e-4);
    EXPECT_NEAR(right.z, 10, 1e-5);
    const SceneVector up = PixelOffset(*camera, {0, 2, -5}, size[0], size[1]);
    EXPECT_NEAR(up.y, 2 * pixelsPerUnit / 15, 1e-3);
  }
}

TEST(CameraViewMatrix, WithoutTargetLooksAlongDirection) {
  TGLCamera camera;
  camera.SetPosition(0, 0, 5);
  // The default camera Direction is (0, 0, −1): the origin lies 5 units straight ahead.
  ExpectNear(TransformPoint(CameraViewMatrix(camera), {0, 0, 0}), {0, 0, -5});
  camera.SetDirection({1, 0, 0});
  ExpectNear(TransformPoint(CameraViewMatrix(camera), {3, 0, 5}), {0, 0, -3});
}

}  // namespace
}  // namespace ovalon
