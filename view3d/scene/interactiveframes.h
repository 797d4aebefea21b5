#pragma once
// Lighter frames while the user moves the view: which frames are drawn lighter and how much.

namespace ovalon {

/// While the user drags, pans, turns the wheel or moves a track bar, the view draws lighter
/// frames: the ellipsoid's wire frame through every k-th sampling line only, with the stride k
/// chosen from the measured frame times so that frames keep pace with the mouse. Once no
/// interaction has come for SettleMs, the full frame is drawn again. Times are milliseconds of
/// any steady clock; the caller supplies them.
class InteractiveFrames {
 public:
  /// The pause after the last interaction that brings the full frame back.
  static constexpr double SettleMs = 150;
  /// The time a lighter frame should take from the start of its drawing to the screen: 30
  /// frames per second, with room left for handling the input.
  static constexpr double FrameBudgetMs = 28;
  /// At this stride the wire frame has 2 % of the full frame's segments; a larger one would
  /// thin the picture further for well under a millisecond.
  static constexpr int MaxStride = 6;

  /// The share of the full wire frame's segments that a stride draws: the full frame has three
  /// edges per sample (along x, along y and the diagonal), stride k two per k × k samples.
  static double WireShare(int stride);

  /// The user moved the view or restyled it at `now`.
  void Interacted(double now);
  /// From an interaction until SettleMs have passed without another.
  bool Interacting(double now) const;
  /// How long until the full frame is due: 0 when not interacting.
  double UntilSettled(double now) const;

  /// The stride of a frame drawn at `now`: 1, the full frame, unless interacting.
  int StrideAt(double now) const { return Interacting(now) ? m_stride : 1; }
  /// The stride that interactive frames get now.
  int InteractiveStride() const { return m_stride; }

  /// A frame drawn with `stride` took `ms` from the start of its drawing until it was shown;
  /// `interactive` when it was drawn during an interaction. Still frames set the first stride,
  /// before any interactive frame has been measured; an interactive frame over the budget
  /// raises the stride as far as its time predicts, one well within the budget lowers it by
  /// one. A machine fast enough draws the full frame throughout (stride 1).
  void FrameShown(int stride, double ms, bool interactive);

 private:
  /// The smallest stride from `from` up whose frame, predicted from `ms` at `stride`, fits.
  static int StrideToFit(int stride, double ms, int from);

  double m_lastInteraction = 0;
  bool m_interacted = false;
  bool m_measuredInteractive = false;
  int m_stride = 2;
};

}  // namespace ovalon
