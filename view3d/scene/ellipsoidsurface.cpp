#include "view3d/scene/ellipsoidsurface.h"

#include <cmath>

#include "core/extended.h"

namespace ovalon {

void SetEllipsoidSampling(TGLHeightField& upper, TGLHeightField& lower,
                          const std::array<double, 3>& semiAxes, int divisions, bool shown) {
  const Extended a1 = semiAxes[0];
  const Extended a2 = semiAxes[1];
  for (TGLHeightField* field : {&upper, &lower}) {
    TGLSamplingScale& x = field->XSamplingScale();
    TGLSamplingScale& y = field->YSamplingScale();
    if (shown) {
      x.SetStep(static_cast<float>(a1 / divisions));
      y.SetStep(static_cast<float>(a2 / divisions));
      x.SetMax(static_cast<float>(a1));
      x.SetMin(static_cast<float>(-a1));
      y.SetMax(static_cast<float>(a2));
      y.SetMin(static_cast<float>(-a2));
    } else {
      x.SetMax(0);
      x.SetMin(0);
      y.SetMax(0);
      y.SetMin(0);
    }
  }
}

void SetEllipsoidAppearance(TGLHeightField& field, bool translucent) {
  TGLMaterial& material = field.Material();
  TGLFaceProperties& front = material.FrontProperties();
  if (translucent) {
    material.SetMaterialOptions({});
    material.SetPolygonMode(pmFill);
    material.SetBlendingMode(bmTransparency);
    front.SetAmbient({0.2745f, 0.7843f, 0.8235f, 0.35f});
    front.SetDiffuse({0.2745f, 0.7843f, 0.8235f, 0.35f});
  } else {
    material.SetMaterialOptions({moNoLighting});
    material.SetPolygonMode(pmLines);
    material.SetBlendingMode(bmOpaque);
    front.SetAmbient({0.2f, 0.2f, 0.2f, 1});
    front.SetDiffuse({0.2745f, 0.7843f, 0.8235f, 0.19f});
  }
}

float EllipsoidHeight(const std::array<double, 3>& semiAxes, int sign, float x, float y,
                      float stepX, float stepY) {
  const Extended a1 = semiAxes[0];
  const Extended a2 = semiAxes[1];
  const Extended a3 = semiAxes[2];
  const Extended rx = x / a1;
  const Extended ry = y / a2;
  const Extended u = rx * rx;
  const Extended w = ry * ry;
  float z = static_cast<float>(sign * a3 * std::sqrt((1 - u) - w));
  if (u + w >= 1) {
    // The ring one step wide around the footprint closes the wire frame at the equator.
    const Extended gx = x / (a1 + stepX);
    const Extended gy = y / (a2 + stepY);
    if (gx * gx + gy * gy < 1) z = 0;
  }
  return z;
}

}  // namespace ovalon
