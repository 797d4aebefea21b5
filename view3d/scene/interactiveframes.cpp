#include "view3d/scene/interactiveframes.h"

#include <algorithm>

namespace ovalon {

namespace {

/// A lighter frame is drawn with one stride less only when that frame, predicted as if all of
/// the frame's time went to the wire frame, would still take at most this share of the budget.
/// The prediction can only overestimate, so a lowered stride does not bounce back.
constexpr double LowerBelowShare = 0.9;

}  // namespace

double InteractiveFrames::WireShare(int stride) {
  return stride <= 1 ? 1 : 2.0 / (3.0 * stride * stride);
}

void InteractiveFrames::Interacted(double now) {
  m_lastInteraction = now;
  m_interacted = true;
}

bool InteractiveFrames::Interacting(double now) const {
  return m_interacted && now - m_lastInteraction < SettleMs;
}

double InteractiveFrames::UntilSettled(double now) const {
  return Interacting(now) ? SettleMs - (now - m_lastInteraction) : 0;
}

int InteractiveFrames::StrideToFit(int stride, double ms, int from) {
  // The rest of the frame is taken to shrink with the wire frame: an underestimate, which the
  // next measured frame corrects.
  int k = from;
  while (k < MaxStride && ms * WireShare(k) / WireShare(stride) > FrameBudgetMs) ++k;
  return k;
}

void InteractiveFrames::FrameShown(int stride, double ms, bool interactive) {
  if (!(ms >= 0)) return;
  if (!interactive) {
    if (!m_measuredInteractive && stride == 1) m_stride = StrideToFit(1, ms, 1);
    return;
  }
  m_measuredInteractive = true;
  if (stride != m_stride) return;  // drawn before the last change of stride
  if (ms > FrameBudgetMs) {
    m_stride = StrideToFit(stride, ms, std::min(stride + 1, MaxStride));
  } else if (stride > 1 &&
             ms * WireShare(stride - 1) / WireShare(stride) <= LowerBelowShare * FrameBudgetMs) {
    m_stride = stride - 1;
  }
}

}  // namespace ovalon
