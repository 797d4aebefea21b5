#include "view3d/scene/glprojection.h"

#include <algorithm>

namespace ovalon {

ViewFrustum CameraFrustum(const TGLCamera& camera, int width, int height, float pixelScale) {
  const float d = static_cast<float>(std::max({width, height, 1}));
  const float bias = camera.NearPlaneBias();
  ViewFrustum frustum;
  frustum.zNear = camera.FocalLength() * pixelScale * 2 * 96 * bias / (25.4f * d);
  frustum.zFar = frustum.zNear + camera.DepthOfView();
  frustum.right = bias * static_cast<float>(width) / (2 * d);
  frustum.left = -frustum.right;
  frustum.top = bias * static_cast<float>(height) / (2 * d);
  frustum.bottom = -frustum.top;
  return frustum;
}

Matrix4f LookAtMatrix(SceneVector eye, SceneVector center, SceneVector up) {
  const SceneVector forward = Normalized(center - eye);
  const SceneVector side = Normalized(Cross(forward, up));
  const SceneVector upward = Cross(side, forward);
  Matrix4f result = Matrix4f::Identity();
  const SceneVector rows[3] = {side, upward, forward * -1.0f};
  for (int row = 0; row < 3; ++row) {
    result(row, 0) = rows[row].x;
    result(row, 1) = rows[row].y;
    result(row, 2) = rows[row].z;
    result(row, 3) = -Dot(rows[row], eye);
  }
  return result;
}

Matrix4f CameraViewMatrix(const TGLCamera& camera) {
  const SceneVector eye = camera.AbsolutePosition();
  const SceneVector up = camera.AbsoluteUp();
  if (camera.TargetObject() != nullptr) {
    return LookAtMatrix(eye, camera.TargetObject()->AbsolutePosition(), up);
  }
  return LookAtMatrix(eye, eye + camera.AbsoluteDirection(), up);
}

}  // namespace ovalon
