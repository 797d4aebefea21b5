#include "view3d/gl/glrenderer.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <utility>
#include <vector>

#include "view3d/gl/gltessellator.h"
#include "view3d/scene/glheightfield.h"
#include "view3d/scene/globjects.h"
#include "view3d/scene/glprojection.h"

namespace ovalon {
namespace {

constexpr int MaxLights = 8;

/// Primitives of a height field drawn between two flushes (see DrawInBatches).
constexpr int BatchPrimitives = 50000;

// Vertex arrays are uploaded straight from these structs.
static_assert(sizeof(SceneVector) == 3 * sizeof(GLfloat));
static_assert(sizeof(OutlinePoint) == 2 * sizeof(GLfloat));

bool IsFinite(const Matrix4f& m) {
  return std::all_of(m.m.begin(), m.m.end(), [](float v) { return std::isfinite(v); });
}

void SetColor(SceneColor c) { glColor4f(c.r, c.g, c.b, c.a); }

void SetMaterial(const TGLMaterial& material) {
  const TGLFaceProperties& front = material.FrontProperties();
  if (!material.IsLit()) {
    glDisable(GL_LIGHTING);
    const SceneColor d = front.Diffuse();
    // Unlit objects take the diffuse colour; only a blended one keeps its alpha.
    glColor4f(d.r, d.g, d.b, material.BlendingMode() == bmTransparency ? d.a : 1);
    return;
  }
  glEnable(GL_LIGHTING);
  const auto set = [](GLenum which, SceneColor c) {
    const GLfloat values[4] = {c.r, c.g, c.b, c.a};
    glMaterialfv(GL_FRONT_AND_BACK, which, values);
  };
  set(GL_AMBIENT, front.Ambient());
  set(GL_DIFFUSE, front.Diffuse());
  set(GL_SPECULAR, front.Specular());
  set(GL_EMISSION, front.Emission());
  glMateriali(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(front.Shininess(), 0, 128));
}

void SetPolygonMode(const TGLMaterial& material) {
  glPolygonMode(GL_FRONT_AND_BACK, material.PolygonMode() == pmLines ? GL_LINE : GL_FILL);
}

/// The unit sphere around the origin, poles on local ±Z: each vertex is its own normal.
void BuildUnitSphere(int slices, int stacks, std::vector<GLfloat>& vertices,
                     std::vector<GLuint>& indices) {
  const double pi = std::numbers::pi;
  for (int i = 0; i <= stacks; ++i) {
    const double theta = pi * i / stacks;
    for (int j = 0; j <= slices; ++j) {
      const double phi = 2 * pi * j / slices;
      vertices.push_back(static_cast<GLfloat>(std::sin(theta) * std::cos(phi)));
      vertices.push_back(static_cast<GLfloat>(std::sin(theta) * std::sin(phi)));
      vertices.push_back(static_cast<GLfloat>(std::cos(theta)));
    }
  }
  const auto at = [slices](int i, int j) { return static_cast<GLuint>(i * (slices + 1) + j); };
  // Counter-clockwise seen from outside, so back-face culling keeps the near half.
  for (int i = 0; i < stacks; ++i) {
    for (int j = 0; j < slices; ++j) {
      indices.insert(indices.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
      indices.insert(indices.end(), {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
    }
  }
}

unsigned Upload(GLenum target, const void* data, std::size_t bytes) {
  GLuint id = 0;
  glGenBuffers(1, &id);
  glBindBuffer(target, id);
  glBufferData(target, static_cast<GLsizeiptr>(bytes), data, GL_STATIC_DRAW);
  glBindBuffer(target, 0);
  return id;
}

void Delete(unsigned& id) {
  if (id != 0) glDeleteBuffers(1, &id);
  id = 0;
}

/// Axes through the origin of the current frame: to −length in half and to +length in full
/// intensity of red, green and blue, one pixel, dashed 0xCCCC, passing at equal depth.
void DrawAxes(float length) {
  glDisable(GL_LIGHTING);
  glLineWidth(1);
  glEnable(GL_LINE_STIPPLE);
  glLineStipple(1, 0xCCCC);
  glDepthFunc(GL_LEQUAL);
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis) {
    GLfloat tip[3] = {0, 0, 0};
    GLfloat color[3] = {0, 0, 0};
    color[axis] = 0.5f;
    tip[axis] = -length;
    glColor3fv(color);
    glVertex3f(0, 0, 0);
    glVertex3fv(tip);
    color[axis] = 1;
    tip[axis] = length;
    glColor3fv(color);
    glVertex3f(0, 0, 0);
    glVertex3fv(tip);
  }
  glEnd();
  glDepthFunc(GL_LESS);
  glDisable(GL_LINE_STIPPLE);
}

/// A small solid cross of the three axis colours at `p`, each arm `size` long.
void DrawNodeMarker(SceneVector p, float size) {
  const float h = size / 2;
  glColor3f(1, 0, 0);
  glVertex3f(p.x - h, p.y, p.z);
  glVertex3f(p.x + h, p.y, p.z);
  glColor3f(0, 1, 0);
  glVertex3f(p.x, p.y - h, p.z);
  glVertex3f(p.x, p.y + h, p.z);
  glColor3f(0, 0, 1);
  glVertex3f(p.x, p.y, p.z - h);
  glVertex3f(p.x, p.y, p.z + h);
}

}  // namespace

/// Draws the objects of one frame; the modelview matrix is loaded per object from the view
/// matrix and the object's absolute matrix, so the tree may be of any depth.
class FrameDrawer : public TGLSceneVisitor {
 public:
  FrameDrawer(GLRenderer& renderer, const Matrix4f& view, float axisLength, float pixelScale,
              int wireStride)
      : m_renderer(renderer),
        m_view(view),
        m_axisLength(axisLength),
        m_pixelScale(pixelScale),
        m_wireStride(wireStride) {}

  /// Draws the blended objects put aside by DrawChildren, in the order met, over everything
  /// opaque: they blend with what lies behind them and leave the depth buffer as it is, so
  /// what lies behind still shows through them.
  void DrawTransparent() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    m_drawingTransparent = true;
    for (const auto& [object, matrix] : m_transparent) {
      m_current = matrix;
      glLoadMatrixf(m_current.m.data());
      object->Accept(*this);
    }
    m_drawingTransparent = false;
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
  }

  void DrawChildren(const TGLSceneObject& parent, const Matrix4f& parentMatrix) {
    for (TGLSceneObject* child : parent.Children()) {
      const Matrix4f absolute = parentMatrix * child->LocalMatrix();
      // An object placed by not-a-number values, and everything inside it, is not drawn.
      if (!IsFinite(absolute)) continue;
      m_current = m_view * absolute;
      glLoadMatrixf(m_current.m.data());
      if (child->ShowAxes()) DrawAxes(m_axisLength);
      child->Accept(*this);
      DrawChildren(*child, absolute);
    }
  }

  void Visit(TGLSphere& sphere) override {
    if (PutAside(sphere)) return;
    const float r = sphere.Radius();
    if (!(r > 0) || !std::isfinite(r)) return;
    const GLRenderer::BufferPair& mesh =
        m_renderer.Sphere(std::max(sphere.Slices(), 3), std::max(sphere.Stacks(), 2));
    SetMaterial(sphere.Material());
    SetPolygonMode(sphere.Material());
    glEnable(GL_CULL_FACE);
    glScalef(r, r, r);
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertices);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indices);
    glDrawElements(GL_TRIANGLES, mesh.indexCount, GL_UNSIGNED_INT, nullptr);
    EndArrays();
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }

