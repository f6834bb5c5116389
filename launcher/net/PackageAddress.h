#pragma once

#include <string>

#include "base/Status.h"

namespace Launcher {

// An http: or https: address of an update package, cracked once (WinINet's
// InternetCrackUrlW) for everything that needs its parts: the package's
// file name, the rule that only web addresses are fetched, and the
// download's host, port and request. A plain value; any thread.
class PackageAddress {
 public:
  PackageAddress() = default;

  // Reads `text` into `address`. Fails, kind Refused ("IsDownloadAddress"
  // and the text), for an empty address, one WinINet cannot crack, or one
  // whose scheme is not http or https: a local, file:, UNC or ftp: address
  // would have an elevated caller copy, or sign in, wherever a reply says.
  // `address` is unchanged then.
  static Status Parse(const std::wstring& text, PackageAddress& address);

  // The address as it was given.
  const std::wstring& Text() const { return text_; }
  bool Https() const { return https_; }
  const std::wstring& Host() const { return host_; }
  unsigned short Port() const { return port_; }
  // What is asked for: the path and query ("/" when the path is empty),
  // without the fragment, which names a place in a page.
  const std::wstring& Object() const { return object_; }
  // The package's file name: the last component of the path (after its last
  // "/" or "\"), without query or fragment; empty when the path ends in a
  // separator or is empty.
  const std::wstring& FileName() const { return fileName_; }

 private:
  std::wstring text_;
  bool https_ = false;
  std::wstring host_;
  unsigned short port_ = 0;
  std::wstring object_;
  std::wstring fileName_;
};

}  // namespace Launcher
