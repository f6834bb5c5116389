#pragma once

#include <string>
#include <vector>

namespace Publisher {

// An earlier release a delta is made from.
struct EarlierRelease {
  std::wstring version;  // four dot-separated numbers, as the reply names versions
  std::wstring folder;
};

// What `publish.exe` is asked for (see Usage()).
struct PublishOptions {
  std::wstring version;
  std::wstring release;
  std::vector<EarlierRelease> earlier;  // in the maker's order, which Data.Deltas keeps
  std::wstring key;                     // minisign secret key file without a password
  std::vector<std::wstring> mirrors;    // base addresses, the first one is Data.DownloadUrl's
  std::wstring notes;                   // UTF-8 text for Data.UpdateContent; empty: none
  std::wstring out;                     // missing or empty folder
};

// The command line's help text.
std::string Usage();

// Reads the arguments after the program's name. False with `error` (one
// line saying which argument and what to give instead) when they do not
// make a complete request.
bool ParseArguments(const std::vector<std::wstring>& arguments, PublishOptions& options, std::string& error);

// Writes into `options.out`, which must be missing or empty and lie outside
// the release folders:
//   Tarvo_<V>.7z            every file and folder of the release
//   Tarvo_<F>_to_<V>.7z     per earlier release: new and changed files, new
//                           folders, and a deletion marker for every file
//                           and folder that is gone
//   <package>.minisig       minisign's signature of each package; trusted
//                           comment "version V", for a delta "version V from F"
//   data.json               the version reply's Data: LatestVersion,
//                           UpdateContent (with notes), DownloadUrl,
//                           Mirrors, Size, Signature, and Deltas: a list of
//                           {From, DownloadUrl, Mirrors, Size, Signature}
// The same inputs give the same bytes. Every package is first made in a
// work folder inside `out` and checked with the launcher's own extraction
// (SevenZipExtractor::ExtractInto through the installation's gate) after the
// deletion markers' names were removed, as the launcher sets named files
// aside before it unpacks: the full package over an empty folder, each delta
// over a copy of its earlier release, must give the release exactly (names,
// kinds, bytes, and nothing left over). Only when all pass are they signed
// and moved into `out`; otherwise `out` is left as it was found and `error`
// names the file and what to do. A name that is a file in one release and a
// folder in the other cannot be expressed by a delta and is refused.
bool Publish(const PublishOptions& options, std::string& error);

}  // namespace Publisher
