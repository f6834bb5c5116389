#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Publisher {

// One item of a package: a directory, a file taken from `source`, or a
// deletion marker (the 7z format's anti-item) saying that `name` is gone
// in the new version.
struct PackageItem {
  std::wstring name;  // relative, backslashes
  bool directory = false;
  bool deletion = false;
  std::wstring source;  // full path of a file's bytes
  uint64_t size = 0;    // a file's size as listed
};

// Writes `items`, in the order given, as a 7z package at `path` (created or
// replaced) with the 7-Zip engine linked into the program. The bytes depend
// on the items alone: no times, no attributes, LZMA2 at level 5 in one solid
// block, one thread, so that the same items give the same package on any
// machine and any run. Fails, with a message naming the file and what to do,
// when a source cannot be read, changes size while it is packed, or the
// package cannot be written.
bool WritePackage(const std::wstring& path, const std::vector<PackageItem>& items, std::string& error);

}  // namespace Publisher
