#include "view3d/scene/glscene.h"

#include <algorithm>
#include <atomic>

#include "view3d/scene/glcamera.h"

namespace ovalon {
namespace {

std::uint64_t NextObjectId() {
  static std::atomic<std::uint64_t> next{1};
  return next++;
}

constexpr float OrientationTolerance = 1e-5f;

bool IsZero(SceneVector v) { return v.x == 0 && v.y == 0 && v.z == 0; }

/// Right = direction × up, with the fall-backs (0, 0, 1) × up and (1, 0, 0) × up when the
/// two are (nearly) parallel.
SceneVector RightOf(SceneVector direction, SceneVector up) {
  SceneVector right = Cross(direction, up);
  if (Length(right) < OrientationTolerance) {
    right = Cross(SceneVector{0, 0, 1}, up);
    if (Length(right) < OrientationTolerance) right = Cross(SceneVector{1, 0, 0}, up);
  }
  return right;
}

void ForgetTarget(TGLSceneObject& node, const TGLSceneObject* destroyed) {
  if (auto* camera = dynamic_cast<TGLCamera*>(&node)) {
    if (camera->TargetObject() == destroyed) camera->SetTargetObject(nullptr);
  }
  for (TGLSceneObject* child : node.Children()) ForgetTarget(*child, destroyed);
}

}  // namespace

TGLSceneObject::TGLSceneObject() : m_id(NextObjectId()) {}

TGLSceneObject::~TGLSceneObject() {
  // Detached first, so that the destruction of the children below never walks this subtree.
  if (m_parent != nullptr) m_parent->Detach(this);
  // Each child's destructor takes it out of m_children.
  while (!m_children.empty()) delete m_children.back();
  if (m_scene != nullptr) m_scene->ObjectDestroyed(this);
}

void TGLSceneObject::Adopt(TGLSceneObject* child) {
  child->m_parent = this;
  child->m_scene = m_scene;
  m_children.push_back(child);
  NotifyChange();
}

void TGLSceneObject::Detach(TGLSceneObject* child) {
  m_children.erase(std::find(m_children.begin(), m_children.end(), child));
  child->m_parent = nullptr;
}

void TGLSceneObject::SetPosition(SceneVector position) {
  m_position = position;
  NotifyChange();
}

void TGLSceneObject::SetDirection(SceneVector direction) {
  if (IsZero(direction)) direction = {0, 0, 1};
  m_direction = Normalized(direction);
  m_up = Normalized(Cross(RightOf(m_direction, m_up), m_direction));
  NotifyChange();
}

void TGLSceneObject::SetUp(SceneVector up) {
  if (IsZero(up)) up = {0, 1, 0};
  m_up = Normalized(up);
  m_direction = Normalized(Cross(m_up, RightOf(m_direction, m_up)));
  NotifyChange();
}

void TGLSceneObject::SetShowAxes(bool show) {
  m_showAxes = show;
  NotifyChange();
}

Matrix4f TGLSceneObject::LocalMatrix() const {
  const SceneVector columns[4] = {Right(), m_up, m_direction, m_position};
  Matrix4f result = Matrix4f::Identity();
  for (int col = 0; col < 4; ++col) {
    result(0, col) = columns[col].x;
    result(1, col) = columns[col].y;
    result(2, col) = columns[col].z;
  }
  return result;
}

Matrix4f TGLSceneObject::AbsoluteMatrix() const {
  if (m_parent == nullptr) return LocalMatrix();
  return m_parent->AbsoluteMatrix() * LocalMatrix();
}

SceneVector TGLSceneObject::AbsolutePosition() const {
  if (m_parent == nullptr) return m_position;
  return TransformPoint(m_parent->AbsoluteMatrix(), m_position);
}

SceneVector TGLSceneObject::AbsoluteDirection() const {
  if (m_parent == nullptr) return m_direction;
  return TransformVector(m_parent->AbsoluteMatrix(), m_direction);
}

SceneVector TGLSceneObject::AbsoluteUp() const {
  if (m_parent == nullptr) return m_up;
  return TransformVector(m_parent->AbsoluteMatrix(), m_up);
}

void TGLSceneObject::NotifyChange() {
  if (m_scene != nullptr) m_scene->NotifyChange();
}

TGLScene::TGLScene() : m_root(std::make_unique<TGLSceneObject>()) { m_root->m_scene = this; }

TGLScene::~TGLScene() {
  m_destroying = true;
  m_root.reset();
  for (TGLSceneListener* listener : m_listeners) listener->SceneDestroyed();
}

void TGLScene::AddListener(TGLSceneListener* listener) { m_listeners.push_back(listener); }

void TGLScene::RemoveListener(TGLSceneListener* listener) {
  m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                    m_listeners.end());
}

void TGLScene::NotifyChange() {
  ++m_version;
  if (m_destroying) return;
  // A listener may remove itself while being told.
  const std::vector<TGLSceneListener*> listeners = m_listeners;
  for (TGLSceneListener* listener : listeners) listener->SceneChanged();
}

void TGLScene::ObjectDestroyed(TGLSceneObject* object) {
  if (m_destroying) return;
  ForgetTarget(*m_root, object);
  const std::vector<TGLSceneListener*> listeners = m_listeners;
  for (TGLSceneListener* listener : listeners) listener->ObjectDestroyed(object);
  NotifyChange();
}

}  // namespace ovalon
