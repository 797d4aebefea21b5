#pragma once
// The simple drawable objects: spheres, polylines, 3D text and points.

#include <cstdint>
#include <string>
#include <vector>

#include "view3d/scene/glmaterial.h"
#include "view3d/scene/glscene.h"

namespace ovalon {

/// A scene object with a material (spheres, text, height fields).
class TGLMaterialObject : public TGLSceneObject {
 public:
  TGLMaterial& Material() { return m_material; }
  const TGLMaterial& Material() const { return m_material; }

 private:
  TGLMaterial m_material{this};
};

/// A full sphere around the origin, filled and lit by default.
class TGLSphere : public TGLMaterialObject {
 public:
  /// Default 0.5.
  float Radius() const { return m_radius; }
  void SetRadius(float radius);
  /// Segments around the polar axis (local Y), default 16.
  int Slices() const { return m_slices; }
  void SetSlices(int slices);
  /// Segments from pole to pole, default 16.
  int Stacks() const { return m_stacks; }
  void SetStacks(int stacks);

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  float m_radius = 0.5f;
  int m_slices = 16;
  int m_stacks = 16;
};

/// lnaAxes marks every node with a small axes cross; lnaInvisible draws no marker.
enum TGLLineNodesAspect { lnaInvisible, lnaAxes };

/// Straight unlit segments between consecutive nodes.
class TGLLines : public TGLSceneObject {
 public:
  /// Appends a node, in the object's frame.
  void AddNode(float x, float y, float z);
  void ClearNodes();
  const std::vector<SceneVector>& Nodes() const { return m_nodes; }

  /// Width in pixels, default 1.
  float LineWidth() const { return m_lineWidth; }
  void SetLineWidth(float width);
  /// Default opaque white.
  SceneColor LineColor() const { return m_lineColor; }
  void SetLineColor(SceneColor color);
  /// Default lnaAxes.
  TGLLineNodesAspect NodesAspect() const { return m_nodesAspect; }
  void SetNodesAspect(TGLLineNodesAspect aspect);
  /// Full length of each arm of a node marker, default 1.
  float NodeSize() const { return m_nodeSize; }
  void SetNodeSize(float size);
  /// The 16-bit dash pattern of the segments, one bit per pixel from the lowest; default
  /// 0xFFFF, a solid line.
  std::uint16_t LinePattern() const { return m_linePattern; }
  void SetLinePattern(std::uint16_t pattern);

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  std::vector<SceneVector> m_nodes;
  float m_lineWidth = 1;
  SceneColor m_lineColor{1, 1, 1, 1};
  TGLLineNodesAspect m_nodesAspect = lnaAxes;
  float m_nodeSize = 1;
  std::uint16_t m_linePattern = 0xFFFF;
};

enum TGLHorzAlignment { haLeft, haCenter };
enum TGLVertAlignment { vaBaseLine };

/// Where the text sits relative to the object's origin (Adjust.Horz, Adjust.Vert).
class TGLTextAdjust {
 public:
  explicit TGLTextAdjust(TGLSceneObject* owner) : m_owner(owner) {}
  /// haLeft starts the text at the origin, haCenter centres its width on it. Default haLeft.
  TGLHorzAlignment Horz() const { return m_horz; }
  void SetHorz(TGLHorzAlignment horz);
  /// Always vaBaseLine: the baseline passes through the origin.
  TGLVertAlignment Vert() const { return vaBaseLine; }

 private:
  TGLSceneObject* m_owner;
  TGLHorzAlignment m_horz = haLeft;
};

/// Flat text: filled glyph outlines in the local XY plane, reading along +X, seen from +Z,
/// one em equal to one scene unit. Lit by default.
class TGLSpaceText : public TGLMaterialObject {
 public:
  /// UTF-8 text.
  const std::string& Text() const { return m_text; }
  void SetText(const std::string& text);
  TGLTextAdjust& Adjust() { return m_adjust; }
  const TGLTextAdjust& Adjust() const { return m_adjust; }
  /// Always "Arial" (a metric-compatible substitute is used where it is missing).
  const std::string& FontName() const { return m_fontName; }

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  std::string m_text;
  TGLTextAdjust m_adjust{this};
  std::string m_fontName = "Arial";
};

/// The position list of a TGLPoints; changes are reported to the owner.
class TGLPointList {
 public:
  explicit TGLPointList(TGLSceneObject* owner) : m_owner(owner) {}
  void Clear();
  void Add(float x, float y, float z);
  int Count() const { return static_cast<int>(m_items.size()); }
  const std::vector<SceneVector>& Items() const { return m_items; }

 private:
  TGLSceneObject* m_owner;
  std::vector<SceneVector> m_items;
};

/// One opaque white, square, unlit point per position; nothing when the list is empty.
class TGLPoints : public TGLSceneObject {
 public:
  TGLPointList& Positions() { return m_positions; }
  const TGLPointList& Positions() const { return m_positions; }
  /// Point size in pixels, default 1.
  float Size() const { return m_size; }
  void SetSize(float size);

  void Accept(TGLSceneVisitor& visitor) override { visitor.Visit(*this); }

 private:
  TGLPointList m_positions{this};
  float m_size = 1;
};

}  // namespace ovalon
