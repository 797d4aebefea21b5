#include "view3d/scene/glheightfield.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace ovalon {
namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

TEST(TGLSamplingScale, SettersKeepMinNotAboveMax) {
  TGLHeightField field;
  TGLSamplingScale& scale = field.XSamplingScale();
  EXPECT_EQ(scale.Min(), 0);
  EXPECT_EQ(scale.Max(), 0);
  EXPECT_EQ(scale.Origin(), 0);
  EXPECT_EQ(scale.Step(), 0.1f);
  EXPECT_FALSE(scale.IsUsable());

  scale.SetMax(2);
  scale.SetMin(-2);
  EXPECT_TRUE(scale.IsUsable());
  scale.SetMin(5);  // above Max: Max follows, the range collapses
  EXPECT_EQ(scale.Max(), 5);
  EXPECT_FALSE(scale.IsUsable());
  scale.SetMax(-1);  // below Min: Min follows
  EXPECT_EQ(scale.Min(), -1);
  EXPECT_EQ(scale.Max(), -1);
  scale.SetMax(3);  // above Min: Min stays
  EXPECT_EQ(scale.Min(), -1);
  EXPECT_TRUE(scale.IsUsable());

  // A not-a-number bound compares false both ways, so the other bound stays; unusable.
  scale.SetMax(NaN);
  EXPECT_EQ(scale.Min(), -1);
  EXPECT_FALSE(scale.IsUsable());
  scale.SetMax(3);
  scale.SetMin(NaN);
  EXPECT_EQ(scale.Max(), 3);
  EXPECT_FALSE(scale.IsUsable());
}

TEST(TGLSamplingScale, NonPositiveStepBecomesOne) {
  const std::pair<float, float> cases[] = {{0.25f, 0.25f}, {0, 1},   {-0.0f, 1},
                                           {-2, 1},        {NaN, 1}, {1e-30f, 1e-30f}};
  TGLHeightField field;
  for (const auto& [set, expected] : cases) {
    SCOPED_TRACE(set);
    field.YSamplingScale().SetStep(set);
    EXPECT_EQ(field.YSamplingScale().Step(), expected);
  }
}

TEST(SamplingBase, GridPassesThroughOrigin) {
  struct Case {
    const char* name;
    float min, origin, step, base;
  };
  const Case cases[] = {
      {"origin at min", -1, -1, 0.3f, -1},
      // q = 1/0.3 = 3.33.., truncated to 3: base = 0 − 3 × 0.3.
      {"origin above min", -1, 0, 0.3f, 0 - 3 * 0.3f},
      // q = −1/0.3 = −3.33..: −3, then one further: −4, base = 0 + 4 × 0.3 = 1.2.
      {"origin below min", 1, 0, 0.3f, 0 - (-4) * 0.3f},
      // q = −2 exactly still goes one further, to −3: the base lands above Min.
      {"whole negative quotient", 1, 0, 0.5f, 1.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SamplingBase(c.min, c.origin, c.step), c.base);
  }
}

std::vector<float> Samples(float min, float max, float origin, float step) {
  TGLHeightField field;
  TGLSamplingScale& scale = field.XSamplingScale();
  scale.SetMax(max);
  scale.SetMin(min);
  scale.SetOrigin(origin);
  scale.SetStep(step);
  return SampleAxis(scale);
}

TEST(SampleAxis, SamplesUpToMax) {
  EXPECT_EQ(Samples(-1, 1, 0, 0.5f), (std::vector<float>{-1, -0.5f, 0, 0.5f, 1}));
  EXPECT_EQ(Samples(-1, 1.2f, 0, 0.5f), (std::vector<float>{-1, -0.5f, 0, 0.5f, 1}));
  EXPECT_EQ(Samples(0, 1, 0, 2), (std::vector<float>{0}));
  EXPECT_TRUE(Samples(0, 0, 0, 0.1f).empty());
  // Single-precision sums 0.1f + 0.1f + … reach 1.0000001 (computed with Python, every sum
  // rounded to binary32 via struct), past Max 1: ten samples, the last 0.90000010.
  const std::vector<float> tenths = Samples(0, 1, 0, 0.1f);
  ASSERT_EQ(tenths.size(), 10u);
  EXPECT_EQ(tenths.back(), 0.9000000953674316f);
}

// The ellipsoid's sampling: Step a/150, range [−a, a], Origin 0. Counts from the same Python
// binary32 computation of the base and the running sums: 300 or 301 samples.
TEST(SampleAxis, EllipsoidHalfAxisGivesAboutThreeHundredSamples) {
  const std::pair<float, int> cases[] = {{3.3f, 300}, {3.5f, 301}, {3.7f, 300}, {7.1f, 301}};
  for (const auto& [a, count] : cases) {
    SCOPED_TRACE(a);
    const std::vector<float> xs = Samples(-a, a, 0, a / 150);
    EXPECT_EQ(static_cast<int>(xs.size()), count);
    EXPECT_GE(xs.front(), -a);
    EXPECT_LE(xs.back(), a);
  }
}

