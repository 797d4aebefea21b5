#pragma once
// The perspective projection and the view transform of a camera.

#include "view3d/scene/glcamera.h"

namespace ovalon {

/// The arguments of glFrustum: the near-plane rectangle and the two clipping distances.
struct ViewFrustum {
  float left = 0;
  float right = 0;
  float bottom = 0;
  float top = 0;
  float zNear = 0;
  float zFar = 0;
};

/// Frustum of a width × height pixel view, D = max(width, height), 96 dots per inch:
/// near = FocalLength × 2 × 96 × NearPlaneBias / (25.4 × D), far = near + DepthOfView, the
/// near plane spanning ±NearPlaneBias × width / (2D) by ±NearPlaneBias × height / (2D).
/// A lateral offset s at depth d then lands s/d × FocalLength × 192 / 25.4 pixels from the
/// centre of the view.
///
/// `pixelScale` draws the view as a screen of that many times the pixel density would: a view
/// of `pixelScale` times the pixel size shows the same part of the scene, as with the focal
/// length multiplied by `pixelScale`. For a power of two the numbers are exactly those of the
/// view at its own size.
ViewFrustum CameraFrustum(const TGLCamera& camera, int width, int height, float pixelScale = 1);

/// World → eye transform looking from eye at center with `up` upwards (the gluLookAt matrix).
Matrix4f LookAtMatrix(SceneVector eye, SceneVector center, SceneVector up);

/// World → eye transform of the camera: towards the target's absolute position when it has a
/// TargetObject, along its absolute Direction otherwise; its absolute Up is up.
Matrix4f CameraViewMatrix(const TGLCamera& camera);

}  // namespace ovalon
