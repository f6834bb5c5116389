#pragma once

#include "launcher/update/InstallWatcher.h"

// The name a child process prints for a step, and the one a test asks it to
// stop at.
inline const char* InstallStepName(Launcher::InstallStep step) {
  using Launcher::InstallStep;
  switch (step) {
    case InstallStep::Recorded:
      return "Recorded";
    case InstallStep::SetAside:
      return "SetAside";
    case InstallStep::Extracting:
      return "Extracting";
    case InstallStep::Extracted:
      return "Extracted";
    case InstallStep::Committed:
      return "Committed";
    case InstallStep::Discarded:
      return "Discarded";
    case InstallStep::PackageDeleted:
      return "PackageDeleted";
    case InstallStep::Finished:
      return "Finished";
    case InstallStep::RolledBack:
      return "RolledBack";
  }
  return "?";
}
