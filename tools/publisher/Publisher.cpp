#include "tools/publisher/Publisher.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <set>

#include "base/UniqueHandle.h"
#include "base/Utf8.h"
#include "base/Utf8ToWide.h"
#include "launcher/extract/SevenZipExtractor.h"
#include "launcher/fs/Installation.h"
#include "launcher/update/PackageSignature.h"
#include "tools/publisher/MinisignKey.h"
#include "tools/publisher/PackageWriter.h"
#include "tools/publisher/ReleaseFolder.h"

namespace Publisher {

namespace {

constexpr wchar_t kWorkName[] = L".publish-work";

// Four dot-separated decimal numbers, as the version reply and
// tools/sign-package.sh name versions.
bool IsVersion(const std::wstring& text) {
  int dots = 0;
  size_t digits = 0;
  for (const wchar_t c : text) {
    if (c >= L'0' && c <= L'9') {
      ++digits;
    } else if (c == L'.' && digits > 0) {
      ++dots;
      digits = 0;
    } else {
      return false;
    }
  }
  return digits > 0 && dots == 3;
}

std::wstring FullPath(const std::wstring& path) {
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  full.resize(size);
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  return full;
}

// Whether `path` is `folder` or lies below it (full paths, letter case aside).
bool Within(const std::wstring& path, const std::wstring& folder) {
  if (path.size() < folder.size()) return false;
  if (::CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                             static_cast<int>(folder.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  return path.size() == folder.size() || path[folder.size()] == L'\\' || folder.back() == L'\\';
}

std::string LastError() {
  return "error " + std::to_string(::GetLastError());
}

// Deletes `path` and everything below it; true when nothing is left.
bool RemoveTree(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) != FALSE;
  }
  Listing listing;
  std::string ignored;
  if (!ListFolder(path, listing, ignored)) return false;
  // Children list after their folder: backwards, each folder is empty when
  // its turn comes.
  for (auto it = listing.rbegin(); it != listing.rend(); ++it) {
    ::SetFileAttributesW(it->second.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (it->second.directory ? !::RemoveDirectoryW(it->second.path.c_str()) : !::DeleteFileW(it->second.path.c_str())) {
      return false;
    }
  }
  return ::RemoveDirectoryW(path.c_str()) != FALSE;
}

// The extraction logs every item on standard output; the maker reads the
// publisher's own lines, so the log goes to NUL while it runs.
class QuietOutput {
 public:
  QuietOutput() {
    std::fflush(stdout);
    const int nul = _wopen(L"NUL", _O_WRONLY);
    if (nul < 0) return;
    saved_ = _dup(_fileno(stdout));
    if (saved_ >= 0) _dup2(nul, _fileno(stdout));
    _close(nul);
  }
  ~QuietOutput() {
    std::fflush(stdout);
    if (saved_ < 0) return;
    _dup2(saved_, _fileno(stdout));
    _close(saved_);
  }
  QuietOutput(const QuietOutput&) = delete;
  QuietOutput& operator=(const QuietOutput&) = delete;

 private:
  int saved_ = -1;
};

// What turns `base` into `release`, in the listing's order; false with
// `error` for a name whose kind changes.
bool PlanDelta(const Listing& base, const Listing& release, const std::wstring& baseFolder,
               std::vector<PackageItem>& items, std::string& error) {
  items.clear();
  for (const auto& [name, entry] : release) {
    const auto old = base.find(name);
    if (old != base.end()) {
      if (old->second.directory != entry.directory) {
        error = Utf8FromWide(entry.path) + ": is a " + (entry.directory ? "folder" : "file") + " here but a " +
                (entry.directory ? "file" : "folder") + " in " + Utf8FromWide(baseFolder) +
                "; a delta cannot turn one into the other: rename it, or leave this earlier version out";
        return false;
      }
      if (entry.directory) continue;
      if (old->second.size == entry.size) {
        bool same = false;
        if (!SameBytes(old->second.path, entry.path, same, error)) return false;
        if (same) continue;
      }
    }
    items.push_back({name, entry.directory, false, entry.directory ? std::wstring() : entry.path, entry.size});
  }
  for (const auto& [name, entry] : base) {
    if (release.count(name) == 0) items.push_back({name, entry.directory, true, std::wstring(), 0});
  }
  std::sort(items.begin(), items.end(), [](const PackageItem& a, const PackageItem& b) { return a.name < b.name; });
  return true;
}

bool CopyTree(const Listing& listing, const std::wstring& to, std::string& error) {
  for (const auto& [name, entry] : listing) {
    const std::wstring target = to + L"\\" + name;
    const bool done = entry.directory ? ::CreateDirectoryW(target.c_str(), nullptr) != FALSE
                                      : ::CopyFileW(entry.path.c_str(), target.c_str(), TRUE) != FALSE;
    if (!done) {
      error = Utf8FromWide(entry.path) + ": cannot be copied to " + Utf8FromWide(target) + " for the check (" +
              LastError() + "); check the free space";
      return false;
    }
  }
  return true;
}

// Unpacks `package` over `base` (null: nothing) in `checkFolder` the way the
// launcher does, and compares the result with `release`.
bool CheckPackage(const std::wstring& package, const Listing* base, const Listing& release,
                  const std::wstring& checkFolder, std::string& error) {
  // Named as it will be published, not by its place in the work folder.
  const std::string name = Utf8FromWide(package.substr(package.rfind(L'\\') + 1));
  if (!RemoveTree(checkFolder) || !::CreateDirectoryW(checkFolder.c_str(), nullptr)) {
    error = Utf8FromWide(checkFolder) + ": the check's folder cannot be made anew (" + LastError() +
            "); close what uses it";
    return false;
  }
  if (base && !CopyTree(*base, checkFolder, error)) return false;
  SevenZip::SevenZipExtractor extractor;
  extractor.SetPath(package);
  if (!extractor.ItemsReadable()) {
    error = name + ": cannot be read as a 7z package; check the free space and publish again";
    return false;
  }
  std::vector<std::wstring> markers;
  const std::vector<std::wstring> items = extractor.ItemNames();
  const std::vector<bool> marked = extractor.ItemDeletionMarkers();
  for (size_t i = 0; i < items.size() && i < marked.size(); ++i) {
    if (marked[i]) markers.push_back(items[i]);
  }
  {
    const Launcher::Installation target(checkFolder + L"\\");
    // Deepest names first, so that a folder's contents go before it.
    std::sort(markers.rbegin(), markers.rend());
    for (const std::wstring& marker : markers) {
      if (Launcher::Status removed = target.Remove(marker); !removed.ok()) {
        error = name + ": its deletion marker " + Utf8FromWide(marker) + " cannot be applied (" + removed.ToString() +
                "); run the publisher as administrator on Windows";
        return false;
      }
    }
    Launcher::Status extracted;
    {
      QuietOutput quiet;
      extracted = extractor.ExtractInto(target);
    }
    if (!extracted.ok()) {
      error = name + ": the launcher's extraction refuses it (" + extracted.ToString() +
              "); run the publisher as administrator on Windows, and check the release's file names";
      return false;
    }
  }
  Listing result;
  if (!ListFolder(checkFolder, result, error)) return false;
  const std::string over = base ? " unpacked over a copy of its earlier release" : " unpacked into an empty folder";
  for (const auto& [item, entry] : release) {
    const auto got = result.find(item);
    if (got == result.end() || got->second.directory != entry.directory) {
      error = name + over + " lacks " + Utf8FromWide(item) + "; nothing was published: report this with both folders";
      return false;
    }
    if (entry.directory) continue;
    bool same = got->second.size == entry.size;
    if (same && !SameBytes(got->second.path, entry.path, same, error)) return false;
    if (!same) {
      error = name + over + " gives other bytes for " + Utf8FromWide(item) +
              "; nothing was published: report this with both folders";
      return false;
    }
  }
  for (const auto& [item, entry] : result) {
    if (release.count(item) == 0) {
      error = name + over + " leaves " + Utf8FromWide(item) +
              ", which the release does not hold; nothing was published: report this with both folders";
      return false;
    }
  }
  return true;
}

// Signs the package at `path` for `version` (a delta from `from`; empty for
// the full package), then checks the signature the launcher's way with the
// key's public half, so that nothing is published that the launcher would
// refuse; `size` is the package's.
bool SignAndCheck(const MinisignKey& key, const std::wstring& path, const std::wstring& version,
                  const std::wstring& from, std::string& signature, std::uint64_t& size, std::string& error) {
  const std::string name = Utf8FromWide(path.substr(path.rfind(L'\\') + 1));
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER bytes = {};
  if (!file || !::GetFileSizeEx(file.Get(), &bytes)) {
    error = name + ": cannot be read to sign it (" + LastError() + "); close what uses it";
    return false;
  }
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  const std::wstring comment = L"version " + version + (from.empty() ? L"" : L" from " + from);
  if (!key.Sign(file.Get(), Utf8FromWide(comment), signature, error)) {
    error = name + ": " + error;
    return false;
  }
  const Launcher::Status checked =
      Launcher::PackageSignature(key.PublicKeyLine(), WideFromUtf8(signature), version, from).Check(file.Get());
  if (!checked.ok()) {
    error = name + ": the launcher would refuse its signature (" + checked.ToString() + "); report this";
    return false;
  }
  return true;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes, std::string& error) {
  UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  const bool ok = file && ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  const std::string why = LastError();
  if (!ok) error = Utf8FromWide(path) + ": cannot be written (" + why + "); check the free space";
  return ok;
}

// The signature as Data.Signature carries it: the four lines joined by "\n",
// without a line end after the last.
std::string SignatureValue(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Mirror addresses of `file`, in the maker's order.
Json::Value Addresses(const std::vector<std::string>& bases, const std::wstring& file) {
  Json::Value list(Json::arrayValue);
  for (const std::string& base : bases) list.append(base + "/" + Utf8FromWide(file));
  return list;
}

// `value` as indented JSON, members in name order, text beyond ASCII as
// \u escapes. The project's JsonCpp is built without streams (see
// tools/deps/jsoncpp.patch), which leaves StyledWriter, marked deprecated in
// favour of the stream writers, as its one writer.
std::string StyledJson(const Json::Value& value) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Json::StyledWriter writer;
  return writer.write(value);
#pragma GCC diagnostic pop
}

// One package ready to be signed and moved.
struct Made {
  std::wstring file;  // name in the output folder
  std::wstring from;  // empty for the full package
};

bool EmptyOrMissing(const std::wstring& folder, bool& existed, std::string& error) {
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  existed = attributes != INVALID_FILE_ATTRIBUTES;
  if (!existed) return true;
  Listing listing;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || !ListFolder(folder, listing, error) || !listing.empty()) {
    error = Utf8FromWide(folder) + ": the output folder must be empty or missing; give a new one";
    return false;
  }
  return true;
}

bool ReadNotes(const std::wstring& path, std::string& notes, std::string& error) {
  if (!ReadFileBytes(path, 1 << 20, notes, error)) {
    error += "; give a UTF-8 text file of the release notes";
    return false;
  }
  if (notes.compare(0, 3, "\xEF\xBB\xBF") == 0) notes.erase(0, 3);
  // Line ends as the launcher shows them, whichever editor wrote the file.
  std::string lf;
  for (size_t i = 0; i < notes.size(); ++i) {
    if (notes[i] == '\r' && i + 1 < notes.size() && notes[i + 1] == '\n') continue;
    lf += notes[i];
  }
  while (!lf.empty() && lf.back() == '\n') lf.pop_back();
  std::wstring wide;
  if (!Launcher::Utf8ToWide(lf, wide)) {
    error = Utf8FromWide(path) + ": the notes are not UTF-8; save the file as UTF-8";
    return false;
  }
  notes = lf;
  return true;
}

bool Run(const PublishOptions& options, const std::wstring& out, const std::wstring& work, std::string& error) {
  MinisignKey key;
  if (!key.Load(options.key, error)) return false;
  Listing release;
  if (!ListFolder(options.release, release, error)) return false;
  if (!::CreateDirectoryW(work.c_str(), nullptr)) {
    error = Utf8FromWide(work) + ": cannot be created (" + LastError() + "); check that the output folder is writable";
    return false;
  }
  const std::wstring check = work + L"\\check";
  std::vector<Made> made;

  const std::wstring full = L"Tarvo_" + options.version + L".7z";
  std::vector<PackageItem> items;
  for (const auto& [name, entry] : release) {
    items.push_back({name, entry.directory, false, entry.directory ? std::wstring() : entry.path, entry.size});
  }
  std::fprintf(stderr, "publish: packing %s\n", Utf8FromWide(full).c_str());
  if (!WritePackage(work + L"\\" + full, items, error)) return false;
  if (!CheckPackage(work + L"\\" + full, nullptr, release, check, error)) return false;
  made.push_back({full, L""});

  for (const EarlierRelease& earlier : options.earlier) {
    Listing base;
    if (!ListFolder(earlier.folder, base, error)) return false;
    const std::wstring delta = L"Tarvo_" + earlier.version + L"_to_" + options.version + L".7z";
    if (!PlanDelta(base, release, FullPath(earlier.folder), items, error)) return false;
    std::fprintf(stderr, "publish: packing %s (%u items)\n", Utf8FromWide(delta).c_str(),
                 static_cast<unsigned>(items.size()));
    if (!WritePackage(work + L"\\" + delta, items, error)) return false;
    if (!CheckPackage(work + L"\\" + delta, &base, release, check, error)) return false;
    made.push_back({delta, earlier.version});
  }
  if (!RemoveTree(check)) {
    error = Utf8FromWide(check) + ": cannot be removed (" + LastError() + "); close what uses it";
    return false;
  }

  std::vector<std::string> bases;
  for (const std::wstring& mirror : options.mirrors) {
    std::string base = Utf8FromWide(mirror);
    while (!base.empty() && base.back() == '/') base.pop_back();
    bases.push_back(base);
  }
  Json::Value data(Json::objectValue);
  data["LatestVersion"] = Utf8FromWide(options.version);
  if (!options.notes.empty()) {
    std::string notes;
    if (!ReadNotes(options.notes, notes, error)) return false;
    data["UpdateContent"] = notes;
  }
  Json::Value deltas(Json::arrayValue);
  for (const Made& package : made) {
    std::string signature;
    std::uint64_t size = 0;
    if (!SignAndCheck(key, work + L"\\" + package.file, options.version, package.from, signature, size, error)) {
      return false;
    }
    if (!WriteFileBytes(work + L"\\" + package.file + L".minisig", signature, error)) return false;
    Json::Value addresses = Addresses(bases, package.file);
    Json::Value entry(Json::objectValue);
    Json::Value& target = package.from.empty() ? data : entry;
    target["DownloadUrl"] = addresses[0];
    addresses.removeIndex(0, nullptr);
    target["Mirrors"] = addresses;
    target["Size"] = Json::UInt64(size);
    target["Signature"] = SignatureValue(signature);
    if (!package.from.empty()) {
      entry["From"] = Utf8FromWide(package.from);
      deltas.append(entry);
    }
  }
  data["Deltas"] = deltas;
  if (!WriteFileBytes(work + L"\\data.json", StyledJson(data), error)) return false;

  std::vector<std::wstring> names = {L"data.json"};
  for (const Made& package : made) {
    names.push_back(package.file);
    names.push_back(package.file + L".minisig");
  }
  for (const std::wstring& name : names) {
    if (!::MoveFileExW((work + L"\\" + name).c_str(), (out + L"\\" + name).c_str(), 0)) {
      error = Utf8FromWide(out + L"\\" + name) + ": cannot be put in place (" + LastError() + "); close what uses it";
      return false;
    }
  }
  return true;
}

}  // namespace

std::string Usage() {
  return "usage: publish --version V --release DIR [--earlier F=DIR ...] --key SECRET_KEY --mirror URL [--mirror URL "
         "...]\n"
         "               [--notes FILE] --out DIR\n"
         "  --version V        the new release's version, four numbers (1.0.0.10)\n"
         "  --release DIR      the folder holding the new release's files, as installed\n"
         "  --earlier F=DIR    an earlier version F and its folder: one delta is made from it (repeatable)\n"
         "  --key SECRET_KEY   the maker's minisign secret key, without a password (minisign -G -W)\n"
         "  --mirror URL       a base address the output folder is uploaded to; the first one is\n"
         "                     Data.DownloadUrl's, the others are Data.Mirrors (repeatable)\n"
         "  --notes FILE       UTF-8 text for Data.UpdateContent\n"
         "  --out DIR          a missing or empty folder; receives the packages, their .minisig and data.json\n";
}

bool ParseArguments(const std::vector<std::wstring>& arguments, PublishOptions& options, std::string& error) {
  options = PublishOptions();
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::wstring& name = arguments[i];
    const bool known = name == L"--version" || name == L"--release" || name == L"--earlier" || name == L"--key" ||
                       name == L"--mirror" || name == L"--notes" || name == L"--out";
    if (!known) {
      error = "unknown argument " + Utf8FromWide(name) + "; see the usage below";
      return false;
    }
    if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
      error = Utf8FromWide(name) + " needs a value";
      return false;
    }
    const std::wstring& value = arguments[++i];
    std::wstring* single = name == L"--version"   ? &options.version
                           : name == L"--release" ? &options.release
                           : name == L"--key"     ? &options.key
                           : name == L"--notes"   ? &options.notes
                           : name == L"--out"     ? &options.out
                                                  : nullptr;
    if (single) {
      if (!single->empty()) {
        error = Utf8FromWide(name) + " is given twice; give it once";
        return false;
      }
      *single = value;
    } else if (name == L"--mirror") {
      options.mirrors.push_back(value);
    } else {
      const size_t equals = value.find(L'=');
      if (equals == std::wstring::npos || equals == 0 || equals + 1 == value.size()) {
        error = "--earlier " + Utf8FromWide(value) + ": give the version and its folder as F=DIR";
        return false;
      }
      options.earlier.push_back({value.substr(0, equals), value.substr(equals + 1)});
    }
  }
  const char* missing = options.version.empty()   ? "--version"
                        : options.release.empty() ? "--release"
                        : options.key.empty()     ? "--key"
                        : options.mirrors.empty() ? "--mirror"
                        : options.out.empty()     ? "--out"
                                                  : nullptr;
  if (missing) {
    error = std::string(missing) + " is missing";
    return false;
  }
  return true;
}

