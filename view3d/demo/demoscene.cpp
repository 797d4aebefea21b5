#include "view3d/demo/demoscene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace ovalon {
namespace {

/// The 60 vertices of a truncated icosahedron with edge 2: the cyclic permutations of
/// (0, ±1, ±3φ), (±1, ±(2 + φ), ±2φ) and (±φ, ±2, ±(2φ + 1)).
std::vector<std::array<double, 3>> TruncatedIcosahedron() {
  const double phi = std::numbers::phi;
  const std::array<std::array<double, 3>, 3> bases = {
      {{0, 1, 3 * phi}, {1, 2 + phi, 2 * phi}, {phi, 2, 2 * phi + 1}}};
  std::vector<std::array<double, 3>> points;
  for (const auto& base : bases) {
    for (int signs = 0; signs < 8; ++signs) {
      std::array<double, 3> p = base;
      bool duplicate = false;
      for (int k = 0; k < 3; ++k) {
        if (signs & (1 << k)) {
          if (p[k] == 0) duplicate = true;
          p[k] = -p[k];
        }
      }
      if (duplicate) continue;
      for (int shift = 0; shift < 3; ++shift) {
        points.push_back({p[shift % 3], p[(shift + 1) % 3], p[(shift + 2) % 3]});
      }
    }
  }
  return points;
}

void FaceCamera(TGLSceneObject& object, SceneVector camera) {
  const float r = Length(camera);
  object.SetDirection({camera.x / r, camera.y / r, camera.z / r});
  object.SetUp({0, 1, 0});
}

TGLSpaceText* AddText(TGLScene& scene, const std::string& text, SceneVector at,
                      SceneVector camera) {
  auto* label = scene.Objects().AddNewChild<TGLSpaceText>();
  label->SetText(text);
  label->SetPosition(at);
  FaceCamera(*label, camera);
  return label;
}

TGLHeightField* AddHalf(TGLScene& scene, DemoAxes axes, int sign) {
  auto* field = scene.Objects().AddNewChild<TGLHeightField>();
  field->SetOptions({hfoTextureCoordinates, hfoTwoSided});
  field->Material().SetMaterialOptions({moNoLighting});
  field->Material().SetPolygonMode(pmLines);
  field->Material().FrontProperties().SetDiffuse({0.2745f, 0.7843f, 0.8235f, 0.19f});
  field->SetOnGetHeight([axes, sign, field](float x, float y, float& z, SceneColor&, TexPoint&) {
    z = EllipsoidHeight(axes, sign, x, y, field->XSamplingScale().Step(),
                        field->YSamplingScale().Step());
  });
  return field;
}

}  // namespace

float EllipsoidHeight(DemoAxes axes, int sign, float x, float y, float stepX, float stepY) {
  const long double a1 = axes.a1, a2 = axes.a2, a3 = axes.a3;
  const long double u = (x / a1) * (x / a1);
  const long double w = (y / a2) * (y / a2);
  float z = static_cast<float>(sign * a3 * std::sqrt((1 - u) - w));
  if (u + w >= 1) {
    const long double rx = x / (a1 + stepX), ry = y / (a2 + stepY);
    if (rx * rx + ry * ry < 1) z = 0;
  }
  return z;
}

void SetEllipsoidSampling(const DemoScene& demo, DemoAxes axes, int divisions, bool shown) {
  for (TGLHeightField* field : {demo.upper, demo.lower}) {
    TGLSamplingScale& x = field->XSamplingScale();
    TGLSamplingScale& y = field->YSamplingScale();
    if (shown) {
      const float a1 = static_cast<float>(axes.a1), a2 = static_cast<float>(axes.a2);
      x.SetStep(a1 / static_cast<float>(divisions));
      y.SetStep(a2 / static_cast<float>(divisions));
      x.SetMax(a1);
      x.SetMin(-a1);
      y.SetMax(a2);
      y.SetMin(-a2);
    } else {
      x.SetMax(0);
      x.SetMin(0);
      y.SetMax(0);
      y.SetMin(0);
    }
  }
}

DemoScene BuildDemoScene(TGLScene& scene, SceneVector cameraPosition, DemoAxes axes) {
  DemoScene demo;
  TGLSceneObject& root = scene.Objects();
  demo.points = root.AddNewChild<TGLPoints>();
  demo.camera = root.AddNewChild<TGLCamera>();
  demo.camera->SetPosition(cameraPosition);
  demo.camera->SetTargetObject(demo.points);
  demo.camera->AddNewChild<TGLLightSource>();

  // The cage, stretched so that its circumscribed sphere becomes the ellipsoid.
  std::vector<std::array<double, 3>> atoms = TruncatedIcosahedron();
  const double radius = std::sqrt(1 + 9 * std::numbers::phi * std::numbers::phi);
  for (auto& p : atoms) {
    p = {p[0] / radius * axes.a1, p[1] / radius * axes.a2, p[2] / radius * axes.a3};
  }
  for (std::size_t i = 0; i < atoms.size(); ++i) {
    const SceneVector at{static_cast<float>(atoms[i][0]), static_cast<float>(atoms[i][1]),
                         static_cast<float>(atoms[i][2])};
    demo.points->Positions().Add(at.x, at.y, at.z);
    auto* sphere = root.AddNewChild<TGLSphere>();
    sphere->SetRadius(0.1f);
    sphere->SetPosition(at);
    sphere->Material().FrontProperties().SetDiffuse(i % 3 == 0 ? ColorFromRGB(0, 0, 255)
                                                               : ColorFromRGB(255, 0, 0));

    // Lines to the three nearest atoms.
    std::vector<std::pair<double, std::size_t>> distances;
    for (std::size_t j = 0; j < atoms.size(); ++j) {
      if (j == i) continue;
      const double dx = atoms[i][0] - atoms[j][0], dy = atoms[i][1] - atoms[j][1],
                   dz = atoms[i][2] - atoms[j][2];
      distances.push_back({std::sqrt(dx * dx + dy * dy + dz * dz), j});
    }
    std::partial_sort(distances.begin(), distances.begin() + 3, distances.end());
    for (int k = 0; k < 3; ++k) {
      const auto& other = atoms[distances[k].second];
      auto* bond = root.AddNewChild<TGLLines>();
      bond->SetNodesAspect(lnaInvisible);
      bond->SetLineWidth(4);
      bond->AddNode(at.x, at.y, at.z);
      bond->AddNode(static_cast<float>(other[0]), static_cast<float>(other[1]),
                    static_cast<float>(other[2]));
      bond->SetLineColor(ColorFromRGB(0, 100, 0));
    }
    AddText(scene, std::to_string(i + 1), at, cameraPosition);
  }

  AddText(scene, "x", {7, 0, 0}, cameraPosition)->Adjust().SetHorz(haCenter);
  AddText(scene, "y", {0, 7, 0}, cameraPosition);
  AddText(scene, "z", {0, 0, 7}, cameraPosition)->Adjust().SetHorz(haCenter);
  demo.points->SetShowAxes(true);

  demo.upper = AddHalf(scene, axes, +1);
  demo.lower = AddHalf(scene, axes, -1);
  SetEllipsoidSampling(demo, axes, 150, true);
  return demo;
}

}  // namespace ovalon
