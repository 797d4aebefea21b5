#pragma once
// The camera with its orbit and zoom around a target object, and the light source.

#include "view3d/scene/glscene.h"

namespace ovalon {

/// The viewpoint. With a TargetObject it looks from its position at the target's absolute
/// position with its Up as the view's up; without one it looks along its Direction, which
/// defaults to (0, 0, −1) for a camera.
class TGLCamera : public TGLSceneObject {
 public:
  TGLCamera();

  /// The object looked at (not owned); cleared when that object is destroyed.
  TGLSceneObject* TargetObject() const { return m_target; }
  void SetTargetObject(TGLSceneObject* target);

  /// Default 50; with the 96-dpi rule, 377.95 pixels per unit of lateral offset / depth.
  float FocalLength() const { return m_focalLength; }
  void SetFocalLength(float focalLength);
  /// Distance from the near to the far clipping plane, default 100.
  float DepthOfView() const { return m_depthOfView; }
  void SetDepthOfView(float depthOfView);
  /// Default 1.
  float NearPlaneBias() const { return m_nearPlaneBias; }
  void SetNearPlaneBias(float bias);
  /// Default 1.
  float SceneScale() const { return m_sceneScale; }

  /// Orbits on the sphere around the target: the angle between Up and the direction from the
  /// target to the camera grows by pitchDelta degrees (held within [0.025, π − 0.025] rad), and
  /// the offset turns about Up by turnDelta degrees. Distance and Up stay. Nothing happens
  /// without a target or with the camera on the target.
  void MoveAroundTarget(float pitchDelta, float turnDelta);

  /// Moves along the line through the target: offset from the target × distanceRatio.
  void AdjustDistanceToTarget(float distanceRatio);

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  /// Sets the position from an absolute one, converted into the parent's frame.
  void SetAbsolutePosition(SceneVector absolute);

  TGLSceneObject* m_target = nullptr;
  float m_focalLength = 50;
  float m_depthOfView = 100;
  float m_nearPlaneBias = 1;
  float m_sceneScale = 1;
};

/// A positional light at its origin; as a child of the camera it moves with it.
class TGLLightSource : public TGLSceneObject {
 public:
  /// Default opaque white.
  SceneColor Diffuse() const { return m_diffuse; }
  void SetDiffuse(SceneColor color);
  /// Default opaque black.
  SceneColor Ambient() const { return m_ambient; }
  void SetAmbient(SceneColor color);
  /// Default opaque black.
  SceneColor Specular() const { return m_specular; }
  void SetSpecular(SceneColor color);
  /// Defaults 1, 0, 0.
  float ConstAttenuation() const { return m_constAttenuation; }
  void SetConstAttenuation(float value);
  float LinearAttenuation() const { return m_linearAttenuation; }
  void SetLinearAttenuation(float value);
  float QuadraticAttenuation() const { return m_quadraticAttenuation; }
  void SetQuadraticAttenuation(float value);
  /// Half the cone angle in degrees; 180 (the default) shines in all directions.
  float SpotCutOff() const { return m_spotCutOff; }
  void SetSpotCutOff(float degrees);
  /// Default true.
  bool Shining() const { return m_shining; }
  void SetShining(bool shining);

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  SceneColor m_diffuse{1, 1, 1, 1};
  SceneColor m_ambient{0, 0, 0, 1};
  SceneColor m_specular{0, 0, 0, 1};
  float m_constAttenuation = 1;
  float m_linearAttenuation = 0;
  float m_quadraticAttenuation = 0;
  float m_spotCutOff = 180;
  bool m_shining = true;
};

}  // namespace ovalon
