#include "launcher/update/PendingEntry.h"

#include <utility>

#include "launcher/fs/FileNames.h"

namespace Launcher {

PendingEntry PendingEntry::Deletion(std::wstring name) {
  return PendingEntry{false, std::move(name), {}};
}

PendingEntry PendingEntry::Restore(std::wstring setAsideName, std::wstring itemName) {
  return PendingEntry{true, std::move(setAsideName), std::move(itemName)};
}

PendingEntry PendingEntry::Parse(const std::wstring& text) {
  const size_t separator = text.find(kSeparator);
  if (separator == std::wstring::npos) return Deletion(text);
  return Restore(text.substr(0, separator), text.substr(separator + 1));
}

std::wstring PendingEntry::Format() const {
  return restore ? name + kSeparator + restoreTo : name;
}

bool PendingEntry::StaysInside() const {
  return IsInstallationPath(name) && (!restore || IsInstallationPath(restoreTo));
}

}  // namespace Launcher
