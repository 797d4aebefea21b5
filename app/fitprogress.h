#pragma once
// Long Levenberg–Marquardt runs of the window: the numerics on a worker thread, with a progress
// dialog that can cancel them.

#include <cstdint>

#include "core/extended.h"
#include "fit/quadricfit.h"

class QWidget;

namespace ovalon {

class Dialogs;

/// The progress dialog shows for a run expected to last at least this long in all.
inline constexpr std::int64_t ProgressDialogDelayMs = 500;

/// Whether the progress dialog of an unfinished run that has done `done` of `total` cycles in
/// `elapsedMs` is due: the run has lasted ProgressDialogDelayMs already, or it has been timed for
/// at least 50 ms and at its rate so far it will last that long in all.
bool ProgressDialogDue(std::int64_t elapsedMs, int done, int total);

/// ComputeFit for the window. A Levenberg–Marquardt run of one cycle or more runs on a worker
/// thread while `window` keeps painting but takes no input; the progress dialog of `dialogs`
/// shows once ProgressDialogDue says so, and cancelling it ends the run Cancelled (so does a
/// cancel that arrives after the last cycle). Other runs are computed on the calling thread.
/// The outcome is the one ComputeFit gives on the calling thread.
FitOutcome ComputeFitWithProgress(QWidget* window, Dialogs& dialogs, const PointSet& coords,
                                  const PointSet& errors, const FitPlan& plan);

}  // namespace ovalon
