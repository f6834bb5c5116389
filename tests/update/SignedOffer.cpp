#include "tests/update/SignedOffer.h"

#include "base/Utf8ToWide.h"
#include "tests/support/Files.h"

Launcher::UpdateOffer SignedOffer(const std::wstring& url) {
  std::wstring name = url.substr(0, url.find_first_of(L"?#"));
  name = name.substr(name.find_last_of(L"/\\") + 1);
  const std::wstring directory = TestBinDirectory() + L"packages\\";
  std::string signature = name.empty() ? std::string() : ReadBytes(directory + name + L".minisig");
  if (signature.empty()) signature = ReadBytes(directory + L"update_2.1.7z.minisig");
  return Launcher::UpdateOffer{kTestVersion, Launcher::OfferedPackage{url, Launcher::Utf8ToWide(signature)}};
}

Launcher::UpdateSession::Options TestOptions(const Launcher::DownloadTimings& timings) {
  Launcher::UpdateSession::Options options;
  options.publicKey = TEST_UPDATE_PUBLIC_KEY;
  options.timings = timings;
  return options;
}
