#include "launcher/EntryRemoval.h"

namespace Launcher {

bool RemoveInstalledEntry(const std::wstring& directory, const std::wstring& relativePath) {
  return Installation(directory).Remove(relativePath).ok();
}

Status MoveInstalledEntry(const std::wstring& directory, const std::wstring& from, const std::wstring& to,
                          Installation::Occupant occupant) {
  return Installation(directory).Move(from, to, occupant);
}

}  // namespace Launcher
