#pragma once
// A demonstration scene like the window's: a cage of 60 atoms with bonds, numbers, axes and
// the wire frame of an ellipsoid, for the demo program and the drawing benchmarks.

#include "view3d/scene/glcamera.h"
#include "view3d/scene/glheightfield.h"
#include "view3d/scene/globjects.h"

namespace ovalon {

struct DemoScene {
  TGLCamera* camera = nullptr;
  TGLPoints* points = nullptr;  ///< at the origin, the camera's target, with the axes
  TGLHeightField* upper = nullptr;
  TGLHeightField* lower = nullptr;
};

/// Semi-axes of the demonstration ellipsoid, in ångström.
struct DemoAxes {
  double a1 = 3.9;
  double a2 = 3.55;
  double a3 = 3.25;
};

/// Fills `scene` with a camera (and its light) looking at the origin from `cameraPosition`,
/// 60 spheres of radius 0.1 on a truncated icosahedron stretched to `axes`, 180 bond lines
/// 4 pixels wide, 60 atom numbers and 3 axis labels facing the camera, the axes, and the two
/// halves of the ellipsoid sampled 301 × 301 times each.
DemoScene BuildDemoScene(TGLScene& scene, SceneVector cameraPosition, DemoAxes axes = {});

/// Sets both height fields to sample the ellipsoid with `divisions` steps per semi-axis, or
/// to draw nothing when `shown` is false.
void SetEllipsoidSampling(const DemoScene& demo, DemoAxes axes, int divisions, bool shown);

/// The height of the upper (sign +1) or lower (−1) half at (x, y): the ellipsoid inside its
/// footprint, 0 on a ring one step wide around it, not a number beyond.
float EllipsoidHeight(DemoAxes axes, int sign, float x, float y, float stepX, float stepY);

}  // namespace ovalon
