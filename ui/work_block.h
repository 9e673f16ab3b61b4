// The working blocks a calculation reads the field texts into.
#pragma once

#include <windows.h>

// Enough for a field's longest text and its terminator.
inline constexpr SIZE_T kWorkBlockSize = 65536;

// A zero-filled fixed block of kWorkBlockSize bytes, or null when none is
// available.
HGLOBAL AllocWorkBlock();
