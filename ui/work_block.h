// The working blocks a calculation reads the field texts into.
#pragma once

#include <windows.h>

#include "calc/drag.h"

// A field's longest text and its terminator, in a block of 64 KiB.
inline constexpr SIZE_T kWorkBlockSize = 65536;
static_assert(kWorkBlockSize >= calc::kFieldTextLimit + 1,
              "a working block holds a field's longest text and its terminator");

// A zero-filled fixed block of kWorkBlockSize bytes, or null when none is
// available.
HGLOBAL AllocWorkBlock();