TEST(SampleAxis, AbsurdRangesEndWithoutExhaustingMemory) {
  EXPECT_EQ(Samples(-1e10f, 1e10f, 0, 0.1f).size(), 1u);  // 0.1 is lost against 1e10
  EXPECT_EQ(Samples(0, Inf, 0, 0.1f).size(), static_cast<std::size_t>(MaxSamplesPerAxis));
  // The base 0 − ∞ × 0.1 is −∞, and −∞ + 0.1 does not move on.
  EXPECT_EQ(Samples(-Inf, 0, 0, 0.1f), (std::vector<float>{-Inf}));
  EXPECT_EQ(Samples(-1, 1, 0, Inf).size(), 0u);  // the base 0 − 0 × ∞ is not a number
}

using Triangle = std::set<std::uint32_t>;
using Edge = std::pair<std::uint32_t, std::uint32_t>;

std::set<Triangle> Triangles(const HeightFieldMesh& mesh) {
  std::set<Triangle> result;
  for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
    result.insert({mesh.triangles[i], mesh.triangles[i + 1], mesh.triangles[i + 2]});
  }
  return result;
}

std::vector<Edge> Edges(const HeightFieldMesh& mesh) {
  std::vector<Edge> result;
  for (std::size_t i = 0; i < mesh.edges.size(); i += 2) {
    result.push_back(std::minmax(mesh.edges[i], mesh.edges[i + 1]));
  }
  std::sort(result.begin(), result.end());
  return result;
}

/// A 3 × 3 grid over [0, 2]², vertex index 3j + k for (x_k, y_j), with heights from `height`.
class GridFixture : public ::testing::Test {
 protected:
  GridFixture() {
    for (TGLSamplingScale* scale : {&field.XSamplingScale(), &field.YSamplingScale()}) {
      scale->SetMax(2);
      scale->SetStep(1);
    }
    field.SetOnGetHeight([this](float x, float y, float& z, SceneColor&, TexPoint&) {
      calls.push_back({x, y});
      z = height(x, y);
    });
  }
  TGLHeightField field;
  std::vector<std::pair<float, float>> calls;
  float (*height)(float, float) = [](float x, float y) { return x + y; };
};

