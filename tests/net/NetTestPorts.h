#pragma once

#include <string>

// Where the test servers of tests/net/test_server.py listen, as the ctest
// fixture passed them in the environment. A missing variable gives 0, which
// no test can connect to.
unsigned HttpsPort();   // the version-service stand-in (self-signed, expired, for another host)
unsigned HttpPort();    // the package server
unsigned ClosedPort();  // a loopback port nobody listens on

// "https://127.0.0.1:<port>" + path and "http://127.0.0.1:<port>" + path.
std::string HttpsUrl(const std::string& path);
std::string HttpUrl(const std::string& path);
