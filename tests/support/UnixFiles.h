#pragma once

#include <string>

// The Unix side of the files a test under Wine makes: links as Wine sees them
// (CreateSymbolicLinkW under Wine reports success and makes nothing) and Unix
// modes, which Wine turns into the DACL it reports. Each runs a Unix program
// (/bin/ln, /bin/chmod), which Wine starts for a Windows parent, and waits for
// it. False when Wine cannot name the Unix path or the program fails.

// The Unix path Wine maps `windowsPath` to (Z:\tmp\x gives /tmp/x); empty when
// the program does not run under Wine.
std::string UnixPath(const std::wstring& windowsPath);

// Makes `link` a Unix symbolic link to `target` (both Windows paths; the
// target need not exist). Under Wine a link to a directory shows the
// attributes 0x410, a link to a file shows none of a link.
bool MakeUnixLink(const std::wstring& link, const std::wstring& target);

// Sets the Unix mode of `path` (octal text, "666").
bool SetUnixMode(const std::wstring& path, const char* mode);
