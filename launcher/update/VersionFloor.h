#pragma once

#include <string>

#include "base/Status.h"
#include "launcher/fs/Installation.h"

namespace Launcher {

// The highest version the launcher ever installed into an installation, kept
// in its own record ("update.version": "version " + the version, one line),
// so that no run installs an older one, even when the product's own version
// cannot be read. Only a record the launcher wrote (Installation::
// ReadTrusted) is read. Shares the installation, which must outlive it; one
// thread at a time.
class VersionFloor {
 public:
  explicit VersionFloor(const Installation& installation) : installation_(installation) {}

  // The recorded version; empty when there is no record, or none the
  // launcher wrote, or it is not one line of the record's form.
  std::wstring Read() const;

  // Records `version` as installed, replacing the record whole or not at
  // all. The caller makes sure it is not below the recorded one.
  [[nodiscard]] Status Write(const std::wstring& version) const;

 private:
  const Installation& installation_;
};

}  // namespace Launcher
