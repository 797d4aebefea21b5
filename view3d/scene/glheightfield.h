#pragma once
// TGLHeightField: a triangle mesh over a grid sampled by a height callback, with the two
// TGLSamplingScale axes that define the grid.

#include <cstdint>
#include <functional>
#include <vector>

#include "view3d/scene/globjects.h"

namespace ovalon {

class TGLHeightField;

/// One axis of a height field's grid: Min, Max, Origin and Step, 32-bit reals with defaults
/// 0, 0, 0 and 0.1. Every change marks the field's mesh for rebuilding.
class TGLSamplingScale {
 public:
  explicit TGLSamplingScale(TGLHeightField* owner) : m_owner(owner) {}

  float Min() const { return m_min; }
  /// Min := v; Max is raised to v when it is below v.
  void SetMin(float v);
  float Max() const { return m_max; }
  /// Max := v; Min is lowered to v when it is above v.
  void SetMax(float v);
  /// A point the grid passes through.
  float Origin() const { return m_origin; }
  void SetOrigin(float v);
  float Step() const { return m_step; }
  /// Step := v when v > 0, otherwise 1 (a not-a-number included).
  void SetStep(float v);

  /// Max ≠ Min and neither is a not-a-number.
  bool IsUsable() const;

 private:
  void Changed();

  TGLHeightField* m_owner;
  float m_min = 0;
  float m_max = 0;
  float m_origin = 0;
  float m_step = 0.1f;
};

/// The first sample of an axis, so that the grid passes through Origin (32-bit arithmetic).
float SamplingBase(float min, float origin, float step);

/// Upper limit of samples per axis, which keeps absurd ranges (a step lost against a huge
/// bound, an infinite bound) from exhausting memory.
constexpr int MaxSamplesPerAxis = 4096;

/// The samples base, base + Step, … (each sum rounded to 32 bits) not greater than Max; empty
/// for an unusable scale. Stops early when adding Step no longer increases the value.
std::vector<float> SampleAxis(const TGLSamplingScale& scale);

enum THeightFieldOption { hfoTextureCoordinates, hfoTwoSided };
using THeightFieldOptions = EnumSet<THeightFieldOption>;

/// A texture coordinate (s, t) handed to the height callback.
struct TexPoint {
  float s = 0;
  float t = 0;
};

/// OnGetHeight(x, y, z, color, texPoint): sets z for the sample (x, y); z starts at 0, color
/// at opaque white, texPoint at the sample's place in the ranges (hfoTextureCoordinates) or
/// (0, 0). Only z is used.
using THeightFieldGetHeightEvent =
    std::function<void(float x, float y, float& z, SceneColor& color, TexPoint& texPoint)>;

/// The sampled grid with the triangles and edges that are drawn.
struct HeightFieldMesh {
  int columns = 0;  ///< x samples per row
  int rows = 0;     ///< y samples
  /// rows × columns vertices (x, y, z), row by row; a vertex with a non-finite z is used by
  /// no triangle or edge.
  std::vector<SceneVector> vertices;
  /// Three indices per triangle, counter-clockwise seen from +z: every grid cell is split by
  /// the diagonal from (x_k, y_j+1) to (x_k+1, y_j); only triangles of three finite vertices.
  std::vector<std::uint32_t> triangles;
  /// Two indices per edge: every edge of those triangles, once.
  std::vector<std::uint32_t> edges;
};

/// Samples the grid of the two scales (rows along y outside, columns along x inside), calling
/// getHeight once per sample when set. Empty, without any call, when a scale is unusable.
HeightFieldMesh BuildHeightFieldMesh(const TGLSamplingScale& xScale, const TGLSamplingScale& yScale,
                                     const THeightFieldGetHeightEvent& getHeight,
                                     bool textureCoordinates);

/// The lighter wire frame of `mesh` for frames drawn while the view moves: the grid lines of
/// every `stride`-th row and column (counted from the first) and of the outermost rows and
/// columns that hold finite vertices, each through every `stride`-th sample of a run of finite
/// vertices and through both ends of the run, so that the lines still reach the surface's edge. Two
/// indices per segment; stride ≥ 2 (at stride 1 the mesh's own edges are the wire frame).
std::vector<std::uint32_t> WireFrameEdges(const HeightFieldMesh& mesh, int stride);

/// The lighter filled surface of `mesh`: triangles between neighbouring rows of those that
/// WireFrameEdges keeps, through the samples it keeps on them, so that the surface still
/// reaches its edge. Three indices per triangle, counter-clockwise seen from +z; stride ≥ 2
/// (at stride 1 the mesh's own triangles are the surface).
std::vector<std::uint32_t> SurfaceTriangles(const HeightFieldMesh& mesh, int stride);

/// Unit vertex normals pointing to +z, from the neighbouring finite vertices; for lit drawing.
std::vector<SceneVector> HeightFieldNormals(const HeightFieldMesh& mesh);

/// A surface z = f(x, y) sampled on a grid; the mesh is built when first asked for and again
/// only after a change of the scales, the options or the callback.
class TGLHeightField : public TGLMaterialObject {
 public:
  TGLSamplingScale& XSamplingScale() { return m_xScale; }
  TGLSamplingScale& YSamplingScale() { return m_yScale; }
  const TGLSamplingScale& XSamplingScale() const { return m_xScale; }
  const TGLSamplingScale& YSamplingScale() const { return m_yScale; }

  const THeightFieldGetHeightEvent& OnGetHeight() const { return m_onGetHeight; }
  void SetOnGetHeight(THeightFieldGetHeightEvent callback);

  /// hfoTwoSided draws both faces (no culling); hfoTextureCoordinates passes texture points
  /// to the callback. Default empty.
  THeightFieldOptions Options() const { return m_options; }
  void SetOptions(THeightFieldOptions options);

  /// The current mesh, sampled now if anything changed since the last build.
  const HeightFieldMesh& Mesh();
  /// Grows by one with every build of the mesh.
  std::uint64_t MeshVersion() const { return m_meshVersion; }

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  friend class TGLSamplingScale;
  void Invalidate();

  TGLSamplingScale m_xScale{this};
  TGLSamplingScale m_yScale{this};
  THeightFieldGetHeightEvent m_onGetHeight;
  THeightFieldOptions m_options;
  HeightFieldMesh m_mesh;
  bool m_meshValid = false;
  std::uint64_t m_meshVersion = 0;
};

}  // namespace ovalon
