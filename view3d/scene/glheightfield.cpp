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
  // The lists grew by doubling; the mesh is kept as long as the field is shown.
  mesh.triangles.shrink_to_fit();
  mesh.edges.shrink_to_fit();
  return mesh;
}

namespace {

/// The samples that a lighter frame keeps of one grid line of `count` samples, the i-th at
/// vertex first + i × spacing: per run of finite vertices, the positions along the line (i)
/// of its first sample, of every `stride`-th one and of its last.
std::vector<std::vector<int>> KeptSamples(const HeightFieldMesh& mesh, std::uint32_t first,
                                          std::uint32_t spacing, int count, int stride) {
  std::vector<std::vector<int>> runs;
  const auto finite = [&](int i) { return IsFinite(mesh.vertices[first + i * spacing]); };
  for (int i = 0; i < count; ++i) {
    if (!finite(i)) continue;
    std::vector<int>& run = runs.emplace_back(1, i);
    while (i + 1 < count && finite(i + 1)) {
      ++i;
      if (i % stride == 0 || i + 1 == count || !finite(i + 1)) run.push_back(i);
    }
  }
  return runs;
}

/// Of the `count` grid lines whose samples are vertices first + i × step + n × spacing
/// (n = 0 … length − 1) for line i, every stride-th one and the first and the last that hold
/// a finite vertex, so that the lighter frame reaches the surface's edge across the lines too.
std::vector<int> KeptLines(const HeightFieldMesh& mesh, int count, std::uint32_t step,
                           std::uint32_t spacing, int length, int stride) {
  const auto holdsFinite = [&](int i) {
    for (int n = 0; n < length; ++n) {
      if (IsFinite(mesh.vertices[i * step + n * spacing])) return true;
    }
    return false;
  };
  int first = 0, last = count - 1;
  while (first <= last && !holdsFinite(first)) ++first;
  while (last > first && !holdsFinite(last)) --last;
  std::vector<int> lines;
  if (first > last) return lines;
  lines.push_back(first);
  for (int i = (first / stride + 1) * stride; i < last; i += stride) lines.push_back(i);
  if (last != first) lines.push_back(last);
  return lines;
}

std::vector<int> KeptRows(const HeightFieldMesh& mesh, int stride) {
  return KeptLines(mesh, mesh.rows, mesh.columns, 1, mesh.columns, stride);
}

std::vector<int> KeptColumns(const HeightFieldMesh& mesh, int stride) {
  return KeptLines(mesh, mesh.columns, 1, mesh.columns, mesh.rows, stride);
}

}  // namespace

std::vector<std::uint32_t> WireFrameEdges(const HeightFieldMesh& mesh, int stride) {
  std::vector<std::uint32_t> edges;
  const auto columns = static_cast<std::uint32_t>(mesh.columns);
  const auto addLine = [&](std::uint32_t first, std::uint32_t spacing, int count) {
    for (const std::vector<int>& run : KeptSamples(mesh, first, spacing, count, stride)) {
      for (std::size_t n = 0; n + 1 < run.size(); ++n) {
        edges.push_back(first + run[n] * spacing);
        edges.push_back(first + run[n + 1] * spacing);
      }
    }
  };
  for (int j : KeptRows(mesh, stride)) addLine(j * columns, 1, mesh.columns);
  for (int k : KeptColumns(mesh, stride)) addLine(k, columns, mesh.rows);
  return edges;
}

std::vector<std::uint32_t> SurfaceTriangles(const HeightFieldMesh& mesh, int stride) {
  std::vector<std::uint32_t> triangles;
  const auto columns = static_cast<std::uint32_t>(mesh.columns);
  const std::vector<int> rows = KeptRows(mesh, stride);
  for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
    const std::uint32_t lowRow = rows[r] * columns, highRow = rows[r + 1] * columns;
    const auto lowRuns = KeptSamples(mesh, lowRow, 1, mesh.columns, stride);
    const auto highRuns = KeptSamples(mesh, highRow, 1, mesh.columns, stride);
    for (const std::vector<int>& low : lowRuns) {
      for (const std::vector<int>& high : highRuns) {
        if (low.back() < high.front() || high.back() < low.front()) continue;
        // Zip the two runs together from left to right, always advancing along the row whose
        // next sample lies further left; counter-clockwise seen from +z.
        std::size_t a = 0, b = 0;
        while (a + 1 < low.size() || b + 1 < high.size()) {
          const bool advanceLow =
              b + 1 == high.size() || (a + 1 < low.size() && low[a + 1] <= high[b + 1]);
          if (advanceLow) {
            triangles.insert(triangles.end(),
                             {lowRow + low[a], lowRow + low[a + 1], highRow + high[b]});
            ++a;
          } else {
            triangles.insert(triangles.end(),
                             {lowRow + low[a], highRow + high[b + 1], highRow + high[b]});
            ++b;
          }
        }
      }
    }
  }
  return triangles;
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
