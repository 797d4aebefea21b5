#pragma once
// Mouse events of the 3D view as plain values, for the window's handlers.

namespace ovalon {

/// The held mouse buttons and modifier keys of a mouse event.
struct ShiftState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool left = false;
  bool right = false;
  bool middle = false;

  /// True when no button and no Shift, Ctrl or Alt key is held.
  bool Empty() const { return !(shift || ctrl || alt || left || right || middle); }
  friend bool operator==(const ShiftState&, const ShiftState&) = default;
};

/// The mouse button that went down or up; none for a move.
enum class ViewerButton { None, Left, Right, Middle, Other };

/// A mouse-down, mouse-move or mouse-up event in client pixel coordinates (x right, y down).
struct ViewerMouseEvent {
  int x = 0;
  int y = 0;
  ShiftState shift;  ///< held after the event: a button going up is no longer held
  ViewerButton button = ViewerButton::None;
};

}  // namespace ovalon
