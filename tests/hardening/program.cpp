#include "program.h"

// windows.h first: the tool-help and process-status headers rely on it.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>

#include "driver.h"

namespace hardening {
namespace {

// Paths and names here are ASCII.
std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

// This process's environment with some variables replaced (an empty value
// removes one), as a block for CreateProcessW.
std::wstring Environment(const std::vector<std::pair<std::wstring, std::wstring>>& changes) {
    std::wstring block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring text(entry);
        const bool changed = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
            const std::wstring prefix = change.first + L"=";
            return text.size() >= prefix.size() &&
                   _wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
        });
        if (!changed) block += text + L'\0';
    }
    FreeEnvironmentStringsW(strings);
    for (const auto& [name, value] : changes) {
        if (!value.empty()) block += name + L"=" + value + L'\0';
    }
    block += L'\0';
    return block;
}

std::vector<std::pair<std::wstring, std::wstring>> ChildVariables(const Launch& launch) {
    std::vector<std::pair<std::wstring, std::wstring>> changes;
    changes.emplace_back(L"KALVOR_FAIL_ALLOC_EVERY",
                         launch.fail_every ? std::to_wstring(*launch.fail_every) : L"");
    if (!launch.trace.empty()) changes.emplace_back(L"WINEDEBUG", L"+relay");
    return changes;
}

// The relay trace reads its list of calls from the registry when a process
// starts; with the list, every other call runs untraced and at full speed.
bool LimitRelayTrace() {
    const std::wstring calls = Widen(kTracedCalls);
    return RegSetKeyValueW(
               HKEY_CURRENT_USER, L"Software\\Wine\\Debug", L"RelayInclude", REG_SZ, calls.c_str(),
               static_cast<DWORD>((calls.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

constexpr DWORD kAccess =
    PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE;

}  // namespace

std::string BaseName(const std::string& path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UnixPathFromEnvironment(const char* variable) {
    const char* value = std::getenv(variable);
    return value ? value : "";
}

std::vector<DWORD> ProcessesNamed(const std::string& exe_name) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    const std::wstring name = Widen(exe_name);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

Program::Program(const Launch& launch) : image_name_(BaseName(launch.exe)) {
    if (launch.exe.empty()) return;
    if (launch.trace.empty()) {
        StartDirectly(launch);
    } else {
        StartTraced(launch);
    }
}

Program::~Program() {
    Terminate();
    if (process_) CloseHandle(process_);
}

void Program::StartDirectly(const Launch& launch) {
    const std::wstring exe = e2e::WindowsPath(Widen(launch.exe));
    std::wstring command_line = L"\"" + exe + L"\"";
    std::wstring environment = Environment(ChildVariables(launch));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
}

// Wine writes its debug output to the process's Unix standard error, which
// the Win32 standard handles do not reach. The program is therefore started
// through a Unix shell that sends that stream to the trace file; it then
// runs in the same Wine session, as a process of its own that is found by
// its name.
void Program::StartTraced(const Launch& launch) {
    if (!LimitRelayTrace()) return;
    const std::vector<DWORD> before = ProcessesNamed(image_name_);
    std::wstring command_line = L"Z:\\bin\\sh -c \"exec wine '" + Widen(launch.exe) + L"' 2>'" +
                                Widen(launch.trace) + L"'\"";
    std::wstring environment = Environment(ChildVariables(launch));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION shell{};
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup,
                        &shell)) {
        return;
    }
    CloseHandle(shell.hThread);
    CloseHandle(shell.hProcess);
    const ULONGLONG deadline = GetTickCount64() + kPatience;
    while (process_ == nullptr && GetTickCount64() < deadline) {
        for (DWORD id : ProcessesNamed(image_name_)) {
            if (std::find(before.begin(), before.end(), id) != before.end()) continue;
            process_ = OpenProcess(kAccess, FALSE, id);
            if (process_) id_ = id;
            break;
        }
        if (process_ == nullptr) Sleep(10);
    }
}

bool Program::Running() const {
    return Started() && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND Program::WaitMainWindow() const {
    const ULONGLONG deadline = GetTickCount64() + kPatience;
    for (;;) {
        const auto dialogs = e2e::DialogWindows(id_);
        if (!dialogs.empty()) return dialogs.front();
        if (!Running() || GetTickCount64() >= deadline) return nullptr;
        Sleep(5);
    }
}

std::optional<DWORD> Program::WaitExit(DWORD timeout) const {
    if (!Started() || WaitForSingleObject(process_, timeout) != WAIT_OBJECT_0) return {};
    DWORD status = 0;
    GetExitCodeProcess(process_, &status);
    return status;
}

void Program::Terminate() {
    if (!Running()) return;
    TerminateProcess(process_, 0xDEAD);
    WaitForSingleObject(process_, kPatience);
}

std::optional<Image> Program::ExecutableImage() const {
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!Started() || !EnumProcessModules(process_, &first, sizeof(first), &needed) || !first) {
        return {};
    }
    MODULEINFO info{};
    if (!GetModuleInformation(process_, first, &info, sizeof(info))) return {};
    const auto begin =
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll));
    return Image{begin, begin + info.SizeOfImage};
}

std::optional<SIZE_T> Program::PrivateBytes() const {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!Started() ||
        !GetProcessMemoryInfo(process_, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
        return {};
    }
    return std::max(counters.PrivateUsage, counters.PagefileUsage);
}

}  // namespace hardening
