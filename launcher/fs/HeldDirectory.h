#pragma once

#include <string>

#include "base/UniqueHandle.h"

namespace Launcher {

// A directory of the installation, checked once and held open for a run of
// creations in it (Installation::Hold, Installation::CreateFileIn): the name
// led to it and nowhere else, it is trusted, and it is held without delete
// sharing, so that nobody renames it away or swaps it for a link while it is
// held. An empty object holds nothing. Not copyable; movable; the
// installation that made it must outlive it. One thread at a time.
class HeldDirectory {
 public:
  HeldDirectory() = default;
  HeldDirectory(HeldDirectory&&) = default;
  HeldDirectory& operator=(HeldDirectory&&) = default;
  HeldDirectory(const HeldDirectory&) = delete;
  HeldDirectory& operator=(const HeldDirectory&) = delete;

  bool Holds() const { return static_cast<bool>(handle_); }
  // The directory relative to the installation, normalised ("" for the
  // installation directory itself).
  const std::wstring& Relative() const { return relative_; }

 private:
  friend class Installation;

  std::wstring relative_;
  UniqueHandle handle_;
};

}  // namespace Launcher
