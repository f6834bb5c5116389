#pragma once

#include <zlib.h>

#include "base/UniqueResource.h"

// An initialised zlib inflate stream (the z_stream itself lives in its owner;
// this handle only ends it). inflateEnd runs exactly once, on the owner's
// thread, when the handle is reset or destroyed.
struct InflateStreamTraits {
  using Type = z_stream*;
  static Type Invalid() { return nullptr; }
  static bool IsValid(Type stream) { return stream != nullptr; }
  static void Release(Type stream) { ::inflateEnd(stream); }
};
using UniqueInflateStream = UniqueResource<InflateStreamTraits>;
