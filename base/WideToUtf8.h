#pragma once

#include <string>

namespace Launcher {

// Encodes UTF-16 `text` as UTF-8 into `bytes`. False, with `bytes` empty or
// partly written, when `text` holds an unpaired surrogate: such a text has no
// UTF-8 form, and a lossy one would name another file. Never throws.
bool WideToUtf8(const std::wstring& text, std::string& bytes);

}  // namespace Launcher
