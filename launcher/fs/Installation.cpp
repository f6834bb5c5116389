#include "launcher/fs/Installation.h"

#include <string>
#include <utility>
#include <vector>

#include <aclapi.h>
#include <winternl.h>

#include "base/ProcAddress.h"
#include "base/UniqueFindHandle.h"
#include "launcher/fs/FileAuthority.h"
#include "launcher/fs/FileNames.h"
#include "launcher/fs/FinalPath.h"
#include "launcher/fs/SafePath.h"

namespace Launcher {

namespace {

// Fresh names ReplaceDurably tries before it gives up: "temp.new", then
// "temp.new1" up to this.
constexpr int kFreshNames = 16;

std::wstring FreshName(const std::wstring& name, int n) {
  return name + L".new" + (n == 0 ? std::wstring() : std::to_wstring(n));
}
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

// `relative` with "\" separators, empty and "." components left out.
std::wstring Normal(const std::wstring& relative) {
  std::wstring normal;
  for (const std::wstring& component : PathComponents(relative)) {
    if (!normal.empty()) normal += L'\\';
    normal += component;
  }
  return normal;
}

std::wstring ParentOf(const std::wstring& normal) {
  const size_t slash = normal.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : normal.substr(0, slash);
}

Status LeadsElsewhere(const std::wstring& path) {
  return Status::Failed(Status::Kind::LeadsElsewhere, "ReachesThroughLink", path);
}

// Renames the open `object` to the full path `to` through the handle
// itself, so that what moves is what was checked.
bool RenameOpened(HANDLE object, const std::wstring& to, bool replace) {
  const std::wstring target = to.compare(0, 2, L"\\\\") == 0 ? L"\\??\\UNC\\" + to.substr(2) : L"\\??\\" + to;
  std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + (target.size() + 1) * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  target.copy(rename->FileName, target.size());
  return ::SetFileInformationByHandle(object, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool DisposeOpened(HANDLE object) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(object, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool SetAttributesOpened(HANDLE object, DWORD attributes) {
  FILE_BASIC_INFO basic{};
  basic.FileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return ::SetFileInformationByHandle(object, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

// The names in the open directory `directory`, listed through the handle
// itself: the listing is of the directory that was checked, whatever its
// name leads to meanwhile.
std::vector<std::wstring> NamesIn(HANDLE directory) {
  std::vector<std::wstring> names;
  std::vector<BYTE> listing(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (::GetFileInformationByHandleEx(directory, kind, listing.data(), static_cast<DWORD>(listing.size()))) {
    kind = FileIdBothDirectoryInfo;
    for (size_t at = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(listing.data() + at);
      const std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back(name);
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  return names;
}

}  // namespace

Installation::Installation(std::wstring directory) : directory_(std::move(directory)) {
  // Without a full directory every name would be taken relative to
  // whatever the current directory is.
  if (!IsFullDirectory(directory_)) return;
  // The directory may be shared with other accounts; held so that it is not
  // renamed under the update while this object lives.
  // READ_CONTROL and FILE_LIST_DIRECTORY take no part in sharing: the start
  // asks who may change the directory and lists it through this handle.
  root_.Reset(::CreateFileW(directory_.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                            nullptr));
  if (root_) final_ = FinalPathOf(root_.Get());
}

Status Installation::Check(const std::wstring& relative) const {
  if (!Valid()) return Status::Failed("Installation", directory_);
  if (!IsSafeItemPath(relative)) return Status::Failed(Status::Kind::Refused, "IsSafeItemPath", directory_ + relative);
  return Status::Ok();
}

Status Installation::OpenAt(const std::wstring& relative, DWORD access, DWORD share, UniqueHandle& object) const {
  object.Reset();
  if (Status checked = Check(relative); !checked.ok()) return checked;
  const std::wstring normal = Normal(relative);
  const std::wstring path = directory_ + normal;
  UniqueHandle opened(::CreateFileW(OpenablePath(path).c_str(), access | SYNCHRONIZE, share & ~FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr));
  if (!opened) return Status::FromLastError("CreateFileW", path);
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(opened.Get(), &information)) {
    return Status::FromLastError("GetFileInformationByHandle", path);
  }
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return LeadsElsewhere(path);
  // The final path resolves every link on the way at once; Wine reports
  // none of MAX_PATH characters or more, and the update writes no such path.
  const std::wstring final = FinalPathOf(opened.Get());
  if (!(final.empty() && path.size() >= MAX_PATH) && !SameIgnoringCase(final, final_ + L"\\" + normal)) {
    return LeadsElsewhere(path);
  }
  object = std::move(opened);
  return Status::Ok();
}

Status Installation::Open(const std::wstring& relative, DWORD access, UniqueHandle& object, DWORD share) const {
  return OpenAt(relative, access, share, object);
}

Installation::Examined Installation::Examine(const std::wstring& relative) const {
  UniqueHandle object;
  // Neither right takes part in sharing: a file held without sharing can
  // still be examined.
  const Status opened = OpenAt(relative, FILE_READ_ATTRIBUTES | READ_CONTROL, kShareReadWrite, object);
  if (!opened.ok()) return {opened.Is(Status::Kind::NotFound) ? Standing::Missing : Standing::Elsewhere, false};
  FILE_BASIC_INFO basic{};
  const bool directory = ::GetFileInformationByHandleEx(object.Get(), FileBasicInfo, &basic, sizeof basic) &&
                         (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return {IsTrustedObject(object.Get()) ? Standing::Trusted : Standing::Untrusted, directory};
}

Status Installation::ReadTrusted(const std::wstring& relative, unsigned long maxBytes, std::string& bytes) const {
  UniqueHandle file;
  if (Status opened = OpenAt(relative, GENERIC_READ | READ_CONTROL, kShareReadWrite, file); !opened.ok()) return opened;
  if (!IsTrustedObject(file.Get())) return Status::Failed(Status::Kind::Refused, "IsTrustedObject", PathOf(relative));
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return Status::FromLastError("GetFileSizeEx", PathOf(relative));
  if (size.QuadPart > static_cast<LONGLONG>(maxBytes)) {
    return Status::Failed(Status::Kind::Refused, "ReadTrusted", PathOf(relative));
  }
  std::string read;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!::ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
      return Status::FromLastError("ReadFile", PathOf(relative));
    }
    if (got == 0) break;
    read.append(buffer, got);
    // Grew while being read: no file the launcher wrote.
    if (read.size() > maxBytes) return Status::Failed(Status::Kind::Refused, "ReadTrusted", PathOf(relative));
  }
  bytes = std::move(read);
  return Status::Ok();
}

Status Installation::HoldParent(const std::wstring& normal, UniqueHandle& parent) const {
  // Held without delete sharing, after its own check: while held, the
  // directory cannot be renamed away or swapped for a link, so that what is
  // made in it is made where the check saw it. The root is held already.
  const std::wstring above = ParentOf(normal);
  if (above.empty()) return Status::Ok();
  return OpenAt(above, FILE_READ_ATTRIBUTES, kShareReadWrite, parent);
}

Status Installation::CreateFile(const std::wstring& relative, DWORD access, DWORD share, DWORD flags,
                                UniqueHandle& file) const {
  file.Reset();
  if (Status checked = Check(relative); !checked.ok()) return checked;
  const std::wstring normal = Normal(relative);
  UniqueHandle parent;
  if (Status held = HoldParent(normal, parent); !held.ok()) return held;
  return CreateNew(normal, access, share, flags, file);
}

Status Installation::CreateNew(const std::wstring& normal, DWORD access, DWORD share, DWORD flags,
                               UniqueHandle& file) const {
  if (!security_.Attributes()) return Status::Failed("AdminOnlySecurity", directory_);
  const std::wstring path = PathOf(normal);
  // CREATE_NEW never opens what exists, so nothing another account made, or
  // a link it planted, is written through.
  UniqueHandle created(::CreateFileW(OpenablePath(path).c_str(), access | DELETE | SYNCHRONIZE, share,
                                     security_.Attributes(), CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr));
  if (!created) return Status::FromLastError("CreateFileW", path);
  const std::wstring final = FinalPathOf(created.Get());
  if (!(final.empty() && path.size() >= MAX_PATH) && !SameIgnoringCase(final, final_ + L"\\" + normal)) {
    // Made through a link: the new, empty file is ours and goes again.
    DisposeOpened(created.Get());
    return LeadsElsewhere(path);
  }
  file = std::move(created);
  return Status::Ok();
}

Status Installation::Hold(const std::wstring& relative, HeldDirectory& held) const {
  held = HeldDirectory();
  if (!Valid()) return Status::Failed("Installation", directory_);
  const std::wstring normal = Normal(relative);
  UniqueHandle object;
  if (normal.empty()) {
    // The installation directory itself, checked when it was opened.
    HANDLE duplicate = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), root_.Get(), ::GetCurrentProcess(), &duplicate, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)) {
      return Status::FromLastError("DuplicateHandle", directory_);
    }
    object.Reset(duplicate);
  } else {
    if (Status opened = OpenAt(normal, FILE_READ_ATTRIBUTES | READ_CONTROL, kShareReadWrite, object); !opened.ok()) {
      return opened;
    }
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(object.Get(), FileBasicInfo, &basic, sizeof basic)) {
      return Status::FromLastError("GetFileInformationByHandleEx", PathOf(normal));
    }
    if (!(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return Status::Failed(Status::Kind::Refused, "Installation::Hold", PathOf(normal));
    }
    if (!IsTrustedObject(object.Get())) {
      return Status::Failed(Status::Kind::Refused, "IsTrustedObject", PathOf(normal));
    }
  }
  held.relative_ = normal;
  held.handle_ = std::move(object);
  return Status::Ok();
}

Status Installation::CreateFileIn(const HeldDirectory& directory, const std::wstring& name, DWORD access, DWORD share,
                                  UniqueHandle& file) const {
  file.Reset();
  const std::wstring relative = directory.Relative().empty() ? name : directory.Relative() + L"\\" + name;
  if (!directory.Holds()) return Status::Failed("Installation::CreateFileIn", PathOf(relative));
  if (Status checked = Check(relative); !checked.ok()) return checked;
  if (PathComponents(name).size() != 1 || name.find_first_of(L"\\/") != std::wstring::npos) {
    return Status::Failed(Status::Kind::Refused, "Installation::CreateFileIn", PathOf(relative));
  }
  if (!security_.Attributes()) return Status::Failed("AdminOnlySecurity", directory_);
  // Made by name inside the held directory object itself, not along a path:
  // whatever is renamed above it meanwhile, the file is made in the
  // directory that was checked, so no final path needs checking after.
  using CreateFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG,
                                    ULONG, ULONG, ULONG, PVOID, ULONG);
  using ErrorFn = ULONG(NTAPI*)(NTSTATUS);
  static const CreateFn create = ProcAddressAs<CreateFn>(::GetModuleHandleW(L"ntdll.dll"), "NtCreateFile");
  static const ErrorFn toError = ProcAddressAs<ErrorFn>(::GetModuleHandleW(L"ntdll.dll"), "RtlNtStatusToDosError");
  if (!create || !toError) return Status::Failed("NtCreateFile", PathOf(relative), ERROR_PROC_NOT_FOUND);
  UNICODE_STRING unicodeName{};
  unicodeName.Buffer = const_cast<PWSTR>(name.c_str());
  unicodeName.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  unicodeName.MaximumLength = unicodeName.Length;
  OBJECT_ATTRIBUTES attributes{};
  attributes.Length = sizeof attributes;
  attributes.RootDirectory = directory.handle_.Get();
  attributes.ObjectName = &unicodeName;
  attributes.Attributes = OBJ_CASE_INSENSITIVE;
  attributes.SecurityDescriptor = security_.Attributes()->lpSecurityDescriptor;
  IO_STATUS_BLOCK io{};
  HANDLE created = nullptr;
  const NTSTATUS status =
      create(&created, access | DELETE | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL, share,
             FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
  if (status < 0) {
    ::SetLastError(toError(status));
    return Status::FromLastError("NtCreateFile", PathOf(relative));
  }
  file.Reset(created);
  return Status::Ok();
}

Status Installation::CreateDirectory(const std::wstring& relative) const {
  if (Status checked = Check(relative); !checked.ok()) return checked;
  if (!security_.Attributes()) return Status::Failed("AdminOnlySecurity", directory_);
  const std::wstring path = PathOf(Normal(relative));
  UniqueHandle parent;
  if (Status held = HoldParent(Normal(relative), parent); !held.ok()) return held;
  if (!::CreateDirectoryW(OpenablePath(path).c_str(), security_.Attributes())) {
    return Status::FromLastError("CreateDirectoryW", path);
  }
  UniqueHandle made;
  Status opened = OpenAt(relative, DELETE | FILE_READ_ATTRIBUTES, kShareReadWrite, made);
  if (opened.Is(Status::Kind::LeadsElsewhere)) {
    // Made through a link: the empty directory is ours and goes again.
    UniqueHandle elsewhere(::CreateFileW(OpenablePath(path).c_str(), DELETE | SYNCHRONIZE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (elsewhere) DisposeOpened(elsewhere.Get());
  }
  return opened;
}

Status Installation::Move(const std::wstring& from, const std::wstring& to, Occupant occupant) const {
  if (Status checked = Check(to); !checked.ok()) return checked;
  const std::wstring source = Normal(from);
  const std::wstring target = Normal(to);
  if (!SameIgnoringCase(ParentOf(source), ParentOf(target))) {
    return Status::Failed(Status::Kind::Refused, "Installation::Move", PathOf(to));
  }
  UniqueHandle object;
  if (Status opened = OpenAt(source, DELETE | FILE_READ_ATTRIBUTES, kShareReadWrite, object); !opened.ok())
    return opened;
  bool replace = false;
  const Examined occupied = Examine(target);
  switch (occupied.standing) {
    case Standing::Missing:
      break;
    case Standing::Untrusted:
      // Another account took the emptied name: its file gives way, unless
      // it is a directory (which a rename never replaces).
      replace = occupant == Occupant::ReplaceUntrusted && !occupied.directory;
      if (!replace) return Status::Failed("MoveFileExW", PathOf(target), ERROR_ALREADY_EXISTS);
      break;
    case Standing::Trusted:
      return Status::Failed("MoveFileExW", PathOf(target), ERROR_ALREADY_EXISTS);
    case Standing::Elsewhere:
      return LeadsElsewhere(PathOf(target));
  }
  if (!RenameOpened(object.Get(), PathOf(target), replace)) return Status::FromLastError("MoveFileExW", PathOf(source));
  return Status::Ok();
}

Status Installation::Remove(const std::wstring& relative) const {
  if (Status checked = Check(relative); !checked.ok()) return checked;
  // One level of the walk: a directory held open (no delete sharing, so it
  // cannot be renamed while its contents go), its names, and whether
  // something below it stayed.
  struct Level {
    std::wstring normal;
    UniqueHandle object;
    DWORD attributes = 0;
    std::vector<std::wstring> names;
    size_t next = 0;
    bool keeps = false;
  };
  // Files are opened with FILE_READ_DATA too, which for a directory is the
  // right to list it.
  constexpr DWORD kAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY;
  Status first;
  const auto note = [&first](Status failed) {
    if (first.ok()) first = std::move(failed);
  };
  std::vector<Level> levels;
  // Opens `normal` and deletes it at once when it is a file; a directory
  // becomes the next level. False when something stays.
  const auto enter = [&](const std::wstring& normal) {
    Level level;
    level.normal = normal;
    Status opened = OpenAt(normal, kAccess, kShareReadWrite, level.object);
    if (opened.Is(Status::Kind::NotFound)) return true;
    if (!opened.ok()) return note(std::move(opened)), false;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(level.object.Get(), &information)) {
      return note(Status::FromLastError("GetFileInformationByHandle", PathOf(normal))), false;
    }
    level.attributes = information.dwFileAttributes;
    if (!(level.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      Status disposed = Dispose(normal, level.object.Get(), level.attributes);
      return disposed.ok() ? true : (note(std::move(disposed)), false);
    }
    if (levels.size() > kMaxRemoveDepth) {
      return note(Status::Failed(Status::Kind::Refused, "Installation::Remove", PathOf(normal))), false;
    }
    level.names = NamesIn(level.object.Get());
    levels.push_back(std::move(level));
    return true;
  };
  enter(Normal(relative));
  while (!levels.empty()) {
    const size_t at = levels.size() - 1;
    if (levels[at].next < levels[at].names.size()) {
      // A name Windows would read otherwise (a trailing dot, a device) was
      // not made by the launcher: the gate refuses it, and it stays.
      const std::wstring child = levels[at].normal + L"\\" + levels[at].names[levels[at].next++];
      if (!enter(child)) levels[at].keeps = true;
      continue;
    }
    Level done = std::move(levels[at]);
    levels.pop_back();
    const bool stays = done.keeps || !Dispose(done.normal, done.object.Get(), done.attributes).ok();
    if (stays && !levels.empty()) levels.back().keeps = true;
  }
  return first;
}

Status Installation::Dispose(const std::wstring& normal, HANDLE object, DWORD attributes) const {
  const std::wstring path = PathOf(normal);
  const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetAttributesOpened(object, attributes & ~FILE_ATTRIBUTE_READONLY);
  if (!DisposeOpened(object)) {
    const Status failed = Status::FromLastError("SetFileInformationByHandle", path);
    // A file that stays keeps its flag: it is the file it was.
    if (readOnly) SetAttributesOpened(object, attributes);
    return failed;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return Status::Ok();
  // Wine accepts the deletion of a directory that is not empty and keeps
  // it: the directory is gone only once no name is left in it.
  if (!NamesIn(object).empty()) return Status::Failed("RemoveDirectoryW", path, ERROR_DIR_NOT_EMPTY);
  return Status::Ok();
}

Status Installation::ReplaceDurably(const std::wstring& name, const std::string& bytes) const {
  if (Status checked = Check(name); !checked.ok()) return checked;
  UniqueHandle file;
  std::wstring fresh;
  Status created;
  for (int n = 0; n < kFreshNames; ++n) {
    fresh = FreshName(name, n);
    // What a write of ours left is ours to remove; anything else there is
    // passed by for the next fresh name.
    RemoveIfOurs(fresh);
    created = CreateFile(fresh, GENERIC_WRITE, 0, FILE_FLAG_WRITE_THROUGH, file);
    if (created.ok()) break;
  }
  if (!created.ok()) return created;
  const std::wstring next = PathOf(fresh);
  DWORD written = 0;
  Status status;
  if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    status = Status::FromLastError("WriteFile", next);
  } else if (written != bytes.size()) {
    status = Status::Failed("WriteFile", next);
  } else if (!::FlushFileBuffers(file.Get())) {
    status = Status::FromLastError("FlushFileBuffers", next);
  }
  if (status.ok()) {
    // Whatever stands under the name gives way to the launcher's own file,
    // unless it is a directory or a link (then the write fails).
    const Examined standing = Examine(name);
    if (standing.standing == Standing::Elsewhere) {
      status = LeadsElsewhere(PathOf(name));
    } else if (standing.directory) {
      status = Status::Failed("MoveFileExW", PathOf(name), ERROR_ACCESS_DENIED);
    } else if (!RenameOpened(file.Get(), PathOf(name), true)) {
      status = Status::FromLastError("MoveFileExW", PathOf(name));
    }
  }
  if (!status.ok()) DisposeOpened(file.Get());
  return status;
}

void Installation::RemoveUnfinishedWrites(const std::wstring& name) const {
  if (!Check(name).ok()) return;
  // One listing first: nearly every start finds none, and an open per fresh
  // name would cost the start sixteen failed opens.
  WIN32_FIND_DATAW found;
  if (!UniqueFindHandle(::FindFirstFileW(OpenablePath(PathOf(Normal(name) + L".new*")).c_str(), &found))) return;
  for (int n = 0; n < kFreshNames; ++n) RemoveIfOurs(FreshName(name, n));
}

bool Installation::DirectoryTrusted() const {
  return Valid() && IsTrustedObject(root_.Get());
}

Status Installation::Secure() const {
  if (!Valid()) return Status::Failed("Installation", directory_);
  if (!security_.Attributes()) return Status::Failed("AdminOnlySecurity", directory_);
  // A handle of its own with the rights to change the security: the one held
  // since construction has only what every start needs.
  UniqueHandle directory(::CreateFileW(directory_.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | SYNCHRONIZE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!directory) return Status::FromLastError("CreateFileW", directory_);
  // The name may have been pointed elsewhere since the installation was
  // opened: only the directory that was checked is changed.
  if (!SameIgnoringCase(FinalPathOf(directory.Get()), final_)) return LeadsElsewhere(directory_);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(security_.Attributes()->lpSecurityDescriptor, &present, &dacl, &defaulted) ||
      !present || !dacl) {
    return Status::Failed("GetSecurityDescriptorDacl", directory_);
  }
  // The owner may always rewrite the DACL, so an owner of another account
  // would undo it: the directory gets the owner of what the launcher makes.
  const PSID owner = OwnerOfNewObjectsSid();
  SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
  if (owner) what |= OWNER_SECURITY_INFORMATION;
  const DWORD set = ::SetSecurityInfo(directory.Get(), SE_FILE_OBJECT, what, owner, nullptr, dacl, nullptr);
  if (set != ERROR_SUCCESS) return Status::Failed("SetSecurityInfo", directory_, set);
  if (!IsTrustedObject(directory.Get())) return Status::Failed(Status::Kind::Refused, "IsTrustedObject", directory_);
  return Status::Ok();
}

Status Installation::ListDirectory(std::vector<std::wstring>& names) const {
  names.clear();
  if (!Valid()) return Status::Failed("Installation", directory_);
  ::SetLastError(ERROR_SUCCESS);
  names = NamesIn(root_.Get());
  // The listing ends with ERROR_NO_MORE_FILES; anything else cut it short.
  const DWORD ended = ::GetLastError();
  if (ended != ERROR_NO_MORE_FILES && ended != ERROR_SUCCESS) {
    names.clear();
    return Status::Failed("GetFileInformationByHandleEx", directory_, ended);
  }
  return Status::Ok();
}

Status Installation::MoveInto(const std::wstring& from, const std::wstring& directory, std::wstring& movedTo) const {
  movedTo.clear();
  if (Status checked = Check(from); !checked.ok()) return checked;
  const std::wstring source = Normal(from);
  const std::vector<std::wstring> components = PathComponents(source);
  if (components.empty()) return Status::Failed(Status::Kind::Refused, "IsSafeItemPath", directory_ + from);
  // Held without delete sharing, after its trust check, while the object goes
  // in: nobody renames it away or swaps it for a link meanwhile.
  HeldDirectory into;
  if (Status held = Hold(directory, into); !held.ok()) return held;
  UniqueHandle object;
  if (Status opened = OpenAt(source, DELETE | FILE_READ_ATTRIBUTES, kShareReadWrite, object); !opened.ok()) {
    return opened;
  }
  const std::wstring prefix = into.Relative().empty() ? std::wstring() : into.Relative() + L"\\";
  for (int n = 0; n < kFreshNames; ++n) {
    const std::wstring target = prefix + components.back() + (n == 0 ? std::wstring() : L"." + std::to_wstring(n));
    if (!Check(target).ok() || Examine(target).Exists()) continue;
    // Never replacing: whatever took the name meanwhile stays, and the next
    // name is tried.
    if (RenameOpened(object.Get(), PathOf(target), false)) {
      movedTo = target;
      return Status::Ok();
    }
    if (::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_FILE_EXISTS) {
      return Status::FromLastError("MoveFileExW", PathOf(source));
    }
  }
  return Status::Failed("MoveFileExW", PathOf(source), ERROR_ALREADY_EXISTS);
}

void Installation::RemoveIfOurs(const std::wstring& relative) const {
  // What cannot be removed now is tried again at the next write or start.
  if (Examine(relative).standing == Standing::Trusted) static_cast<void>(Remove(relative));
}

}  // namespace Launcher
