#pragma once

#include <string>

// The road of a launcher whose version service gives no usable reply, as a
// user meets it: `launcher` (a program in the test folder) is copied beside
// the stand-in product 1.0.0.9 into a fresh installation and started; the
// skinned "Get Data Failed!" box must appear with OK alone, the launcher must
// wait for it, end with exit code 0 once OK is clicked, and not start the
// product. Failures are reported as GoogleTest failures of the caller's test;
// the box's picture is saved as launcher_get_data_failed_<name>.png.
void ExpectGetDataFailedRoad(const std::wstring& launcher, const std::string& name);
