#pragma once
// The process-wide floating-point environment of the analysis.

namespace ovalon {

/// Sets the x87 unit to a 64-bit significand and round-to-nearest with every exception
/// masked, and masks every SSE exception too. Call once at start-up, before any arithmetic.
void SetExtendedFloatingPointEnvironment();

/// True when the x87 and SSE units are set as SetExtendedFloatingPointEnvironment() sets them.
bool HasExtendedFloatingPointEnvironment();

}  // namespace ovalon
