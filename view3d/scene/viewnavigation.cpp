#include "view3d/scene/viewnavigation.h"

#include <algorithm>
#include <cmath>

#include "view3d/scene/glprojection.h"

namespace ovalon {

namespace {

/// Moves `object` to the absolute position `absolute`, converted into its parent's frame.
void PlaceAt(TGLSceneObject& object, SceneVector absolute) {
  const TGLSceneObject* parent = object.Parent();
  object.SetPosition(parent == nullptr
                         ? absolute
                         : TransformPoint(InverseRigid(parent->AbsoluteMatrix()), absolute));
}

/// Makes `pivot` the camera's target, at the place of the target it had.
void TargetPivot(TGLCamera& camera, TGLSceneObject& pivot) {
  if (camera.TargetObject() == &pivot) return;
  if (camera.TargetObject() != nullptr) PlaceAt(pivot, camera.TargetObject()->AbsolutePosition());
  camera.SetTargetObject(&pivot);
}

/// The unit vector from the target to the camera; (1, 1, 1) normalised when there is none.
SceneVector ViewingDirection(const TGLCamera& camera) {
  if (camera.TargetObject() != nullptr) {
    const SceneVector offset =
        camera.AbsolutePosition() - camera.TargetObject()->AbsolutePosition();
    const float length = Length(offset);
    if (length > 0 && std::isfinite(length)) return offset * (1 / length);
  }
  return Normalized({1, 1, 1});
}

}  // namespace

bool ZoomWithinLimits(TGLCamera& camera, float distanceRatio) {
  if (camera.TargetObject() == nullptr) return false;
  const SceneVector offset = camera.AbsolutePosition() - camera.TargetObject()->AbsolutePosition();
  const float distance = Length(offset * distanceRatio);
  if (!(distance >= MinTargetDistance && distance <= MaxTargetDistance)) return false;
  camera.AdjustDistanceToTarget(distanceRatio);
  return true;
}

void ResetView(TGLCamera& camera, TGLSceneObject& target) {
  camera.SetTargetObject(&target);
  camera.SetPosition(1, 1, 1);
}

float PixelsPerUnitAtUnitDepth(const TGLCamera& camera) {
  return camera.FocalLength() * 192 / 25.4f;
}

std::optional<ViewPoint> ProjectToView(const TGLCamera& camera, int width, int height,
                                       SceneVector point) {
  const SceneVector eye = TransformPoint(CameraViewMatrix(camera), point);
  const ViewFrustum f = CameraFrustum(camera, width, height);
  const float depth = -eye.z;
  if (!IsFinite(eye) || !(depth > f.zNear)) return std::nullopt;
  const float xNdc = 2 * f.zNear / (f.right - f.left) * eye.x / depth;
  const float yNdc = 2 * f.zNear / (f.top - f.bottom) * eye.y / depth;
  return ViewPoint{(xNdc + 1) / 2 * static_cast<float>(width),
                   (1 - yNdc) / 2 * static_cast<float>(height), depth};
}

std::optional<int> PickSphere(const TGLCamera& camera, int width, int height,
                              const std::vector<SceneVector>& centres, float radius, float x,
                              float y, float minimumPixels) {
  const float pixelsPerUnit = PixelsPerUnitAtUnitDepth(camera);
  std::optional<int> picked;
  float nearest = 0;
  for (int i = 0; i < static_cast<int>(centres.size()); ++i) {
    const std::optional<ViewPoint> p = ProjectToView(camera, width, height, centres[i]);
    if (!p) continue;
    const float drawn = std::max(radius / p->depth * pixelsPerUnit, minimumPixels);
    const float dx = p->x - x;
    const float dy = p->y - y;
    if (dx * dx + dy * dy > drawn * drawn) continue;
    if (!picked || p->depth < nearest) {
      picked = i;
      nearest = p->depth;
    }
  }
  return picked;
}

std::optional<BoundingSphere> SceneBounds(const std::vector<SceneVector>& atoms, float atomRadius,
                                          const std::array<double, 3>& semiAxes) {
  // The centre of the box around everything, then the farthest reach from it.
  SceneVector low{0, 0, 0};
  SceneVector high{0, 0, 0};
  bool any = false;
  const auto include = [&](SceneVector a, SceneVector b) {
    low = any ? SceneVector{std::min(low.x, a.x), std::min(low.y, a.y), std::min(low.z, a.z)} : a;
    high =
        any ? SceneVector{std::max(high.x, b.x), std::max(high.y, b.y), std::max(high.z, b.z)} : b;
    any = true;
  };
  const float r = std::isfinite(atomRadius) ? std::max(atomRadius, 0.0f) : 0.0f;
  for (const SceneVector& atom : atoms) {
    if (IsFinite(atom)) include(atom - SceneVector{r, r, r}, atom + SceneVector{r, r, r});
  }
  const bool ellipsoid = std::all_of(semiAxes.begin(), semiAxes.end(),
                                     [](double a) { return a > 0 && std::isfinite(a); });
  const SceneVector axes{static_cast<float>(semiAxes[0]), static_cast<float>(semiAxes[1]),
                         static_cast<float>(semiAxes[2])};
  if (ellipsoid) include(axes * -1.0f, axes);
  if (!any) return std::nullopt;

  BoundingSphere bounds;
  bounds.centre = (low + high) * 0.5f;
  for (const SceneVector& atom : atoms) {
    if (IsFinite(atom)) bounds.radius = std::max(bounds.radius, Length(atom - bounds.centre) + r);
  }
  if (ellipsoid) {
    const float longest = std::max({axes.x, axes.y, axes.z});
    bounds.radius = std::max(bounds.radius, Length(bounds.centre) + longest);
  }
  return bounds;
}

void FrameSphere(TGLCamera& camera, TGLSceneObject& pivot, const BoundingSphere& bounds, int width,
                 int height) {
  // The sphere fits the shorter side with a little room: half that side is seen under the
  // angle whose tangent is its pixels over the pixels per unit at unit depth.
  constexpr float Room = 1.1f;
  const SceneVector direction = ViewingDirection(camera);
  const float halfSide = static_cast<float>(std::max(std::min(width, height), 1)) / 2;
  const float tangent = halfSide / PixelsPerUnitAtUnitDepth(camera);
  const float sine = tangent / std::sqrt(1 + tangent * tangent);
  const float distance =
      std::clamp(Room * bounds.radius / sine, 2 * MinTargetDistance, MaxTargetDistance / 2);
  camera.SetTargetObject(&pivot);
  PlaceAt(pivot, bounds.centre);
  PlaceAt(camera, bounds.centre + direction * distance);
}

void PanView(TGLCamera& camera, TGLSceneObject& pivot, float dx, float dy) {
  TargetPivot(camera, pivot);
  const SceneVector eye = camera.AbsolutePosition();
  const SceneVector target = pivot.AbsolutePosition();
  const float distance = Length(target - eye);
  if (!(distance > 0) || !std::isfinite(distance)) return;
  const SceneVector forward = (target - eye) * (1 / distance);
  const SceneVector right = Normalized(Cross(forward, camera.AbsoluteUp()));
  if (!IsFinite(right)) return;
  const SceneVector up = Cross(right, forward);
  const float unitsPerPixel = distance / PixelsPerUnitAtUnitDepth(camera);
  const SceneVector shift = (right * -dx + up * dy) * unitsPerPixel;
  PlaceAt(pivot, target + shift);
  PlaceAt(camera, eye + shift);
}

}  // namespace ovalon
