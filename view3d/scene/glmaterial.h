#pragma once
// Materials of the scene objects: front face colours, lighting switch and polygon mode.

#include "view3d/scene/glvector.h"

namespace ovalon {

class TGLSceneObject;

enum TGLMaterialOption { moIgnoreFog, moNoLighting };
using TGLMaterialOptions = EnumSet<TGLMaterialOption>;

/// pmFill draws filled polygons, pmLines only their edges.
enum TGLPolygonMode { pmFill, pmLines };

/// bmOpaque covers what lies behind; bmTransparency blends the front Diffuse colour over it by
/// its alpha, after everything opaque of the frame has been drawn.
enum TGLBlendingMode { bmOpaque, bmTransparency };

/// Colours of one face side under the fixed-function lighting. Every change is reported to
/// the owning object, so that the view redraws.
class TGLFaceProperties {
 public:
  explicit TGLFaceProperties(TGLSceneObject* owner) : m_owner(owner) {}

  /// Default (0.2, 0.2, 0.2, 1).
  SceneColor Ambient() const { return m_ambient; }
  void SetAmbient(SceneColor color);
  /// Default (0.8, 0.8, 0.8, 1); also the colour of an unlit (moNoLighting) object.
  SceneColor Diffuse() const { return m_diffuse; }
  void SetDiffuse(SceneColor color);
  /// Default opaque black.
  SceneColor Emission() const { return m_emission; }
  void SetEmission(SceneColor color);
  /// Default opaque black.
  SceneColor Specular() const { return m_specular; }
  void SetSpecular(SceneColor color);
  /// Specular exponent 0..128, default 0.
  int Shininess() const { return m_shininess; }
  void SetShininess(int shininess);

 private:
  TGLSceneObject* m_owner;
  SceneColor m_ambient{0.2f, 0.2f, 0.2f, 1};
  SceneColor m_diffuse{0.8f, 0.8f, 0.8f, 1};
  SceneColor m_emission{0, 0, 0, 1};
  SceneColor m_specular{0, 0, 0, 1};
  int m_shininess = 0;
};

/// The material of a sphere, text or height field.
class TGLMaterial {
 public:
  explicit TGLMaterial(TGLSceneObject* owner) : m_owner(owner), m_front(owner) {}

  TGLFaceProperties& FrontProperties() { return m_front; }
  const TGLFaceProperties& FrontProperties() const { return m_front; }

  /// moNoLighting draws the object unlit in its front Diffuse colour. Default empty.
  TGLMaterialOptions MaterialOptions() const { return m_options; }
  void SetMaterialOptions(TGLMaterialOptions options);

  /// Default pmFill.
  TGLPolygonMode PolygonMode() const { return m_polygonMode; }
  void SetPolygonMode(TGLPolygonMode mode);

  /// Default bmOpaque.
  TGLBlendingMode BlendingMode() const { return m_blendingMode; }
  void SetBlendingMode(TGLBlendingMode mode);

  /// True when the object is drawn with lighting (moNoLighting absent).
  bool IsLit() const { return !m_options.Contains(moNoLighting); }

 private:
  TGLSceneObject* m_owner;
  TGLFaceProperties m_front;
  TGLMaterialOptions m_options;
  TGLPolygonMode m_polygonMode = pmFill;
  TGLBlendingMode m_blendingMode = bmOpaque;
};

}  // namespace ovalon
