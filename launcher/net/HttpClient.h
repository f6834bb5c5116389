#pragma once

#include <string>

#include "launcher/net/InternetHandle.h"

namespace Launcher {

// Outcome of the last HttpClient::Get.
enum HttpState {
  HttpOk = 0,             // the reply was received and its body read
  HttpOpenFailed = 1,     // the root handle or the request handle could not be opened
  HttpConnectFailed = 2,  // the connection to the server could not be set up
  HttpSendFailed = 3,     // sending the request failed (unreachable server, TLS failure, ...)
  HttpQueryFailed = 4,    // the reply's header block could not be fetched (for one, over 4096 bytes),
                          // or the body runs past 16 MiB
  HttpNotFound = 5,       // the reply's status line contains "404"
  HttpEmptyUrl = 14,      // Get was called with an empty address
};

// One blocking HTTP or HTTPS GET over WinINet, returning the reply body.
//
// The client owns the root, connection and request handles of its last
// request; they stay open after Get returns and are closed by the next Get or
// by the destructor (request, connection, root). HTTPS accepts any server
// certificate (unknown issuer, other host name, expired); the connection is
// still encrypted. There is no retry, no time limit of its own and no cache.
// Apart from the "404" test on the status line, the reply status is not
// examined. Use from one thread at a time. Not copyable.
class HttpClient {
 public:
  HttpClient() = default;
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Requests `url` (ASCII) with `extraHeaders` as additional request header
  // text. Returns the body on success; after any failure returns an empty
  // text. Never throws: the outcome is State() afterwards. A body holding a
  // zero byte loses the rest of the 4096-byte piece it stands in; a read
  // failure in the middle of the body ends it (still HttpOk).
  std::string Get(const std::string& url, const std::string& extraHeaders);

  // Outcome of the last Get; meaningless before the first.
  HttpState State() const { return state_; }

 private:
  // Opens the handles of a request for `url` and sends it.
  HttpState Send(const std::string& url, const std::string& extraHeaders);
  // Reads the sent request's status line and body.
  HttpState ReadReply(std::string& body);

  // Declared in opening order, so that destruction closes the request, then
  // the connection, then the root.
  UniqueInternetHandle root_;
  UniqueInternetHandle connection_;
  UniqueInternetHandle request_;
  HttpState state_ = HttpOk;
};

}  // namespace Launcher