  void Visit(TGLLines& lines) override {
    const std::vector<SceneVector>& nodes = lines.Nodes();
    const float width = lines.LineWidth() * m_pixelScale;
    glDisable(GL_LIGHTING);
    glLineWidth(width > 0 && std::isfinite(width) ? width : 1);
    SetColor(lines.LineColor());
    const bool dashed = lines.LinePattern() != 0xFFFF;
    if (dashed) {
      glEnable(GL_LINE_STIPPLE);
      glLineStipple(std::max(1, static_cast<int>(std::lround(m_pixelScale))), lines.LinePattern());
    }
    glBegin(GL_LINES);
    // Segments touching a not-a-number node are left out.
    for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
      if (!IsFinite(nodes[i]) || !IsFinite(nodes[i + 1])) continue;
      glVertex3f(nodes[i].x, nodes[i].y, nodes[i].z);
      glVertex3f(nodes[i + 1].x, nodes[i + 1].y, nodes[i + 1].z);
    }
    glEnd();
    if (dashed) glDisable(GL_LINE_STIPPLE);
    if (lines.NodesAspect() == lnaAxes) {
      glLineWidth(1);
      glBegin(GL_LINES);
      for (const SceneVector& node : nodes) {
        if (IsFinite(node)) DrawNodeMarker(node, lines.NodeSize());
      }
      glEnd();
    }
  }

  void Visit(TGLPoints& points) override {
    const std::vector<SceneVector>& positions = points.Positions().Items();
    if (positions.empty()) return;
    const float size = points.Size() * m_pixelScale;
    glDisable(GL_LIGHTING);
    glDisable(GL_POINT_SMOOTH);
    glPointSize(size > 0 && std::isfinite(size) ? size : 1);
    glColor4f(1, 1, 1, 1);
    glBegin(GL_POINTS);
    for (const SceneVector& p : positions) {
      if (IsFinite(p)) glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
  }

  void Visit(TGLSpaceText& text) override {
    if (text.Text().empty() || PutAside(text)) return;
    const GLRenderer::TextBuffers& mesh = m_renderer.Text(text.FontName(), text.Text());
    if (mesh.vertexCount == 0) return;
    SetMaterial(text.Material());
    SetPolygonMode(text.Material());
    if (text.Adjust().Horz() == haCenter) glTranslatef(-mesh.advance / 2, 0, 0);
    glNormal3f(0, 0, 1);
    glBindBuffer(GL_ARRAY_BUFFER, mesh.vertices);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, nullptr);
    glDrawArrays(GL_TRIANGLES, 0, mesh.vertexCount);
    EndArrays();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }

  void Visit(TGLHeightField& field) override {
    GLRenderer::FieldBuffers& buffers = m_renderer.Field(field);
    if (buffers.empty || PutAside(field)) return;
    const TGLMaterial& material = field.Material();
    const bool twoSided = field.Options().Contains(hfoTwoSided);
    // The wire frame of the triangles, each shared edge drawn once instead of twice.
    const bool wire = material.PolygonMode() == pmLines && twoSided;
    const GLRenderer::BufferPair& indices =
        wire ? m_renderer.FieldEdges(field, buffers, m_wireStride)
             : m_renderer.FieldTriangles(field, buffers, m_wireStride);
    SetMaterial(material);
    // Both faces of a two-sided lit surface are lit, each by its own side's normal.
    const bool litBothSides = twoSided && material.IsLit();
    if (litBothSides) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glLineWidth(1);
    if (!twoSided) glEnable(GL_CULL_FACE);
    glBindBuffer(GL_ARRAY_BUFFER, m_renderer.FieldVertices(field, buffers));
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    if (material.IsLit()) {
      glBindBuffer(GL_ARRAY_BUFFER, m_renderer.FieldNormals(field, buffers));
      glEnableClientState(GL_NORMAL_ARRAY);
      glNormalPointer(GL_FLOAT, 0, nullptr);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices.indices);
    if (wire) {
      DrawInBatches(GL_LINES, 2, indices.indexCount);
    } else {
      SetPolygonMode(material);
      DrawInBatches(GL_TRIANGLES, 3, indices.indexCount);
      glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    EndArrays();
    glDisable(GL_CULL_FACE);
    if (litBothSides) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
  }

 private:
  /// Keeps a blended object for DrawTransparent instead of drawing it now.
  bool PutAside(TGLMaterialObject& object) {
    if (m_drawingTransparent || object.Material().BlendingMode() != bmTransparency) return false;
    m_transparent.emplace_back(&object, m_current);
    return true;
  }

  /// Draws the bound index buffer's primitives in order, at most BatchPrimitives at a time with
  /// a flush after each batch but the last. A software renderer bins a whole batch before it
  /// draws it and keeps the memory of the largest batch it has binned, some 80 bytes per line:
  /// a full wire frame of both halves in one batch held over 30 MB for good.
  static void DrawInBatches(GLenum mode, int indicesPerPrimitive, int indexCount) {
    const int batch = BatchPrimitives * indicesPerPrimitive;
    for (int first = 0; first < indexCount; first += batch) {
      if (first > 0) glFlush();
      glDrawElements(mode, std::min(batch, indexCount - first), GL_UNSIGNED_INT,
                     reinterpret_cast<const void*>(first * sizeof(GLuint)));
    }
  }

  static void EndArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  }

  GLRenderer& m_renderer;
  Matrix4f m_view;
  Matrix4f m_current;
  float m_axisLength;
  float m_pixelScale;
  int m_wireStride;
  std::vector<std::pair<TGLSceneObject*, Matrix4f>> m_transparent;
  bool m_drawingTransparent = false;
};

