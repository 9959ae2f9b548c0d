#pragma once

namespace platform {

// Autoresizing flags of a view: how it follows its parent's size changes.
// A flexible part of an axis takes a share of the parent's change; a view
// without flexible parts keeps its size and its distance from the top left.
inline constexpr unsigned kAutoresizingNone = 0;
inline constexpr unsigned kAutoresizingFlexibleLeftMargin = 1;
inline constexpr unsigned kAutoresizingFlexibleWidth = 2;
inline constexpr unsigned kAutoresizingFlexibleRightMargin = 4;
inline constexpr unsigned kAutoresizingFlexibleTopMargin = 8;
inline constexpr unsigned kAutoresizingFlexibleHeight = 16;
inline constexpr unsigned kAutoresizingFlexibleBottomMargin = 32;

} // namespace platform
