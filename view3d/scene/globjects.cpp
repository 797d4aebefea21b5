#include "view3d/scene/globjects.h"

namespace ovalon {

void TGLSphere::SetRadius(float radius) {
  m_radius = radius;
  NotifyChange();
}

void TGLSphere::SetSlices(int slices) {
  m_slices = slices;
  NotifyChange();
}

void TGLSphere::SetStacks(int stacks) {
  m_stacks = stacks;
  NotifyChange();
}

void TGLLines::AddNode(float x, float y, float z) {
  m_nodes.push_back({x, y, z});
  NotifyChange();
}

void TGLLines::ClearNodes() {
  m_nodes.clear();
  NotifyChange();
}

void TGLLines::SetLineWidth(float width) {
  m_lineWidth = width;
  NotifyChange();
}

void TGLLines::SetLineColor(SceneColor color) {
  m_lineColor = color;
  NotifyChange();
}

void TGLLines::SetLinePattern(std::uint16_t pattern) {
  m_linePattern = pattern;
  NotifyChange();
}

void TGLLines::SetNodesAspect(TGLLineNodesAspect aspect) {
  m_nodesAspect = aspect;
  NotifyChange();
}

void TGLLines::SetNodeSize(float size) {
  m_nodeSize = size;
  NotifyChange();
}

void TGLTextAdjust::SetHorz(TGLHorzAlignment horz) {
  m_horz = horz;
  m_owner->NotifyChange();
}

void TGLSpaceText::SetText(const std::string& text) {
  m_text = text;
  NotifyChange();
}

void TGLPointList::Clear() {
  m_items.clear();
  m_owner->NotifyChange();
}

void TGLPointList::Add(float x, float y, float z) {
  m_items.push_back({x, y, z});
  m_owner->NotifyChange();
}

void TGLPoints::SetSize(float size) {
  m_size = size;
  NotifyChange();
}

}  // namespace ovalon
