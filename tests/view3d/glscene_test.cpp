#include "view3d/scene/glscene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "view3d/scene/glcamera.h"
#include "view3d/scene/glheightfield.h"
#include "view3d/scene/globjects.h"

namespace ovalon {
namespace {

void ExpectNear(SceneVector actual, SceneVector expected, float tolerance) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

struct OrientationStep {
  bool direction;  // true: set Direction, false: set Up
  SceneVector value;
};

struct OrientationCase {
  const char* name;
  std::vector<OrientationStep> steps;
  SceneVector direction;
  SceneVector up;
};

// Expected vectors worked out by hand from the rules: setting Direction keeps it (normalised)
// and makes Up := (Direction × Up) × Direction, setting Up keeps it and makes
// Direction := Up × (Direction × Up), with the (0, 0, 1) × Up and (1, 0, 0) × Up fall-backs.
// Components are single-precision results of a few operations: 1e-6 covers their rounding.
TEST(TGLSceneObject, OrientationRules) {
  const float r2 = 1 / std::sqrt(2.0f), r3 = 1 / std::sqrt(3.0f), r6 = 1 / std::sqrt(6.0f);
  const std::vector<OrientationCase> cases = {
      {"defaults", {}, {0, 0, 1}, {0, 1, 0}},
      // The worked example: the text faces a camera at (1, 1, 1), then is stood upright.
      {"diagonal direction then up",
       {{true, {0.577f, 0.577f, 0.577f}}, {false, {0, 1, 0}}},
       {r2, 0, r2},
       {0, 1, 0}},
      {"diagonal direction straightens up",
       {{true, {0.577f, 0.577f, 0.577f}}},
       {r3, r3, r3},
       {-r6, 2 * r6, -r6}},
      {"direction is normalised", {{true, {0, 0, -4}}}, {0, 0, -1}, {0, 1, 0}},
      {"zero direction", {{true, {1, 0, 0}}, {true, {0, 0, 0}}}, {0, 0, 1}, {0, 1, 0}},
      {"zero up", {{false, {0, 0, 0}}}, {0, 0, 1}, {0, 1, 0}},
      // Direction along Up: Right falls back to (0, 0, 1) × (0, 1, 0) = (−1, 0, 0).
      {"direction along up", {{true, {0, 2, 0}}}, {0, 1, 0}, {0, 0, -1}},
      // Up along Direction and along Z: Right falls back to (1, 0, 0) × (0, 0, 1) = (0, −1, 0).
      {"up along direction and z", {{false, {0, 0, 3}}}, {1, 0, 0}, {0, 0, 1}},
      {"direction along up along z",
       {{false, {0, 0, 1}}, {true, {0, 0, 5}}},
       {0, 0, 1},
       {-1, 0, 0}},
      // A label over a camera on the vertical axis ends facing +Z.
      {"camera overhead then upright",
       {{true, {0, 1, 0}}, {false, {0, 1, 0}}},
       {0, 0, 1},
       {0, 1, 0}},
  };
  for (const OrientationCase& c : cases) {
    SCOPED_TRACE(c.name);
    TGLSpaceText text;
    for (const OrientationStep& step : c.steps) {
      if (step.direction) {
        text.SetDirection(step.value);
      } else {
        text.SetUp(step.value);
      }
    }
    ExpectNear(text.Direction(), c.direction, 1e-6f);
    ExpectNear(text.Up(), c.up, 1e-6f);
  }
}

TEST(TGLSceneObject, VectorSetLastStaysExactlyAsSet) {
  TGLSphere sphere;
  sphere.SetDirection({0.6f, 0, 0.8f});
  sphere.SetUp({0, 0.8f, 0.6f});
  EXPECT_EQ(sphere.Up(), (SceneVector{0, 0.8f, 0.6f}));
  EXPECT_NEAR(Dot(sphere.Up(), sphere.Direction()), 0, 1e-6f);
  sphere.SetDirection({0, 0, 1});
  EXPECT_EQ(sphere.Direction(), (SceneVector{0, 0, 1}));
  EXPECT_NEAR(Dot(sphere.Up(), sphere.Direction()), 0, 1e-6f);
}

// A parent at (1, 2, 3) turned to face +X has local Z = +X and local X = Up × Direction = −Z,
// so a child at local (0, 0, 2) sits at (3, 2, 3) and one at local (1, 0, 0) at (1, 2, 2).
TEST(TGLSceneObject, AbsolutePositionComposesParentFrames) {
  TGLScene scene;
  auto* parent = scene.Objects().AddNewChild<TGLSceneObject>();
  parent->SetPosition(1, 2, 3);
  parent->SetDirection({1, 0, 0});
  auto* child = parent->AddNewChild<TGLSphere>();
  child->SetPosition(0, 0, 2);
  ExpectNear(child->AbsolutePosition(), {3, 2, 3}, 1e-6f);
  child->SetPosition(1, 0, 0);
  ExpectNear(child->AbsolutePosition(), {1, 2, 2}, 1e-6f);
}

class CountedObject : public TGLSceneObject {
 public:
  CountedObject() { ++alive; }
  ~CountedObject() override { --alive; }
  static inline int alive = 0;
};

TEST(TGLScene, ChildrenAreAppendedInOrderAndOwnedByTheirParent) {
  CountedObject::alive = 0;
  {
    TGLScene scene;
    TGLSceneObject& root = scene.Objects();
    auto* first = root.AddNewChild<CountedObject>();
    auto* second = root.AddNewChild<CountedObject>();
    auto* grandchild = first->AddNewChild<CountedObject>();
    grandchild->AddNewChild<CountedObject>();
    ASSERT_EQ(root.Children(), (std::vector<TGLSceneObject*>{first, second}));
    EXPECT_EQ(first->Parent(), &root);
    EXPECT_EQ(grandchild->Scene(), &scene);
    EXPECT_EQ(CountedObject::alive, 4);

    delete first;  // takes its child and grandchild with it
    EXPECT_EQ(root.Children(), (std::vector<TGLSceneObject*>{second}));
    EXPECT_EQ(CountedObject::alive, 1);

    root.AddNewChild<CountedObject>()->AddNewChild<CountedObject>();
    EXPECT_EQ(CountedObject::alive, 3);
  }
  EXPECT_EQ(CountedObject::alive, 0);  // the scene destroyed what was left
}

class RecordingListener : public TGLSceneListener {
 public:
  void SceneChanged() override { ++changes; }
  void ObjectDestroyed(TGLSceneObject* object) override { destroyed.push_back(object); }
  void SceneDestroyed() override { sceneGone = true; }
  int changes = 0;
  std::vector<TGLSceneObject*> destroyed;
  bool sceneGone = false;
};

struct ChangeCase {
  const char* name;
  void (*change)(TGLScene&);
};

// Every operation that alters what is drawn must ask for a redraw.
TEST(TGLScene, EveryChangeTellsTheListeners) {
  const ChangeCase cases[] = {
      {"add child", [](TGLScene& s) { s.Objects().AddNewChild<TGLSphere>(); }},
      {"destroy child", [](TGLScene& s) { delete s.Objects().Children().front(); }},
      {"position", [](TGLScene& s) { s.Objects().Children().front()->SetPosition(1, 0, 0); }},
      {"direction",
       [](TGLScene& s) {
         s.Objects().Children().front()->SetDirection({1, 0, 0});
       }},
      {"up",
       [](TGLScene& s) {
         s.Objects().Children().front()->SetUp({1, 0, 0});
       }},
      {"show axes", [](TGLScene& s) { s.Objects().Children().front()->SetShowAxes(true); }},
      {"radius",
       [](TGLScene& s) { static_cast<TGLSphere*>(s.Objects().Children()[0])->SetRadius(2); }},
      {"diffuse",
       [](TGLScene& s) {
         static_cast<TGLSphere*>(s.Objects().Children()[0])
             ->Material()
             .FrontProperties()
             .SetDiffuse(ColorFromRGB(255, 0, 0));
       }},
      {"polygon mode",
       [](TGLScene& s) {
         static_cast<TGLSphere*>(s.Objects().Children()[0])->Material().SetPolygonMode(pmLines);
       }},
      {"line node",
       [](TGLScene& s) { static_cast<TGLLines*>(s.Objects().Children()[1])->AddNode(1, 2, 3); }},
      {"line colour",
       [](TGLScene& s) {
         static_cast<TGLLines*>(s.Objects().Children()[1])->SetLineColor({0, 1, 0, 1});
       }},
      {"line width",
       [](TGLScene& s) { static_cast<TGLLines*>(s.Objects().Children()[1])->SetLineWidth(4); }},
      {"text",
       [](TGLScene& s) { static_cast<TGLSpaceText*>(s.Objects().Children()[2])->SetText("7"); }},
      {"text adjust",
       [](TGLScene& s) {
         static_cast<TGLSpaceText*>(s.Objects().Children()[2])->Adjust().SetHorz(haCenter);
       }},
      {"points add",
       [](TGLScene& s) {
         static_cast<TGLPoints*>(s.Objects().Children()[3])->Positions().Add(1, 1, 1);
       }},
      {"points clear",
       [](TGLScene& s) {
         static_cast<TGLPoints*>(s.Objects().Children()[3])->Positions().Clear();
       }},
      {"sampling scale",
       [](TGLScene& s) {
         static_cast<TGLHeightField*>(s.Objects().Children()[4])->XSamplingScale().SetMax(1);
       }},
      {"camera move",
       [](TGLScene& s) {
         static_cast<TGLCamera*>(s.Objects().Children()[5])->AdjustDistanceToTarget(2);
       }},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    TGLScene scene;
    TGLSceneObject& root = scene.Objects();
    root.AddNewChild<TGLSphere>();
    root.AddNewChild<TGLLines>();
    root.AddNewChild<TGLSpaceText>();
    auto* points = root.AddNewChild<TGLPoints>();
    root.AddNewChild<TGLHeightField>();
    auto* camera = root.AddNewChild<TGLCamera>();
    camera->SetPosition(0, 0, 5);
    camera->SetTargetObject(points);
    RecordingListener listener;
    scene.AddListener(&listener);
    const auto version = scene.Version();
    c.change(scene);
    EXPECT_GE(listener.changes, 1);
    EXPECT_GT(scene.Version(), version);
    scene.RemoveListener(&listener);
  }
}

TEST(TGLScene, DestroyingTheTargetClearsTheCameraAndTellsTheListeners) {
  RecordingListener listener;
  {
    TGLScene scene;
    auto* camera = scene.Objects().AddNewChild<TGLCamera>();
    auto* target = scene.Objects().AddNewChild<TGLPoints>();
    auto* light = camera->AddNewChild<TGLLightSource>();
    camera->SetTargetObject(target);
    scene.AddListener(&listener);
    delete target;
    EXPECT_EQ(camera->TargetObject(), nullptr);
    delete camera;  // and its light
    EXPECT_EQ(listener.destroyed, (std::vector<TGLSceneObject*>{target, light, camera}));
    EXPECT_FALSE(listener.sceneGone);
  }
  EXPECT_TRUE(listener.sceneGone);
}

}  // namespace
}  // namespace ovalon
