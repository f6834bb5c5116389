#include "tests/net/PackageServer.h"

#include <windows.h>

#include <sstream>

#include "tests/support/Files.h"

// The fixture names the folder with a Unix path.
std::wstring ServerDirectory() {
  wchar_t value[1024] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"LAUNCHER_PACKAGE_SERVER_DIR", value, 1024);
  if (length == 0 || length >= 1024) return L"";
  std::wstring path = L"Z:" + std::wstring(value, length);
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path + L"\\";
}

std::string ServerAddress() {
  static const std::string address = [] {
    std::string port = ReadBytes(ServerDirectory() + L"port");
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) port.pop_back();
    return "http://127.0.0.1:" + port;
  }();
  return address;
}

std::string RunId(const std::string& row) {
  static int counter = 0;
  return row + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount64()) + "-" +
         std::to_string(++counter);
}


std::vector<Request> ServerLog(const std::string& id) {
  std::vector<Request> requests;
  std::istringstream lines(ReadBytes(ServerDirectory() + L"log\\" + Widen(id)));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Request r;
    std::string seconds, status;
    std::getline(fields, seconds, '\t');
    std::getline(fields, r.range, '\t');
    std::getline(fields, r.ifRange, '\t');
    std::getline(fields, status, '\t');
    r.seconds = std::stod(seconds);
    r.status = std::stoi(status);
    requests.push_back(r);
  }
  return requests;
}

std::string ServerBody(const std::string& id, int version) {
  return ReadBytes(ServerDirectory() + L"bodies\\" + Widen(id) + L"-v" + std::to_wstring(version));
}

