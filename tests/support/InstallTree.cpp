#include "tests/support/InstallTree.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "base/UniqueFindHandle.h"
#include "tests/support/Files.h"

using namespace Launcher;

void Lay(const std::wstring& root, const Tree& tree) {
  for (const auto& [name, bytes] : tree) {
    if (bytes == kDirectory) {
      ASSERT_TRUE(MakeDirectories(root + name)) << Narrow(name);
    } else {
      const size_t slash = name.rfind(L'\\');
      if (slash != std::wstring::npos) {
        ASSERT_TRUE(MakeDirectories(root + name.substr(0, slash)));
      }
      ASSERT_TRUE(WriteBytes(root + name, bytes)) << Narrow(name);
    }
  }
}

Tree Read(const std::wstring& root, const std::wstring& relative) {
  Tree tree;
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW((root + relative + L"*").c_str(), &data));
  if (!find) return tree;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      tree[relative + name] = kDirectory;
      for (const auto& entry : Read(root, relative + name + L"\\")) tree.insert(entry);
    } else {
      tree[relative + name] = ReadBytes(root + relative + name);
    }
  } while (::FindNextFileW(find.Get(), &data));
  return tree;
}

std::string Describe(const Tree& tree) {
  std::string text;
  for (const auto& [name, bytes] : tree) {
    text += Narrow(name.size() > 80 ? name.substr(0, 80) + L"..." : name) + "=" +
            (bytes.size() > 80 ? bytes.substr(0, 80) + "..." : bytes) + "; ";
  }
  return text;
}
