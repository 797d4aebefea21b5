#include "view3d/gl/gltessellator.h"

#include <GL/glu.h>

#include <array>
#include <deque>

namespace ovalon {
namespace {

struct TessellationState {
  std::vector<OutlinePoint> triangles;
  // GLU keeps pointers to the vertex data until the polygon ends: the deque never moves it.
  std::deque<std::array<GLdouble, 3>> vertices;
};

void OnBegin(GLenum, void*) {}

void OnEnd(void*) {}

void OnVertex(void* vertex, void* data) {
  const auto* coords = static_cast<const GLdouble*>(vertex);
  static_cast<TessellationState*>(data)->triangles.push_back(
      {static_cast<float>(coords[0]), static_cast<float>(coords[1])});
}

void OnCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4], void** out,
               void* data) {
  auto* state = static_cast<TessellationState*>(data);
  state->vertices.push_back({coords[0], coords[1], coords[2]});
  *out = state->vertices.back().data();
}

// Registering an edge-flag callback makes GLU emit independent triangles only (no fans or
// strips), which is all the drawing code expects.
void OnEdgeFlag(GLboolean, void*) {}

void OnError(GLenum, void*) {}

template <typename F>
void Register(GLUtesselator* tess, GLenum which, F* callback) {
  gluTessCallback(tess, which, reinterpret_cast<_GLUfuncptr>(callback));
}

}  // namespace

std::vector<OutlinePoint> TessellateOutline(const TextOutline& outline) {
  TessellationState state;
  if (outline.contours.empty()) return state.triangles;
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) return state.triangles;
  Register(tess, GLU_TESS_BEGIN_DATA, OnBegin);
  Register(tess, GLU_TESS_END_DATA, OnEnd);
  Register(tess, GLU_TESS_VERTEX_DATA, OnVertex);
  Register(tess, GLU_TESS_COMBINE_DATA, OnCombine);
  Register(tess, GLU_TESS_EDGE_FLAG_DATA, OnEdgeFlag);
  Register(tess, GLU_TESS_ERROR_DATA, OnError);
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessNormal(tess, 0, 0, 1);
  gluTessBeginPolygon(tess, &state);
  for (const std::vector<OutlinePoint>& contour : outline.contours) {
    gluTessBeginContour(tess);
    for (const OutlinePoint& p : contour) {
      state.vertices.push_back({p.x, p.y, 0});
      gluTessVertex(tess, state.vertices.back().data(), state.vertices.back().data());
    }
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  return state.triangles;
}

}  // namespace ovalon
