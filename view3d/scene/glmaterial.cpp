#include "view3d/scene/glmaterial.h"

#include "view3d/scene/glscene.h"

namespace ovalon {

void TGLFaceProperties::SetAmbient(SceneColor color) {
  m_ambient = color;
  m_owner->NotifyChange();
}

void TGLFaceProperties::SetDiffuse(SceneColor color) {
  m_diffuse = color;
  m_owner->NotifyChange();
}

void TGLFaceProperties::SetEmission(SceneColor color) {
  m_emission = color;
  m_owner->NotifyChange();
}

void TGLFaceProperties::SetSpecular(SceneColor color) {
  m_specular = color;
  m_owner->NotifyChange();
}

void TGLFaceProperties::SetShininess(int shininess) {
  m_shininess = shininess;
  m_owner->NotifyChange();
}

void TGLMaterial::SetMaterialOptions(TGLMaterialOptions options) {
  m_options = options;
  m_owner->NotifyChange();
}

void TGLMaterial::SetPolygonMode(TGLPolygonMode mode) {
  m_polygonMode = mode;
  m_owner->NotifyChange();
}

void TGLMaterial::SetBlendingMode(TGLBlendingMode mode) {
  m_blendingMode = mode;
  m_owner->NotifyChange();
}

}  // namespace ovalon
