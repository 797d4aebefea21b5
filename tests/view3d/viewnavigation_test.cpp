#include "view3d/scene/viewnavigation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "view3d/scene/globjects.h"

namespace ovalon {
namespace {

float DistanceToTarget(const TGLCamera& camera) {
  return Length(camera.AbsolutePosition() - camera.TargetObject()->AbsolutePosition());
}

/// The window's arrangement: the camera at (1, 1, 1) looking at a points object at the origin,
/// with the pivot for panning and framing hung on that object.
struct View {
  TGLScene scene;
  TGLPoints* points = scene.Objects().AddNewChild<TGLPoints>();
  TGLSceneObject* pivot = points->AddNewChild<TGLSceneObject>();
  TGLCamera* camera = scene.Objects().AddNewChild<TGLCamera>();
  View() {
    camera->SetPosition(1, 1, 1);
    camera->SetTargetObject(points);
  }
};

// 1.1^2000 and 1.1^−2000 are far outside the 32-bit range: without the bounds the position
// becomes infinite or zero and the viewing direction is lost for good.
TEST(ZoomWithinLimits, TwoThousandNotchesEachWayStayInsideAndComeBack) {
  const float out = 1.1f;
  const float in = 1 / 1.1f;
  for (float first : {out, in}) {
    SCOPED_TRACE(first);
    View view;
    int moved = 0;
    for (int notch = 0; notch < 2000; ++notch) moved += ZoomWithinLimits(*view.camera, first);
    const float reached = DistanceToTarget(*view.camera);
    EXPECT_GE(reached, MinTargetDistance);
    EXPECT_LE(reached, MaxTargetDistance);
    // The last step stopped short of the bound: one more would have crossed it.
    EXPECT_TRUE(first == out ? reached * 1.1f > MaxTargetDistance
                             : reached / 1.1f < MinTargetDistance);
    EXPECT_FALSE(ZoomWithinLimits(*view.camera, first));
    // As many steps back return to the start along the same line.
    for (int notch = 0; notch < moved; ++notch)
      ASSERT_TRUE(ZoomWithinLimits(*view.camera, first == out ? in : out));
    const SceneVector p = view.camera->Position();
    EXPECT_NEAR(p.x, 1, 1e-3);
    EXPECT_NEAR(p.y, 1, 1e-3);
    EXPECT_NEAR(p.z, 1, 1e-3);
  }
}

TEST(ZoomWithinLimits, WithoutTargetNothingMoves) {
  TGLCamera camera;
  camera.SetPosition(1, 2, 3);
  EXPECT_FALSE(ZoomWithinLimits(camera, 2));
  EXPECT_EQ(camera.Position(), (SceneVector{1, 2, 3}));
}

// A point 1 unit right of the target, 10 units in front of the camera, lands
// 50 × 192 / 25.4 / 10 pixels right of the centre of any view.
TEST(ProjectToView, PixelsFromTheTopLeftCorner) {
  View view;
  view.camera->SetPosition(0, 0, 10);
  const float perUnit = 50.0f * 192 / 25.4f;
  const auto p = ProjectToView(*view.camera, 800, 600, {1, 2, 0});
  ASSERT_TRUE(p);
  EXPECT_NEAR(p->x, 400 + perUnit / 10, 1e-3);
  EXPECT_NEAR(p->y, 300 - 2 * perUnit / 10, 1e-3);
  EXPECT_NEAR(p->depth, 10, 1e-5);
  EXPECT_FALSE(ProjectToView(*view.camera, 800, 600, {0, 0, 11}));  // behind the camera
}

TEST(PickSphere, NearestToTheCameraUnderThePixel) {
  View view;
  view.camera->SetPosition(0, 0, 10);
  const std::vector<SceneVector> centres = {{0, 0, -1}, {0, 0, 1}, {3, 0, 0}};
  EXPECT_EQ(PickSphere(*view.camera, 800, 600, centres, 0.1f, 400, 300, 4), 1);
  // 0.2 at depth 9 is 8.4 pixels (at depth 11, 6.9): just inside and just outside.
  EXPECT_EQ(PickSphere(*view.camera, 800, 600, centres, 0.2f, 408, 300, 4), 1);
  EXPECT_FALSE(PickSphere(*view.camera, 800, 600, centres, 0.2f, 409, 300, 4));
  // A sphere of radius 0 is still found within the minimum.
  EXPECT_EQ(PickSphere(*view.camera, 800, 600, centres, 0, 403, 300, 4), 1);
  const float right = 400 + 3 * 50.0f * 192 / 25.4f / 10;
  EXPECT_EQ(PickSphere(*view.camera, 800, 600, centres, 0.1f, right, 301, 4), 2);
}

TEST(SceneBounds, AtomsAndEllipsoid) {
  EXPECT_FALSE(SceneBounds({}, 0.1f, {0, 0, 0}));
  const auto atoms = SceneBounds({{4, 0, 0}, {6, 0, 0}}, 0.5f, {0, 0, 0});
  ASSERT_TRUE(atoms);
  EXPECT_EQ(atoms->centre, (SceneVector{5, 0, 0}));
  EXPECT_FLOAT_EQ(atoms->radius, 1.5f);
  // The ellipsoid around the origin reaches 3 along x: the box runs from −3 to 6.5.
  const auto both = SceneBounds({{4, 0, 0}, {6, 0, 0}}, 0.5f, {3, 1, 2});
  ASSERT_TRUE(both);
  EXPECT_EQ(both->centre, (SceneVector{1.75f, 0, 0}));
  EXPECT_FLOAT_EQ(both->radius, 4.75f);
  const auto ellipsoid = SceneBounds({}, 0, {3, 1, 2});
  ASSERT_TRUE(ellipsoid);
  EXPECT_FLOAT_EQ(ellipsoid->radius, 3);
  EXPECT_FALSE(SceneBounds({}, 0, {3, NAN, 2}));
}

// The framed sphere lies wholly in front of the camera and inside the view, seen along the
// direction the camera had.
TEST(FrameSphere, SeesEverythingFromOutsideAlongTheSameDirection) {
  View view;
  const BoundingSphere bounds{{2, -1, 0.5f}, 3.5f};
  FrameSphere(*view.camera, *view.pivot, bounds, 1145, 700);
  EXPECT_EQ(view.camera->TargetObject(), view.pivot);
  EXPECT_EQ(view.pivot->AbsolutePosition(), bounds.centre);
  const SceneVector offset = view.camera->AbsolutePosition() - bounds.centre;
  const float distance = Length(offset);
  EXPECT_GT(distance, bounds.radius);
  EXPECT_NEAR(offset.x / distance, 1 / std::sqrt(3.0f), 1e-5);
  EXPECT_NEAR(offset.y / distance, 1 / std::sqrt(3.0f), 1e-5);
  for (SceneVector d : {SceneVector{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}) {
    for (float sign : {-1.0f, 1.0f}) {
      const auto p = ProjectToView(*view.camera, 1145, 700, bounds.centre + d * (sign * 3.5f));
      ASSERT_TRUE(p);
      EXPECT_GT(p->x, 0);
      EXPECT_LT(p->x, 1145);
      EXPECT_GT(p->y, 0);
      EXPECT_LT(p->y, 700);
    }
  }
  // It fills the shorter side: the top of the sphere is within a fifth of it from the edge.
  const auto top = ProjectToView(*view.camera, 1145, 700, bounds.centre + SceneVector{0, 3.5f, 0});
  EXPECT_LT(top->y, 700 / 5.0f);

  ResetView(*view.camera, *view.points);
  EXPECT_EQ(view.camera->TargetObject(), view.points);
  EXPECT_EQ(view.camera->Position(), (SceneVector{1, 1, 1}));
}

// The point at the target's depth follows the mouse pixel for pixel; the view keeps its
// direction and distance, and the camera orbits the new target afterwards.
TEST(PanView, ThePointAtTheTargetFollowsTheMouse) {
  View view;
  view.camera->SetPosition(0, 0, 5);
  const auto before = ProjectToView(*view.camera, 800, 600, {0, 0, 0});
  PanView(*view.camera, *view.pivot, 30, -20);
  EXPECT_EQ(view.camera->TargetObject(), view.pivot);
  const auto after = ProjectToView(*view.camera, 800, 600, {0, 0, 0});
  ASSERT_TRUE(before && after);
  EXPECT_NEAR(after->x - before->x, 30, 1e-3);
  EXPECT_NEAR(after->y - before->y, -20, 1e-3);
  EXPECT_NEAR(DistanceToTarget(*view.camera), 5, 1e-5);
  const SceneVector target = view.pivot->AbsolutePosition();
  EXPECT_NEAR(target.z, 0, 1e-6);
  EXPECT_LT(target.x, 0);
  view.camera->MoveAroundTarget(0, 90);
  EXPECT_NEAR(DistanceToTarget(*view.camera), 5, 1e-4);
}

}  // namespace
}  // namespace ovalon
