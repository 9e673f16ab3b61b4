#include "relay_trace.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

namespace e2e {
namespace {

std::uintptr_t Hex(const std::string& text) {
    return static_cast<std::uintptr_t>(std::stoull(text, nullptr, 16));
}

// The hexadecimal number after `key` in `line`, if there is one.
bool HexAfter(const std::string& line, const std::string& key, std::uintptr_t& value) {
    const auto at = line.find(key);
    if (at == std::string::npos) return false;
    const auto begin = at + key.size();
    const auto end = line.find_first_not_of("0123456789abcdefABCDEF", begin);
    if (end == begin) return false;
    value = Hex(line.substr(begin, end - begin));
    return true;
}

struct Line {
    std::string thread;
    bool call = false;  // else a return
    std::string function;
    std::vector<std::uintptr_t> arguments;
    std::uintptr_t result = 0;
    std::uintptr_t return_address = 0;
};

bool Parse(const std::string& text, Line& line) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    line.thread = text.substr(0, colon);
    const std::string rest = text.substr(colon + 1);
    if (rest.rfind("Call ", 0) == 0) {
        line.call = true;
    } else if (rest.rfind("Ret  ", 0) != 0) {
        return false;
    }
    const auto name_begin = 5u;
    const auto open = rest.find('(', name_begin);
    const auto close = rest.find(')', name_begin);
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    const std::string qualified = rest.substr(name_begin, open - name_begin);
    const auto dot = qualified.find('.');
    if (dot == std::string::npos) return false;  // "PE DLL" and the like
    line.function = qualified.substr(dot + 1);
    if (line.call) {
        std::istringstream arguments(rest.substr(open + 1, close - open - 1));
        for (std::string argument; std::getline(arguments, argument, ',');) {
            if (!argument.empty()) line.arguments.push_back(Hex(argument));
        }
    } else if (!HexAfter(rest, "retval=", line.result)) {
        return false;
    }
    return HexAfter(rest.substr(close), " ret=", line.return_address);
}

Balance Match(const std::vector<RelayCall>& calls, const std::string& acquire,
              const std::string& release, bool release_succeeds_with_zero) {
    Balance balance;
    std::multiset<std::uintptr_t> held;
    for (const RelayCall& call : calls) {
        if (call.function == acquire && call.returned) {
            if (call.result == 0) {
                ++balance.refused;
            } else {
                ++balance.acquired;
                held.insert(call.result);
            }
        } else if (call.function == release && !call.arguments.empty()) {
            ++balance.released;
            balance.released_handles.push_back(call.arguments.front());
            const bool succeeded = release_succeeds_with_zero ? call.result == 0 : call.result != 0;
            if (!call.returned || !succeeded) ++balance.failed_releases;
            const auto found = held.find(call.arguments.front());
            if (found == held.end()) {
                ++balance.unknown;
            } else {
                held.erase(found);
            }
        }
    }
    balance.outstanding = held.size();
    return balance;
}

}  // namespace

std::vector<RelayCall> ProgramCalls(const std::wstring& trace_path, const Image& image) {
    std::vector<RelayCall> calls;
    // Calls not yet returned, by thread: their index in `calls`.
    std::map<std::string, std::vector<std::size_t>> open;
    std::ifstream trace((L"Z:" + trace_path).c_str(), std::ios::binary);
    for (std::string text; std::getline(trace, text);) {
        // Most lines are the window procedures' calls: skipped at a glance.
        if (text.find(" ret=") == std::string::npos) continue;
        Line line;
        if (!Parse(text, line) || !image.Contains(line.return_address)) continue;
        auto& pending = open[line.thread];
        if (line.call) {
            pending.push_back(calls.size());
            calls.push_back({line.function, line.arguments, 0, false});
            continue;
        }
        const auto match = std::find_if(pending.rbegin(), pending.rend(), [&](std::size_t index) {
            return calls[index].function == line.function;
        });
        if (match == pending.rend()) continue;
        calls[*match].result = line.result;
        calls[*match].returned = true;
        pending.erase(std::next(match).base());
    }
    return calls;
}

Balance GlobalMemoryBalance(const std::vector<RelayCall>& calls) {
    return Match(calls, "GlobalAlloc", "GlobalFree", true);
}

Balance BrushBalance(const std::vector<RelayCall>& calls) {
    return Match(calls, "CreatePatternBrush", "DeleteObject", false);
}

std::size_t CountOf(const std::vector<RelayCall>& calls, const std::string& function) {
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(),
                      [&](const RelayCall& call) { return call.function == function; }));
}

}  // namespace e2e
