#pragma once

#include <string>

#include "launcher/net/BindCallback.h"

namespace Launcher {

// Downloads `url` into the file `target` on the calling thread, blocking until
// the transfer ends. The directory part of `target` (up to the later of its
// last "/" and "\") is created first when missing; a target without any
// separator gets no directory step. Progress goes to `callback` (a copy that
// lives for the call). An existing file at `target` is not removed first.
//
// Returns true only when the download service reported success, the server
// did not answer with an HTTP error status (400 and above), a file now exists
// at `target`, and, when the server announced a size, the file is not shorter. On false a partial file or an error page
// may remain at `target`; removing it is the caller's business.
bool DownloadToFile(const std::wstring& url, const std::wstring& target, BindCallback callback);

// Creates directory `path` and every missing directory above it, outermost
// first. True when `path` itself was created; false when it already existed
// or any level could not be made.
bool CreateDirectoryTree(const std::wstring& path);

}  // namespace Launcher
