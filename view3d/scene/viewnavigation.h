#pragma once
// Moving about the 3D view beyond orbit and wheel zoom: the zoom's bounds, the start view,
// framing everything, panning, and finding what lies under the mouse. The window binds these
// to the mouse, the keys and the view's context menu.

#include <array>
#include <optional>
#include <vector>

#include "view3d/scene/glcamera.h"

namespace ovalon {

/// The camera's distance to its target stays within these bounds (Å). Beyond them its 32-bit
/// position would run to infinity or collapse onto the target, losing the viewing direction.
inline constexpr float MinTargetDistance = 0.01f;
inline constexpr float MaxTargetDistance = 1e5f;

/// AdjustDistanceToTarget(distanceRatio) when the new distance lies within the bounds;
/// otherwise nothing happens. True when the camera moved.
bool ZoomWithinLimits(TGLCamera& camera, float distanceRatio);

/// The camera's start: at (1, 1, 1) looking at `target`, which lies at the origin.
void ResetView(TGLCamera& camera, TGLSceneObject& target);

/// Pixels per unit of lateral offset at unit depth: FocalLength × 192 / 25.4.
float PixelsPerUnitAtUnitDepth(const TGLCamera& camera);

/// A scene point as a width × height view shows it: pixels from the top left corner (x to the
/// right, y down) and its depth in front of the camera.
struct ViewPoint {
  float x = 0;
  float y = 0;
  float depth = 0;
};

/// Where the view of `camera` draws `point` (scene frame); nothing for a point that is not in
/// front of the near plane or not finite.
std::optional<ViewPoint> ProjectToView(const TGLCamera& camera, int width, int height,
                                       SceneVector point);

/// Of the spheres of `radius` around `centres` (scene frame), the one drawn under pixel
/// (x, y) nearest to the camera: index into `centres`. A sphere drawn smaller than
/// `minimumPixels` in radius is taken at that size, so that small atoms can still be hit.
std::optional<int> PickSphere(const TGLCamera& camera, int width, int height,
                              const std::vector<SceneVector>& centres, float radius, float x,
                              float y, float minimumPixels);

/// A sphere around everything to be framed.
struct BoundingSphere {
  SceneVector centre;
  float radius = 0;
};

/// A sphere around the atoms (spheres of `atomRadius` at `atoms`) and the ellipsoid of
/// `semiAxes` centred at the origin along the axes (left out when its axes are not positive
/// finite numbers). Nothing when there is neither.
std::optional<BoundingSphere> SceneBounds(const std::vector<SceneVector>& atoms, float atomRadius,
                                          const std::array<double, 3>& semiAxes);

/// Looks at `bounds` from outside along the current viewing direction: `pivot` goes to the
/// centre and becomes the camera's target, and the camera backs off until the sphere fits the
/// shorter side of a width × height view, within the distance bounds.
void FrameSphere(TGLCamera& camera, TGLSceneObject& pivot, const BoundingSphere& bounds, int width,
                 int height);

/// Shifts the camera and its target sideways so that the scene at the target's depth follows a
/// mouse move of (dx, dy) pixels (x to the right, y down). The camera then looks at `pivot`,
/// placed first where its previous target was.
void PanView(TGLCamera& camera, TGLSceneObject& pivot, float dx, float dy);

}  // namespace ovalon