TEST_F(GridFixture, SamplesRowByRowAndSplitsCellsAlongTheFallingDiagonal) {
  const HeightFieldMesh& mesh = field.Mesh();
  EXPECT_EQ(calls, (std::vector<std::pair<float, float>>{
                       {0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}));
  ASSERT_EQ(mesh.vertices.size(), 9u);
  EXPECT_EQ(mesh.vertices[5], (SceneVector{2, 1, 3}));
  // Diagonals from (x_k, y_j+1) to (x_k+1, y_j): 3–1, 4–2, 6–4, 7–5.
  EXPECT_EQ(
      Triangles(mesh),
      (std::set<Triangle>{
          {0, 1, 3}, {1, 4, 3}, {1, 2, 4}, {2, 5, 4}, {3, 4, 6}, {4, 7, 6}, {4, 5, 7}, {5, 8, 7}}));
  // Twelve grid edges and four diagonals, each once.
  EXPECT_EQ(Edges(mesh), (std::vector<Edge>{{0, 1},
                                            {0, 3},
                                            {1, 2},
                                            {1, 3},
                                            {1, 4},
                                            {2, 4},
                                            {2, 5},
                                            {3, 4},
                                            {3, 6},
                                            {4, 5},
                                            {4, 6},
                                            {4, 7},
                                            {5, 7},
                                            {5, 8},
                                            {6, 7},
                                            {7, 8}}));
  // Counter-clockwise seen from +z.
  for (std::size_t i = 0; i < mesh.triangles.size(); i += 3) {
    const SceneVector a = mesh.vertices[mesh.triangles[i]];
    const SceneVector b = mesh.vertices[mesh.triangles[i + 1]];
    const SceneVector c = mesh.vertices[mesh.triangles[i + 2]];
    EXPECT_GT(Cross(b - a, c - a).z, 0);
  }
}

TEST_F(GridFixture, NonFiniteVerticesDropTheirTrianglesAndEdges) {
  height = [](float x, float y) { return x == 1 && y == 1 ? NaN : 0.0f; };
  const HeightFieldMesh& mesh = field.Mesh();
  // Six of the eight triangles use the centre vertex 4.
  EXPECT_EQ(Triangles(mesh), (std::set<Triangle>{{0, 1, 3}, {5, 8, 7}}));
  EXPECT_EQ(Edges(mesh), (std::vector<Edge>{{0, 1}, {0, 3}, {1, 3}, {5, 7}, {5, 8}, {7, 8}}));
}

TEST_F(GridFixture, InfiniteHeightsAreDroppedToo) {
  height = [](float x, float) { return x == 2 ? Inf : 0.0f; };
  const HeightFieldMesh& mesh = field.Mesh();
  EXPECT_EQ(Triangles(mesh), (std::set<Triangle>{{0, 1, 3}, {1, 4, 3}, {3, 4, 6}, {4, 7, 6}}));
  EXPECT_EQ(Edges(mesh).size(), 9u);
}

TEST_F(GridFixture, RebuiltOnlyAfterScalesOptionsOrCallbackChange) {
  field.Mesh();
  field.Mesh();
  EXPECT_EQ(calls.size(), 9u);
  EXPECT_EQ(field.MeshVersion(), 1u);
  // Moving, turning or recolouring the field keeps the mesh.
  field.SetPosition(1, 2, 3);
  field.SetDirection({1, 0, 0});
  field.Material().FrontProperties().SetDiffuse({1, 0, 0, 1});
  field.Material().SetPolygonMode(pmLines);
  field.Mesh();
  EXPECT_EQ(calls.size(), 9u);

  field.XSamplingScale().SetMax(3);
  EXPECT_EQ(field.Mesh().columns, 4);
  EXPECT_EQ(calls.size(), 9u + 12u);
  field.SetOptions({hfoTwoSided});
  field.Mesh();
  EXPECT_EQ(calls.size(), 9u + 12u + 12u);
  EXPECT_EQ(field.MeshVersion(), 3u);

  int newCalls = 0;
  field.SetOnGetHeight([&newCalls](float, float, float&, SceneColor&, TexPoint&) { ++newCalls; });
  field.Mesh();
  EXPECT_EQ(newCalls, 12);
}

TEST_F(GridFixture, UnusableScaleDrawsNothingAndCallsNothing) {
  field.YSamplingScale().SetMax(0);  // Min 0 = Max 0
  const HeightFieldMesh& mesh = field.Mesh();
  EXPECT_TRUE(mesh.vertices.empty());
  EXPECT_TRUE(mesh.triangles.empty());
  EXPECT_TRUE(calls.empty());
  field.YSamplingScale().SetMax(NaN);
  field.Mesh();
  EXPECT_TRUE(calls.empty());
}

TEST_F(GridFixture, TexturePointsSpanTheRanges) {
  std::vector<TexPoint> seen;
  field.SetOptions({hfoTextureCoordinates});
  field.SetOnGetHeight(
      [&seen](float, float, float&, SceneColor&, TexPoint& t) { seen.push_back(t); });
  field.Mesh();
  ASSERT_EQ(seen.size(), 9u);
  EXPECT_EQ(seen[1].s, 0.5f);
  EXPECT_EQ(seen[8].s, 1);
  EXPECT_EQ(seen[8].t, 1);
}

// The plane z = x slopes up along +x: its upward normal is (−1, 0, 1)/√2 at every vertex,
// the border ones included.
TEST_F(GridFixture, NormalsOfAPlane) {
  height = [](float x, float) { return x; };
  const std::vector<SceneVector> normals = HeightFieldNormals(field.Mesh());
  const float r = 1 / std::sqrt(2.0f);
  for (const SceneVector& n : normals) {
    EXPECT_NEAR(n.x, -r, 1e-6f);
    EXPECT_NEAR(n.y, 0, 1e-6f);
    EXPECT_NEAR(n.z, r, 1e-6f);
  }
}

/// A grid of columns × rows vertices at (k, j, 0), not a number where `inside` says no.
HeightFieldMesh Grid(int columns, int rows, const std::function<bool(int, int)>& inside) {
  HeightFieldMesh mesh;
  mesh.columns = columns;
  mesh.rows = rows;
  for (int j = 0; j < rows; ++j) {
    for (int k = 0; k < columns; ++k) {
      mesh.vertices.push_back({float(k), float(j), inside(k, j) ? 0 : NaN});
    }
  }
  return mesh;
}

/// Finite on the disk of radius 8 around (10, 10): rows and columns of different lengths,
/// none starting on a multiple of the strides used.
HeightFieldMesh Disk() {
  return Grid(21, 21, [](int k, int j) { return (k - 10) * (k - 10) + (j - 10) * (j - 10) <= 64; });
}

/// Twice the signed area of the triangle (a, b, c) in the xy-plane: positive counter-clockwise.
float DoubleArea(const HeightFieldMesh& mesh, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  const SceneVector p = mesh.vertices[a], q = mesh.vertices[b], r = mesh.vertices[c];
  return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
}

// Of an 8 × 8 grid at stride 3 the lines 0, 3, 6 and the last one, 7, are kept, each through
// its samples 0, 3, 6 and 7: three segments on each of the eight lines.
TEST(WireFrameEdges, EveryStrideThLineThroughEveryStrideThSampleAndTheEnds) {
  const HeightFieldMesh mesh = Grid(8, 8, [](int, int) { return true; });
  const std::vector<std::uint32_t> edges = WireFrameEdges(mesh, 3);
  std::set<Edge> segments;
  for (std::size_t i = 0; i < edges.size(); i += 2) segments.insert({edges[i], edges[i + 1]});
  ASSERT_EQ(edges.size(), 2 * 24u);
  EXPECT_EQ(segments.size(), 24u);
  for (const Edge& expected : std::vector<Edge>{{0, 3},
                                                {3, 6},
                                                {6, 7},  // row 0
                                                {56, 59},
                                                {59, 62},
                                                {62, 63},  // row 7
                                                {0, 24},
                                                {24, 48},
                                                {48, 56},  // column 0
                                                {7, 31},
                                                {31, 55},
                                                {55, 63}})  // column 7
    EXPECT_TRUE(segments.count(expected)) << expected.first << "-" << expected.second;
}

// Each kept row of the disk is a chain of segments from its first finite sample to its last, so
// the lighter wire frame still reaches the edge of the surface.
TEST(WireFrameEdges, LinesRunFromEdgeToEdgeOfTheSurface) {
  const HeightFieldMesh mesh = Disk();
  for (int stride : {2, 4, 7}) {
    SCOPED_TRACE(stride);
    std::map<std::uint32_t, int> ends;  // vertex → segments ending there
    const std::vector<std::uint32_t> edges = WireFrameEdges(mesh, stride);
    for (std::uint32_t v : edges) {
      ASSERT_TRUE(IsFinite(mesh.vertices[v]));
      ++ends[v];
    }
    // The disk spans rows 2 to 18: those two are kept with every stride-th row.
    for (int j = 2; j <= 18; ++j) {
      if (j % stride != 0 && j != 2 && j != 18) continue;
      int first = -1, last = -1;
      for (int k = 0; k < mesh.columns; ++k) {
        if (!IsFinite(mesh.vertices[j * mesh.columns + k])) continue;
        if (first < 0) first = k;
        last = k;
      }
      if (first == last) continue;  // a single sample draws no segment
      // Both ends belong to the row's chain (and to a column's, when one is kept there).
      EXPECT_GE(ends[j * mesh.columns + first], 1) << "row " << j;
      EXPECT_GE(ends[j * mesh.columns + last], 1) << "row " << j;
    }
  }
}

// On a grid finite everywhere the lighter surface covers the grid's rectangle exactly: every
// triangle counter-clockwise, their areas adding up to 7 × 7.
TEST(SurfaceTriangles, TileAFullGridCounterClockwise) {
  const HeightFieldMesh mesh = Grid(8, 8, [](int, int) { return true; });
  const std::vector<std::uint32_t> triangles = SurfaceTriangles(mesh, 3);
  // Three strips between the kept rows 0, 3, 6, 7, each zipping 4 samples to 4: 6 triangles.
  ASSERT_EQ(triangles.size(), 3 * 18u);
  float area = 0;
  for (std::size_t i = 0; i < triangles.size(); i += 3) {
    const float a = DoubleArea(mesh, triangles[i], triangles[i + 1], triangles[i + 2]);
    EXPECT_GT(a, 0);
    area += a / 2;
  }
  EXPECT_EQ(area, 49);
}

// Over the disk the lighter surface uses finite vertices only, turns counter-clockwise and
// reaches both ends of every kept row.
TEST(SurfaceTriangles, ReachTheEdgeOfTheSurface) {
  const HeightFieldMesh mesh = Disk();
  const std::vector<std::uint32_t> triangles = SurfaceTriangles(mesh, 4);
  ASSERT_FALSE(triangles.empty());
  std::set<std::uint32_t> used(triangles.begin(), triangles.end());
  for (std::size_t i = 0; i < triangles.size(); i += 3) {
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(IsFinite(mesh.vertices[triangles[i + n]]));
    EXPECT_GT(DoubleArea(mesh, triangles[i], triangles[i + 1], triangles[i + 2]), 0);
  }
  // The disk spans rows 2 to 18: the kept rows are those two and 4, 8, 12, 16.
  for (int j : {2, 4, 8, 12, 16, 18}) {
    const int half = static_cast<int>(std::sqrt(64.0 - (j - 10) * (j - 10)));
    EXPECT_TRUE(used.count(j * 21 + 10 - half)) << "row " << j;
    EXPECT_TRUE(used.count(j * 21 + 10 + half)) << "row " << j;
  }
}

}  // namespace
}  // namespace ovalon
