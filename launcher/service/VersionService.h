#pragma once

// launcher/service/: what the launcher asks of the maker and of the
// installed product: the version service's request and reply
// (VersionService, below; VersionReply), version numbers (VersionNumbers),
// and the product's own version and start (ProductLauncher). Built on
// launcher/net/ and launcher/fs/; knows nothing of the update or the windows.

#include <string>

#include "base/Utf8ToWide.h"
#include "launcher/net/HttpClient.h"
#include "launcher/service/VersionReply.h"

namespace Launcher {

// Asks the version service (the program's constant address, an HTTPS GET with
// no extra headers) through `client` and reads its JSON reply. Runs on the
// calling thread and blocks for the request. `client` keeps the request's
// handles until its next Get or its destruction.
//
// - Request failed (any state other than HttpOk): requestSucceeded false,
//   code 0, empty texts.
// - Body not JSON (empty, an error page, nested deeper than the reader takes),
//   or a reply that breaks the reply's form (root or Data not an object; Code
//   a string, array, object or a number outside 32 bits; a Data member that is
//   a number, array or object): requestSucceeded true, code 0, empty texts.
//   Nothing of such a reply is used, so a broken reply can never name the
//   address the package is downloaded from.
// - Otherwise code = Code (missing/null 0, a real truncated toward zero, true
//   1, false 0); when it is 0 the three texts come from Data (missing/null
//   members empty, true/false as "true"/"false"), each converted with
//   Utf8ToWide, so malformed UTF-8 empties that text alone. Data.Signature is
//   read the same way into signature, but one that is not text or is longer
//   than kMaxSignatureSize bytes reads as empty and breaks nothing else.
VersionReply FetchVersionReply(HttpClient& client);

// The same exchange with another address (a staging or test service).
VersionReply FetchVersionReplyFrom(HttpClient& client, const std::string& url);

// The reading of a reply body alone, as FetchVersionReply does it after a
// successful request (requestSucceeded is true in the result).
VersionReply ReadVersionReply(const std::string& body);

}  // namespace Launcher
