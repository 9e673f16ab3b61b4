// Reads Wine's relay trace of a program run: the calls of the traced
// functions that the program's own code made, with their arguments and
// results. Wine reports neither GDI object nor handle counts, so this is how
// acquisitions and releases are counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

struct RelayCall {
    std::string function;  // without the library: "GlobalAlloc"
    std::vector<std::uintptr_t> arguments;
    std::uintptr_t result = 0;
    bool returned = false;
};

// The traced calls in a trace file (a Unix path) whose return address lies
// in the program's image, in the order they were made. The trace lines look
// like
//   0024:Call KERNEL32.GlobalAlloc(00000040,00010000) ret=00401830
//   0024:Ret  KERNEL32.GlobalAlloc() retval=0017abf0 ret=00401830
// amid the relay channel's other lines (window procedures, DLL entries).
std::vector<RelayCall> ProgramCalls(const std::wstring& trace_path, const Image& image);

// Acquisitions matched with releases: each release must name a handle that
// was acquired and not yet released.
struct Balance {
    std::size_t acquired = 0;         // calls that returned a handle
    std::size_t refused = 0;          // calls that returned null
    std::size_t released = 0;         // release calls
    std::size_t failed_releases = 0;  // releases that reported failure
    std::size_t unknown = 0;          // releases of a handle not held
    std::size_t outstanding = 0;      // handles acquired and never released
    std::vector<std::uintptr_t> released_handles;
};

// GlobalAlloc against GlobalFree (which returns null on success).
Balance GlobalMemoryBalance(const std::vector<RelayCall>& calls);
// CreatePatternBrush against DeleteObject (which returns non-zero on success).
Balance BrushBalance(const std::vector<RelayCall>& calls);

// How many calls of a function the list holds.
std::size_t CountOf(const std::vector<RelayCall>& calls, const std::string& function);

}  // namespace e2e
