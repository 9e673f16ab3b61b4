// Starts Kalvor for the hardening tests: the product build or the
// memory-shortage build, optionally under Wine's relay trace of the calls
// that take and give back its working memory and background brush, and
// reads what the test needs from outside the process (memory, image range,
// exit status).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hardening {

// How long to wait for something the program is expected to do at once.
inline constexpr DWORD kPatience = 10000;

// The calls that the relay trace reports. Only calls made by the program's
// own code count; the system libraries call some of them too.
inline constexpr const char* kTracedCalls =
    "kernel32.GlobalAlloc;kernel32.GlobalFree;gdi32.CreatePatternBrush;gdi32.DeleteObject";

struct Launch {
    // The program, as a Unix path (as the build system names it).
    std::string exe;
    // KALVOR_FAIL_ALLOC_EVERY for the program (memory-shortage build only).
    std::optional<unsigned> fail_every;
    // Where the relay trace goes (a Unix path); empty: no trace.
    std::string trace;
};

// The address range of the program's executable image in its process.
struct Image {
    std::uint32_t begin = 0;
    std::uint32_t end = 0;
    bool Contains(std::uint32_t address) const { return address >= begin && address < end; }
};

// A started program. Whatever happens to the test, the process does not
// outlive this object.
class Program {
  public:
    explicit Program(const Launch& launch);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }
    bool Running() const;
    // The visible main dialog once it has appeared; null if it does not.
    HWND WaitMainWindow() const;
    // The full 32-bit exit status, or nothing while the process still runs.
    std::optional<DWORD> WaitExit(DWORD timeout = kPatience) const;
    void Terminate();
    std::optional<Image> ExecutableImage() const;
    // The process's private memory in bytes. Wine leaves PrivateUsage at 0
    // and reports the process's anonymous resident memory (and swap) as
    // PagefileUsage, the figure Windows counts as private: the larger of the
    // two is taken.
    std::optional<SIZE_T> PrivateBytes() const;

  private:
    void StartDirectly(const Launch& launch);
    void StartTraced(const Launch& launch);

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    std::string image_name_;
};

// The ids of the running processes of an executable name (case-insensitive),
// as the Wine server of this session knows them.
std::vector<DWORD> ProcessesNamed(const std::string& exe_name);

// "kalvor.exe" from a path with either kind of separator.
std::string BaseName(const std::string& path);

// A Unix path named by an environment variable; empty if not set.
std::string UnixPathFromEnvironment(const char* variable);

}  // namespace hardening
