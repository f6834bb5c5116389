#pragma once

// tools/publisher/: the maker's publisher. Turns a release folder and the
// folders of earlier releases into what is uploaded for the launcher: the
// full package, one delta per earlier release, their minisign signatures and
// the version reply's Data as JSON. Built on the launcher's own extraction
// (launcher/extract), gate (launcher/fs) and base/; nothing in launcher/
// includes it.

#include <cstdint>
#include <map>
#include <string>

namespace Publisher {

// One object of a release folder.
struct FolderEntry {
  bool directory = false;
  uint64_t size = 0;
  std::wstring path;  // full path
};

// Everything below a release folder by relative path (backslashes, no
// leading or trailing separator), ordered by UTF-16 code unit, so that the
// same folder always lists in the same order.
using Listing = std::map<std::wstring, FolderEntry>;

// Lists `root` (a full or relative path, with or without a trailing
// separator). Fails, with a message naming the object and what to do, when
// `root` is no directory, a link or junction is met (its target is not part
// of the release), or a directory cannot be read.
bool ListFolder(const std::wstring& root, Listing& listing, std::string& error);

// Whether the files `a` and `b` hold the same bytes; `error` names the file
// that could not be read.
bool SameBytes(const std::wstring& a, const std::wstring& b, bool& same, std::string& error);

// The whole file at `path` in `bytes`, at most `limit` bytes of it; false
// with `error` naming the file when it cannot be opened or read, or is
// larger.
bool ReadFileBytes(const std::wstring& path, size_t limit, std::string& bytes, std::string& error);

}  // namespace Publisher
