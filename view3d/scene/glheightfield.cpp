#include "view3d/scene/glheightfield.h"

#include <cmath>

namespace ovalon {

void TGLSamplingScale::SetMin(float v) {
  m_min = v;
  if (m_max < v) m_max = v;
  Changed();
}

void TGLSamplingScale::SetMax(float v) {
  m_max = v;
  if (m_min > v) m_min = v;
  Changed();
}

void TGLSamplingScale::SetOrigin(float v) {
  m_origin = v;
  Changed();
}

void TGLSamplingScale::SetStep(float v) {
  m_step = v > 0 ? v : 1.0f;
  Changed();
}

bool TGLSamplingScale::IsUsable() const {
  return !std::isnan(m_min) && !std::isnan(m_max) && m_max != m_min;
}

void TGLSamplingScale::Changed() { m_owner->Invalidate(); }

float SamplingBase(float min, float origin, float step) {
  if (origin == min) return min;
  const float q = (origin - min) / step;
  float t = std::trunc(q);
  // One step further down for a negative quotient, even a whole one.
  if (q < 0) t = t - 1;
  const float offset = t * step;
  return origin - offset;
}

std::vector<float> SampleAxis(const TGLSamplingScale& scale) {
  std::vector<float> samples;
  if (!scale.IsUsable()) return samples;
  const float step = scale.Step();
  float value = SamplingBase(scale.Min(), scale.Origin(), step);
  while (value <= scale.Max() && static_cast<int>(samples.size()) < MaxSamplesPerAxis) {
    samples.push_back(value);
    const float next = value + step;
    if (!(next > value)) break;
    value = next;
  }
  return samples;
}

namespace {

/// Which of the two triangles of each cell are drawn, and the edges they use.
void AddTrianglesAndEdges(HeightFieldMesh& mesh) {
  const int columns = mesh.columns;
  const int rows = mesh.rows;
  std::vector<char> finite(mesh.vertices.size());
  for (std::size_t i = 0; i < mesh.vertices.size(); ++i) finite[i] = IsFinite(mesh.vertices[i]);
  auto index = [columns](int k, int j) { return static_cast<std::uint32_t>(j * columns + k); };
  // Lower triangle (k, j), (k+1, j), (k, j+1) and upper triangle (k+1, j), (k+1, j+1), (k, j+1).
  auto lower = [&](int k, int j) {
    return finite[index(k, j)] && finite[index(k + 1, j)] && finite[index(k, j + 1)];
  };
  auto upper = [&](int k, int j) {
    return finite[index(k + 1, j)] && finite[index(k + 1, j + 1)] && finite[index(k, j + 1)];
  };
  auto addEdge = [&mesh](std::uint32_t a, std::uint32_t b) {
    mesh.edges.push_back(a);
    mesh.edges.push_back(b);
  };
  for (int j = 0; j + 1 < rows; ++j) {
    for (int k = 0; k + 1 < columns; ++k) {
      const std::uint32_t a = index(k, j), b = index(k + 1, j);
      const std::uint32_t c = index(k, j + 1), d = index(k + 1, j + 1);
      const bool hasLower = lower(k, j);
      const bool hasUpper = upper(k, j);
      if (hasLower) mesh.triangles.insert(mesh.triangles.end(), {a, b, c});
      if (hasUpper) mesh.triangles.insert(mesh.triangles.end(), {b, d, c});
      // Each edge is emitted by the cell that has it on its bottom, left or diagonal side,
      // and by the last row and column for the top and right sides.
      if (hasLower || (j > 0 && upper(k, j - 1))) addEdge(a, b);
      if (hasLower || (k > 0 && upper(k - 1, j))) addEdge(a, c);
      if (hasLower || hasUpper) addEdge(b, c);
      if (hasUpper && j + 2 == rows) addEdge(c, d);
      if (hasUpper && k + 2 == columns) addEdge(b, d);
    }
  }
}

}  // namespace

HeightFieldMesh BuildHeightFieldMesh(const TGLSamplingScale& xScale, const TGLSamplingScale& yScale,
                                     const THeightFieldGetHeightEvent& getHeight,
                                     bool textureCoordinates) {
  HeightFieldMesh mesh;
  if (!xScale.IsUsable() || !yScale.IsUsable()) return mesh;
  const std::vector<float> xs = SampleAxis(xScale);
  const std::vector<float> ys = SampleAxis(yScale);
  mesh.columns = static_cast<int>(xs.size());
  mesh.rows = static_cast<int>(ys.size());
  mesh.vertices.reserve(xs.size() * ys.size());
  const float xRange = xScale.Max() - xScale.Min();
  const float yRange = yScale.Max() - yScale.Min();
  for (float y : ys) {
    for (float x : xs) {
      float z = 0;
      if (getHeight) {
        SceneColor color{1, 1, 1, 1};
        TexPoint texPoint;
        if (textureCoordinates) {
          texPoint = {(x - xScale.Min()) / xRange, (y - yScale.Min()) / yRange};
        }
        getHeight(x, y, z, color, texPoint);
      }
      mesh.vertices.push_back({x, y, z});
    }
  }
  AddTrianglesAndEdges(mesh);
  return mesh;
}

std::vector<SceneVector> HeightFieldNormals(const HeightFieldMesh& mesh) {
  std::vector<SceneVector> normals(mesh.vertices.size(), SceneVector{0, 0, 1});
  auto at = [&mesh](int k, int j) { return mesh.vertices[j * mesh.columns + k]; };
  // The difference across the vertex, or to one side where the other neighbour is missing.
  auto across = [](SceneVector before, SceneVector here, SceneVector after, bool hasBefore,
                   bool hasAfter) {
    if (hasBefore && hasAfter && IsFinite(before) && IsFinite(after)) return after - before;
    if (hasAfter && IsFinite(after)) return after - here;
    if (hasBefore && IsFinite(before)) return here - before;
    return SceneVector{0, 0, 0};
  };
  for (int j = 0; j < mesh.rows; ++j) {
    for (int k = 0; k < mesh.columns; ++k) {
      const SceneVector here = at(k, j);
      if (!IsFinite(here)) continue;
      const bool left = k > 0, right = k + 1 < mesh.columns;
      const bool below = j > 0, above = j + 1 < mesh.rows;
      const SceneVector dx =
          across(left ? at(k - 1, j) : here, here, right ? at(k + 1, j) : here, left, right);
      const SceneVector dy =
          across(below ? at(k, j - 1) : here, here, above ? at(k, j + 1) : here, below, above);
      const SceneVector n = Cross(dx, dy);
      if (Length(n) > 0) normals[j * mesh.columns + k] = Normalized(n);
    }
  }
  return normals;
}

void TGLHeightField::SetOnGetHeight(THeightFieldGetHeightEvent callback) {
  m_onGetHeight = std::move(callback);
  Invalidate();
}

void TGLHeightField::SetOptions(THeightFieldOptions options) {
  m_options = options;
  Invalidate();
}

const HeightFieldMesh& TGLHeightField::Mesh() {
  if (!m_meshValid) {
    m_mesh = BuildHeightFieldMesh(m_xScale, m_yScale, m_onGetHeight,
                                  m_options.Contains(hfoTextureCoordinates));
    m_meshValid = true;
    ++m_meshVersion;
  }
  return m_mesh;
}

void TGLHeightField::Invalidate() {
  m_meshValid = false;
  NotifyChange();
}

}  // namespace ovalon