namespace {

/// Every shining light of the tree with its absolute position, at most MaxLights.
class LightCollector : public TGLSceneVisitor {
 public:
  void Collect(TGLSceneObject& node) {
    for (TGLSceneObject* child : node.Children()) {
      child->Accept(*this);
      Collect(*child);
    }
  }
  void Visit(TGLLightSource& light) override {
    if (light.Shining() && static_cast<int>(lights.size()) < MaxLights) lights.push_back(&light);
  }
  std::vector<TGLLightSource*> lights;
};

void PlaceLights(TGLSceneObject& root, const Matrix4f& view) {
  LightCollector collector;
  collector.Collect(root);
  glLoadMatrixf(view.m.data());
  for (int i = 0; i < MaxLights; ++i) {
    const GLenum id = GL_LIGHT0 + i;
    if (i >= static_cast<int>(collector.lights.size())) {
      glDisable(id);
      continue;
    }
    const TGLLightSource& light = *collector.lights[i];
    const auto color = [id](GLenum which, SceneColor c) {
      const GLfloat values[4] = {c.r, c.g, c.b, c.a};
      glLightfv(id, which, values);
    };
    const SceneVector p = light.AbsolutePosition();
    const GLfloat position[4] = {p.x, p.y, p.z, 1};
    glLightfv(id, GL_POSITION, position);
    color(GL_DIFFUSE, light.Diffuse());
    color(GL_AMBIENT, light.Ambient());
    color(GL_SPECULAR, light.Specular());
    glLightf(id, GL_CONSTANT_ATTENUATION, light.ConstAttenuation());
    glLightf(id, GL_LINEAR_ATTENUATION, light.LinearAttenuation());
    glLightf(id, GL_QUADRATIC_ATTENUATION, light.QuadraticAttenuation());
    const float cutOff = light.SpotCutOff();
    glLightf(id, GL_SPOT_CUTOFF, cutOff >= 0 && cutOff <= 90 ? cutOff : 180);
    const SceneVector d = light.AbsoluteDirection();
    const GLfloat direction[3] = {d.x, d.y, d.z};
    glLightfv(id, GL_SPOT_DIRECTION, direction);
    glEnable(id);
  }
}

}  // namespace

