// Lighter frames while the view moves: when they are drawn and how their stride follows the
// measured frame times. Times are in milliseconds; the budget is 28 ms.

#include "view3d/scene/interactiveframes.h"

#include <gtest/gtest.h>

#include <array>

#include "view3d/scene/ellipsoidsurface.h"
#include "view3d/scene/glheightfield.h"

namespace ovalon {
namespace {

TEST(InteractiveFrames, LighterFromAnInteractionUntilThePause) {
  InteractiveFrames frames;
  EXPECT_FALSE(frames.Interacting(0));
  EXPECT_EQ(frames.StrideAt(0), 1);
  EXPECT_EQ(frames.UntilSettled(0), 0);

  frames.Interacted(1000);
  EXPECT_TRUE(frames.Interacting(1000));
  EXPECT_EQ(frames.StrideAt(1100), frames.InteractiveStride());
  EXPECT_GT(frames.InteractiveStride(), 1);
  EXPECT_EQ(frames.UntilSettled(1100), 50);
  // Another interaction before the pause is over starts it again.
  frames.Interacted(1140);
  EXPECT_TRUE(frames.Interacting(1289));
  EXPECT_FALSE(frames.Interacting(1290));
  EXPECT_EQ(frames.StrideAt(1290), 1);
  EXPECT_EQ(frames.UntilSettled(1290), 0);
}

// Before any interactive frame, the full frame's time gives the first stride: the smallest
// whose share of the full frame's wire frame (2/(3k²)) brings that time within the budget.
TEST(InteractiveFrames, FirstStrideFromTheFullFrame) {
  struct Case {
    double fullMs;
    int stride;
  };
  // 20 ms fits as it is; 100 × 1/6 = 16.7; 200 × 1/6 = 33 > 28 but 200 × 2/27 = 14.8;
  // 2000 ms would need a stride above the largest (2000 × 2/108 = 37).
  const Case cases[] = {{20, 1}, {100, 2}, {200, 3}, {2000, InteractiveFrames::MaxStride}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fullMs);
    InteractiveFrames frames;
    frames.FrameShown(1, c.fullMs, false);
    EXPECT_EQ(frames.InteractiveStride(), c.stride);
  }
}

// A frame over the budget raises the stride as far as its time predicts (the whole frame taken
// to shrink with the wire frame); one lowers it only when even that prediction at one stride
// less stays within 90 % of the budget.
TEST(InteractiveFrames, StrideFollowsTheInteractiveFrameTimes) {
  struct Step {
    double ms;   // an interactive frame drawn at the current stride
    int stride;  // the stride after it
  };
  const Step steps[] = {
      {27, 2},   // within the budget; at stride 1 it would take 6 × 27 ms
      {60, 3},   // over: at 3 it would take 60 × (2/27) / (1/6) = 26.7
      {12, 3},   // at 2 it would take 12 × 2.25 = 27 > 0.9 × 28: stays
      {10, 2},   // 22.5 ≤ 25.2: one lower
      {400, 6},  // far over: even the largest stride, 400 × (2/108) × 6 = 44, does not fit
      {40, 6},   // still over, but there is no larger stride
  };
  InteractiveFrames frames;
  frames.FrameShown(1, 100, false);  // stride 2
  for (const Step& step : steps) {
    SCOPED_TRACE(step.ms);
    frames.FrameShown(frames.InteractiveStride(), step.ms, true);
    EXPECT_EQ(frames.InteractiveStride(), step.stride);
  }
  // A frame drawn before the last change of stride, and a full frame once interactive frames
  // have been measured, change nothing.
  frames.FrameShown(3, 500, true);
  frames.FrameShown(1, 20, false);
  EXPECT_EQ(frames.InteractiveStride(), 6);
}

// The share that the choice assumes matches the real lighter wire frames of the window's
// ellipsoid (150 divisions) within 15 %.
TEST(InteractiveFrames, WireShareMatchesTheEllipsoid) {
  TGLHeightField upper, lower;
  const std::array<double, 3> axes{3.9, 3.55, 3.25};
  SetEllipsoidSampling(upper, lower, axes, 150, true);
  upper.SetOnGetHeight([&](float x, float y, float& z, SceneColor&, TexPoint&) {
    z = EllipsoidHeight(axes, +1, x, y, upper.XSamplingScale().Step(),
                        upper.YSamplingScale().Step());
  });
  const HeightFieldMesh& mesh = upper.Mesh();
  for (int stride = 2; stride <= InteractiveFrames::MaxStride; ++stride) {
    SCOPED_TRACE(stride);
    const double share = static_cast<double>(WireFrameEdges(mesh, stride).size()) /
                         static_cast<double>(mesh.edges.size());
    EXPECT_NEAR(share / InteractiveFrames::WireShare(stride), 1, 0.15);
  }
}

}  // namespace
}  // namespace ovalon
