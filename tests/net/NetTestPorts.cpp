#include "tests/net/NetTestPorts.h"

#include <windows.h>

#include <cstdlib>

namespace {

unsigned PortFromEnvironment(const char* name) {
  char value[32] = {};
  const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
  if (length == 0 || length >= sizeof value) return 0;
  return static_cast<unsigned>(std::strtoul(value, nullptr, 10));
}

}  // namespace

unsigned HttpsPort() {
  return PortFromEnvironment("LAUNCHER_TEST_HTTPS_PORT");
}
unsigned HttpPort() {
  return PortFromEnvironment("LAUNCHER_TEST_HTTP_PORT");
}
unsigned ClosedPort() {
  return PortFromEnvironment("LAUNCHER_TEST_CLOSED_PORT");
}

std::string HttpsUrl(const std::string& path) {
  return "https://127.0.0.1:" + std::to_string(HttpsPort()) + path;
}
std::string HttpUrl(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(HttpPort()) + path;
}
