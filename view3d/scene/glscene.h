#pragma once
// The scene tree: TGLScene with its root, and TGLSceneObject, the common base of every object.

#include <cstdint>
#include <memory>
#include <vector>

#include "view3d/scene/glvector.h"

namespace ovalon {

class TGLScene;
class TGLSceneObject;
class TGLSphere;
class TGLLines;
class TGLSpaceText;
class TGLPoints;
class TGLHeightField;
class TGLCamera;
class TGLLightSource;

/// Double dispatch over the object classes, for renderers and other walkers of the tree.
class TGLSceneVisitor {
 public:
  virtual ~TGLSceneVisitor() = default;
  /// A plain object (a group without geometry, or the root).
  virtual void Visit(TGLSceneObject&) {}
  virtual void Visit(TGLSphere&) {}
  virtual void Visit(TGLLines&) {}
  virtual void Visit(TGLSpaceText&) {}
  virtual void Visit(TGLPoints&) {}
  virtual void Visit(TGLHeightField&) {}
  virtual void Visit(TGLCamera&) {}
  virtual void Visit(TGLLightSource&) {}
};

/// Told about the scene's life; a viewer installs one to redraw after changes.
class TGLSceneListener {
 public:
  virtual ~TGLSceneListener() = default;
  /// Something that is drawn changed: redraw soon.
  virtual void SceneChanged() = 0;
  /// `object` is being destroyed (already detached from its parent).
  virtual void ObjectDestroyed(TGLSceneObject* /*object*/) {}
  /// The scene itself is being destroyed; forget every pointer into it.
  virtual void SceneDestroyed() {}
};

/// A node of the scene tree: Position, Direction, Up, ShowAxes and an ordered list of children.
/// A parent owns its children: deleting an object removes it from its parent's list and deletes
/// its children first. Objects are created with AddNewChild and may be deleted by the caller.
class TGLSceneObject {
 public:
  TGLSceneObject();
  virtual ~TGLSceneObject();
  TGLSceneObject(const TGLSceneObject&) = delete;
  TGLSceneObject& operator=(const TGLSceneObject&) = delete;

  /// Creates a T with its class defaults, appends it last to the children and returns it.
  /// The object stays owned by this parent until the caller deletes it.
  template <class T>
  T* AddNewChild() {
    T* child = new T();
    Adopt(child);
    return child;
  }

  TGLSceneObject* Parent() const { return m_parent; }
  /// The scene the object belongs to, or null for an object outside any scene.
  TGLScene* Scene() const { return m_scene; }
  const std::vector<TGLSceneObject*>& Children() const { return m_children; }
  /// Unique for the process lifetime; caches key on it, since addresses are reused.
  std::uint64_t Id() const { return m_id; }

  /// The origin in the parent's frame.
  SceneVector Position() const { return m_position; }
  void SetPosition(SceneVector position);
  void SetPosition(float x, float y, float z) { SetPosition(SceneVector{x, y, z}); }

  /// Local Z axis (unit). Setting it normalises it (a zero vector becomes (0, 0, 1)) and
  /// straightens Up to be perpendicular to it.
  SceneVector Direction() const { return m_direction; }
  void SetDirection(SceneVector direction);

  /// Local Y axis (unit). Setting it normalises it (a zero vector becomes (0, 1, 0)) and
  /// straightens Direction to be perpendicular to it.
  SceneVector Up() const { return m_up; }
  void SetUp(SceneVector up);

  /// Local X axis, Up × Direction.
  SceneVector Right() const { return Cross(m_up, m_direction); }

  /// Draw the three local axes through the origin before the object itself.
  bool ShowAxes() const { return m_showAxes; }
  void SetShowAxes(bool show);

  /// Local frame → parent frame: columns Right, Up, Direction and Position.
  Matrix4f LocalMatrix() const;
  /// Local frame → scene frame.
  Matrix4f AbsoluteMatrix() const;
  /// The object's origin in the scene frame.
  SceneVector AbsolutePosition() const;
  /// Direction and Up in the scene frame.
  SceneVector AbsoluteDirection() const;
  SceneVector AbsoluteUp() const;

  virtual void Accept(TGLSceneVisitor& visitor) { visitor.Visit(*this); }

  /// Tells the scene that something drawn changed (redraw soon).
  void NotifyChange();

 private:
  friend class TGLScene;
  void Adopt(TGLSceneObject* child);
  void Detach(TGLSceneObject* child);

  TGLSceneObject* m_parent = nullptr;
  TGLScene* m_scene = nullptr;
  std::vector<TGLSceneObject*> m_children;
  std::uint64_t m_id;
  SceneVector m_position{0, 0, 0};
  SceneVector m_direction{0, 0, 1};
  SceneVector m_up{0, 1, 0};
  bool m_showAxes = false;
};

/// The scene: owns the root object (Objects) and everything below it, and tells its listeners
/// about changes. Destroying the scene destroys all its objects.
class TGLScene {
 public:
  TGLScene();
  ~TGLScene();
  TGLScene(const TGLScene&) = delete;
  TGLScene& operator=(const TGLScene&) = delete;

  /// The root; new objects are its children (AddNewChild).
  TGLSceneObject& Objects() { return *m_root; }

  /// Counts the changes; grows by at least one on every NotifyChange.
  std::uint64_t Version() const { return m_version; }

  /// Registers a listener (not owned); it must be removed before it is destroyed.
  void AddListener(TGLSceneListener* listener);
  void RemoveListener(TGLSceneListener* listener);

  /// Records a change and tells every listener.
  void NotifyChange();

 private:
  friend class TGLSceneObject;
  void ObjectDestroyed(TGLSceneObject* object);

  std::unique_ptr<TGLSceneObject> m_root;
  std::vector<TGLSceneListener*> m_listeners;
  std::uint64_t m_version = 0;
  bool m_destroying = false;
};

}  // namespace ovalon
