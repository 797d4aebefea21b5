#pragma once
// Draws a scene with the fixed-function OpenGL pipeline into the current context.

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "view3d/scene/glcamera.h"
#include "view3d/scene/glyphsource.h"

namespace ovalon {

/// Renders the scene of a camera: clear, projection and view, lights, then every object of
/// the root depth-first. Keeps sphere, height-field and text geometry in vertex buffers of the
/// context; every call needs that context current.
class GLRenderer {
 public:
  /// glyphs (not owned, may be null: then texts draw nothing) supplies the text outlines.
  explicit GLRenderer(GlyphSource* glyphs = nullptr);
  ~GLRenderer();
  GLRenderer(const GLRenderer&) = delete;
  GLRenderer& operator=(const GLRenderer&) = delete;

  /// Checks the current context; false, with Error(), when it lacks vertex buffers
  /// (OpenGL below 1.5). Call once the context exists, before Render.
  bool Initialize();
  bool IsValid() const { return m_valid; }
  const std::string& Error() const { return m_error; }

  /// Draws one frame of width × height pixels: the background, and the scene of `camera` when
  /// there is a camera in a scene. `pixelScale` draws it as a screen of that many times the
  /// pixel density would (an image of a view at 2× its size): the projection shows what the
  /// view of width / pixelScale × height / pixelScale pixels shows, and the widths of lines and
  /// sizes of points that objects give in pixels grow by the factor; the renderer's own
  /// one-pixel lines (axes, wire frames, node markers) stay one pixel wide. A `wireStride`
  /// above 1 draws the lighter frame of a moving view: height fields through every
  /// wireStride-th sampling line only (WireFrameEdges, SurfaceTriangles), all else as always.
  void Render(const TGLCamera* camera, int width, int height, SceneColor background,
              float pixelScale = 1, int wireStride = 1);

  /// Frees every buffer; the context must be current. The renderer may be used again after.
  void ReleaseResources();

  /// How many distinct texts have been tessellated so far.
  int TessellatedTextCount() const { return m_tessellatedTexts; }

 private:
  friend class FrameDrawer;

  struct BufferPair {
    unsigned vertices = 0;  // positions (and normals, for the unit sphere)
    unsigned indices = 0;
    int indexCount = 0;
  };
  /// The buffers of one height field, each uploaded when a frame first needs it.
  struct FieldBuffers {
    std::uint64_t meshVersion = 0;
    std::uint64_t lastFrame = 0;
    bool empty = true;  ///< the mesh has no triangle
    unsigned vertices = 0;
    unsigned normals = 0;
    /// Indices of the filled surface and of the wire frame at each stride drawn so far: at
    /// stride 1 the mesh's own triangles and edges.
    std::map<int, BufferPair> triangles;
    std::map<int, BufferPair> edges;
  };
  struct TextBuffers {
    unsigned vertices = 0;
    int vertexCount = 0;
    float advance = 0;
  };

  const BufferPair& Sphere(int slices, int stacks);
  FieldBuffers& Field(TGLHeightField& field);
  unsigned FieldVertices(TGLHeightField& field, FieldBuffers& buffers);
  unsigned FieldNormals(TGLHeightField& field, FieldBuffers& buffers);
  const BufferPair& FieldTriangles(TGLHeightField& field, FieldBuffers& buffers, int stride);
  const BufferPair& FieldEdges(TGLHeightField& field, FieldBuffers& buffers, int stride);
  static void DeleteField(FieldBuffers& buffers);
  static BufferPair UploadIndices(const std::vector<std::uint32_t>& indices);
  const TextBuffers& Text(const std::string& fontName, const std::string& text);
  void DropUnusedFields();

  GlyphSource* m_glyphs;
  bool m_valid = false;
  std::string m_error;
  std::uint64_t m_frame = 0;
  int m_tessellatedTexts = 0;
  std::map<std::pair<int, int>, BufferPair> m_spheres;
  std::unordered_map<std::uint64_t, FieldBuffers> m_fields;
  std::unordered_map<std::string, TextBuffers> m_texts;
};

}  // namespace ovalon
