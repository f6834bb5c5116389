#pragma once

#include <algorithm>

// The arithmetic the container and the box layouts share.
namespace DuiLib {

// `value` held to [low, high]; `low` wins when the two cross (a maximum below
// the minimum).
inline int ClampInt(int value, int low, int high) {
  return std::max(low, std::min(value, high));
}

// What a child may take at most along one axis: `room`, capped by its fixed
// size when it has one, else by its maximum.
inline int CapBy(int room, int fixed, int maximum) {
  return std::min(room, fixed > 0 ? fixed : maximum);
}

}  // namespace DuiLib
