#include "view3d/scene/glcamera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace ovalon {
namespace {

constexpr float PitchLimit = 0.025f;
constexpr float DegreesToRadians = std::numbers::pi_v<float> / 180.0f;

}  // namespace

TGLCamera::TGLCamera() { SetDirection({0, 0, -1}); }

void TGLCamera::SetTargetObject(TGLSceneObject* target) {
  m_target = target;
  NotifyChange();
}

void TGLCamera::SetFocalLength(float focalLength) {
  m_focalLength = focalLength;
  NotifyChange();
}

void TGLCamera::SetDepthOfView(float depthOfView) {
  m_depthOfView = depthOfView;
  NotifyChange();
}

void TGLCamera::SetNearPlaneBias(float bias) {
  m_nearPlaneBias = bias;
  NotifyChange();
}

void TGLCamera::MoveAroundTarget(float pitchDelta, float turnDelta) {
  if (m_target == nullptr) return;
  const SceneVector target = m_target->AbsolutePosition();
  const SceneVector up = AbsoluteUp();
  const SceneVector offset = AbsolutePosition() - target;
  const float distance = Length(offset);
  if (!(distance > 0) || !std::isfinite(distance)) return;
  const SceneVector n{offset.x / distance, offset.y / distance, offset.z / distance};

  SceneVector right = Cross(up, n);
  right = Length(right) < 0.001f ? SceneVector{1, 0, 0} : Normalized(right);

  // A dot product a hair beyond ±1 from rounding would make arccos a not-a-number.
  float pitch = std::acos(std::clamp(Dot(up, n), -1.0f, 1.0f));
  pitch = std::clamp(pitch + pitchDelta * DegreesToRadians, PitchLimit,
                     std::numbers::pi_v<float> - PitchLimit);

  SceneVector v = Rotated(up, right, pitch);
  v = Rotated(v, up, turnDelta * DegreesToRadians);
  SetAbsolutePosition(target + v * distance);
}

void TGLCamera::AdjustDistanceToTarget(float distanceRatio) {
  if (m_target == nullptr) return;
  const SceneVector target = m_target->AbsolutePosition();
  SetAbsolutePosition(target + (AbsolutePosition() - target) * distanceRatio);
}

void TGLCamera::SetAbsolutePosition(SceneVector absolute) {
  if (Parent() == nullptr) {
    SetPosition(absolute);
  } else {
    SetPosition(TransformPoint(InverseRigid(Parent()->AbsoluteMatrix()), absolute));
  }
}

void TGLLightSource::SetDiffuse(SceneColor color) {
  m_diffuse = color;
  NotifyChange();
}

void TGLLightSource::SetAmbient(SceneColor color) {
  m_ambient = color;
  NotifyChange();
}

void TGLLightSource::SetSpecular(SceneColor color) {
  m_specular = color;
  NotifyChange();
}

void TGLLightSource::SetConstAttenuation(float value) {
  m_constAttenuation = value;
  NotifyChange();
}

void TGLLightSource::SetLinearAttenuation(float value) {
  m_linearAttenuation = value;
  NotifyChange();
}

void TGLLightSource::SetQuadraticAttenuation(float value) {
  m_quadraticAttenuation = value;
  NotifyChange();
}

void TGLLightSource::SetSpotCutOff(float degrees) {
  m_spotCutOff = degrees;
  NotifyChange();
}

void TGLLightSource::SetShining(bool shining) {
  m_shining = shining;
  NotifyChange();
}

}  // namespace ovalon
