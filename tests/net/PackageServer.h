#pragma once

#include <string>
#include <vector>

// The test side of tests/net/package_server.py, the loopback package server
// that cuts, stalls and lies as each address's script says. It needs the
// package_server fixture and LAUNCHER_PACKAGE_SERVER_DIR (both set by
// tests/net/CMakeLists.txt).

// The server's folder (its port, request logs and bodies), through Wine's Z:.
std::wstring ServerDirectory();
// "http://127.0.0.1:PORT".
std::string ServerAddress();
// A run id no other row or run of the suite uses.
std::string RunId(const std::string& row);

// One request the server saw for a run: seconds since it started, the Range
// and If-Range it carried ("-": none) and the status answered.
struct Request {
  double seconds;
  std::string range;
  std::string ifRange;
  int status;
};
std::vector<Request> ServerLog(const std::string& id);
// The body the server sent for a run in its `version`.
std::string ServerBody(const std::string& id, int version);
