#pragma once

#include <string>

// The skin package as the build packed it: resource "ZIPRES" 101 of this test
// program (which links the same resource object as launcher.exe).
std::string SkinPackageBytes();
// One member of that package, inflated; empty when missing.
std::string SkinMember(const wchar_t* name);