GLRenderer::GLRenderer(GlyphSource* glyphs) : m_glyphs(glyphs) {}

GLRenderer::~GLRenderer() = default;

bool GLRenderer::Initialize() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  int major = 0, minor = 0;
  if (version == nullptr || std::sscanf(version, "%d.%d", &major, &minor) != 2) {
    m_valid = false;
    m_error = "no OpenGL context";
    return false;
  }
  m_valid = major > 1 || (major == 1 && minor >= 5);
  m_error = m_valid ? "" : std::string("OpenGL 1.5 or later needed, found ") + version;
  return m_valid;
}

void GLRenderer::Render(const TGLCamera* camera, int width, int height, SceneColor background,
                        float pixelScale, int wireStride) {
  glViewport(0, 0, width, height);
  glClearColor(background.r, background.g, background.b, 1);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (!m_valid || camera == nullptr || camera->Scene() == nullptr) return;
  ++m_frame;

  const ViewFrustum f = CameraFrustum(*camera, width, height, pixelScale);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(f.left, f.right, f.bottom, f.top, f.zNear, f.zFar);
  glMatrixMode(GL_MODELVIEW);
  const Matrix4f view = CameraViewMatrix(*camera);

  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glFrontFace(GL_CCW);
  glShadeModel(GL_SMOOTH);
  glEnable(GL_RESCALE_NORMAL);
  const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);

  TGLSceneObject& root = camera->Scene()->Objects();
  PlaceLights(root, view);
  FrameDrawer drawer(*this, view, camera->DepthOfView(), pixelScale, std::max(wireStride, 1));
  drawer.DrawChildren(root, Matrix4f::Identity());
  drawer.DrawTransparent();
  glDisable(GL_LIGHTING);
  DropUnusedFields();
}

void GLRenderer::ReleaseResources() {
  for (auto& [key, sphere] : m_spheres) {
    Delete(sphere.vertices);
    Delete(sphere.indices);
  }
  m_spheres.clear();
  for (auto& [key, field] : m_fields) DeleteField(field);
  m_fields.clear();
  for (auto& [key, text] : m_texts) Delete(text.vertices);
  m_texts.clear();
}

