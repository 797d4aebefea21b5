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

/// A mouse-down or mouse-move event in client pixel coordinates (x right, y down).
struct ViewerMouseEvent {
  int x = 0;
  int y = 0;
  ShiftState shift;
};

}  // namespace ovalon
