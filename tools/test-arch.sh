#!/usr/bin/env bash
# Prints the MinGW target that the tests are built for and run as: i686, the
# shipped program's own architecture, where this machine can execute 32-bit
# x86 code (Wine's 32-bit loader needs it); x86_64 where the kernel refuses
# 32-bit programs (some virtual machines run 64-bit user code only). The
# shipped launcher.exe is always built for i686. LAUNCHER_ARCH overrides.
if [ -n "${LAUNCHER_ARCH:-}" ]; then
  echo "$LAUNCHER_ARCH"
elif [ -x /lib/ld-linux.so.2 ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo x86_64
else
  echo i686
fi