const GLRenderer::BufferPair& GLRenderer::Sphere(int slices, int stacks) {
  auto [it, added] = m_spheres.try_emplace({slices, stacks});
  if (added) {
    std::vector<GLfloat> vertices;
    std::vector<GLuint> indices;
    BuildUnitSphere(slices, stacks, vertices, indices);
    it->second.vertices =
        Upload(GL_ARRAY_BUFFER, vertices.data(), vertices.size() * sizeof(GLfloat));
    it->second.indices =
        Upload(GL_ELEMENT_ARRAY_BUFFER, indices.data(), indices.size() * sizeof(GLuint));
    it->second.indexCount = static_cast<int>(indices.size());
  }
  return it->second;
}

GLRenderer::FieldBuffers& GLRenderer::Field(TGLHeightField& field) {
  const HeightFieldMesh& mesh = field.Mesh();
  FieldBuffers& buffers = m_fields[field.Id()];
  buffers.lastFrame = m_frame;
  if (buffers.meshVersion == field.MeshVersion()) return buffers;
  DeleteField(buffers);
  buffers.meshVersion = field.MeshVersion();
  buffers.empty = mesh.triangles.empty();
  return buffers;
}

unsigned GLRenderer::FieldVertices(TGLHeightField& field, FieldBuffers& buffers) {
  if (buffers.vertices == 0) {
    const std::vector<SceneVector>& vertices = field.Mesh().vertices;
    buffers.vertices =
        Upload(GL_ARRAY_BUFFER, vertices.data(), vertices.size() * sizeof(SceneVector));
  }
  return buffers.vertices;
}

unsigned GLRenderer::FieldNormals(TGLHeightField& field, FieldBuffers& buffers) {
  if (buffers.normals == 0) {
    const std::vector<SceneVector> normals = HeightFieldNormals(field.Mesh());
    buffers.normals = Upload(GL_ARRAY_BUFFER, normals.data(), normals.size() * sizeof(SceneVector));
  }
  return buffers.normals;
}

GLRenderer::BufferPair GLRenderer::UploadIndices(const std::vector<std::uint32_t>& indices) {
  BufferPair pair;
  pair.indices = Upload(GL_ELEMENT_ARRAY_BUFFER, indices.data(), indices.size() * sizeof(GLuint));
  pair.indexCount = static_cast<int>(indices.size());
  return pair;
}

const GLRenderer::BufferPair& GLRenderer::FieldTriangles(TGLHeightField& field,
                                                         FieldBuffers& buffers, int stride) {
  auto [it, added] = buffers.triangles.try_emplace(stride);
  if (added) {
    const HeightFieldMesh& mesh = field.Mesh();
    it->second = UploadIndices(stride == 1 ? mesh.triangles : SurfaceTriangles(mesh, stride));
  }
  return it->second;
}

const GLRenderer::BufferPair& GLRenderer::FieldEdges(TGLHeightField& field, FieldBuffers& buffers,
                                                     int stride) {
  auto [it, added] = buffers.edges.try_emplace(stride);
  if (added) {
    const HeightFieldMesh& mesh = field.Mesh();
    it->second = UploadIndices(stride == 1 ? mesh.edges : WireFrameEdges(mesh, stride));
  }
  return it->second;
}

void GLRenderer::DeleteField(FieldBuffers& buffers) {
  Delete(buffers.vertices);
  Delete(buffers.normals);
  for (auto* byStride : {&buffers.triangles, &buffers.edges}) {
    for (auto& [stride, indices] : *byStride) Delete(indices.indices);
    byStride->clear();
  }
}

const GLRenderer::TextBuffers& GLRenderer::Text(const std::string& fontName,
                                                const std::string& text) {
  auto [it, added] = m_texts.try_emplace(fontName + '\n' + text);
  if (added && m_glyphs != nullptr) {
    const TextOutline outline = m_glyphs->Outline(fontName, text);
    const std::vector<OutlinePoint> triangles = TessellateOutline(outline);
    ++m_tessellatedTexts;
    it->second.advance = outline.advance;
    it->second.vertexCount = static_cast<int>(triangles.size());
    if (!triangles.empty()) {
      it->second.vertices =
          Upload(GL_ARRAY_BUFFER, triangles.data(), triangles.size() * sizeof(OutlinePoint));
    }
  }
  return it->second;
}

void GLRenderer::DropUnusedFields() {
  for (auto it = m_fields.begin(); it != m_fields.end();) {
    if (it->second.lastFrame == m_frame) {
      ++it;
      continue;
    }
    DeleteField(it->second);
    it = m_fields.erase(it);
  }
}

}  // namespace ovalon