bool Publish(const PublishOptions& options, std::string& error) {
  if (!IsVersion(options.version)) {
    error = "--version " + Utf8FromWide(options.version) + ": give four numbers separated by dots (1.0.0.10)";
    return false;
  }
  std::set<std::wstring> froms;
  for (const EarlierRelease& earlier : options.earlier) {
    if (!IsVersion(earlier.version) || earlier.version == options.version || !froms.insert(earlier.version).second) {
      error = "--earlier " + Utf8FromWide(earlier.version) + "=" + Utf8FromWide(earlier.folder) +
              ": give each earlier version once, as four numbers other than --version";
      return false;
    }
  }
  if (options.mirrors.empty()) {
    error = "--mirror is missing: give the base address the output folder is uploaded to";
    return false;
  }
  const std::wstring out = FullPath(options.out);
  std::vector<std::wstring> inputs = {options.release};
  for (const EarlierRelease& earlier : options.earlier) inputs.push_back(earlier.folder);
  for (const std::wstring& input : inputs) {
    if (Within(out, FullPath(input))) {
      error = Utf8FromWide(out) + ": the output folder lies in the release folder " + Utf8FromWide(FullPath(input)) +
              "; give one outside it, or it would be published too";
      return false;
    }
  }
  bool existed = false;
  if (!EmptyOrMissing(out, existed, error)) return false;
  if (!existed && !::CreateDirectoryW(out.c_str(), nullptr)) {
    error = Utf8FromWide(out) + ": cannot be created (" + LastError() + "); create its parent folder first";
    return false;
  }
  const std::wstring work = out + L"\\" + kWorkName;
  const bool published = Run(options, out, work, error);
  RemoveTree(work);
  if (!published) {
    // Nothing half-published stays behind.
    if (existed) {
      Listing left;
      std::string ignored;
      if (ListFolder(out, left, ignored)) {
        for (const auto& [name, entry] : left) {
          if (name.find(L'\\') == std::wstring::npos) RemoveTree(entry.path);
        }
      }
    } else {
      RemoveTree(out);
    }
  }
  return published;
}

}  // namespace Publisher
