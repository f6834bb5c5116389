#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "duilib/core/CZipArchive.h"

namespace DuiLib {

// Outcome of reading one skin file.
enum class SkinReadResult {
  Ok,
  FileOpenFailed,  // no package: the disk file cannot be opened
  Empty,           // the file or member has size 0
  TooLarge,        // above the caller's limit
  FileReadFailed,  // no package: fewer bytes read than the file's size
  ZipOpenFailed,   // the package cannot be opened as an archive
  MemberNotFound,  // the package has no such member
  UnzipFailed,     // the member cannot be inflated
};

// The process-wide resource settings of the toolkit: the program's instance,
// the resource module, the resource path and the skin package, and the one
// rule by which a skin-relative name becomes bytes.
//
// All state is static and unguarded: the toolkit is single-threaded and every
// call happens on the user-interface thread. The settings live until process
// exit; a package given as memory is borrowed and must never be freed.
class CResourceSettingsUI {
 public:
  CResourceSettingsUI() = delete;

  static void SetInstance(HINSTANCE instance);
  static HINSTANCE GetInstance();
  // The module skin resources are read from; the instance when none is set.
  static void SetResourceInstance(HINSTANCE module);
  static HINSTANCE GetResourceModule();

  // A non-empty path that does not end in "\" or "/" gets a "\" appended.
  static void SetResourcePath(const wchar_t* path);
  static const std::wstring& GetResourcePath();

  // Package from memory. Once the package is "membuffer" later calls do
  // nothing: the first package stays for the life of the process.
  static void SetResourceZip(const void* bytes, size_t size);
  // Package from the file resource path + name; with `cache` it is opened
  // once and kept. Nothing happens when name and cache are unchanged.
  static void SetResourceZip(const wchar_t* name, bool cache);
  static const std::wstring& GetResourceZip();  // "membuffer" for a memory package
  static bool IsCachedResourceZip();
  static CZipArchive* GetResourceZipHandle();  // null when no archive is kept open

  // Reads a skin file whole: from the package when one is set, else from the
  // disk file resource path + name. `maxSize` 0 means no limit. On failure
  // `bytes` is left empty.
  static SkinReadResult ReadSkinFile(const wchar_t* name, std::vector<BYTE>& bytes, size_t maxSize = 0);

  // Copies the resource `name` (or MAKEINTRESOURCE id) of `type` out of the
  // resource module. False when it is missing or empty.
  static bool ReadResource(const wchar_t* name, const wchar_t* type, std::vector<BYTE>& bytes);

  // Copies resource "ZIPRES" `id` of `module` into a new buffer that is never
  // freed and sets it as the package from memory. False, with nothing set,
  // when the resource is missing or empty.
  static bool InstallZipResource(HMODULE module, UINT id);

  // Back to the start state (no package, empty path, caching on). Only tests
  // call this; a memory package is dropped from the settings, not freed.
  static void ResetForTesting();
};

}  // namespace DuiLib
