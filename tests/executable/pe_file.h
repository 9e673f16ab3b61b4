// A Windows executable (PE) file read as bytes, on any platform: its headers,
// sections, resources and imports. A file that is cut short or malformed
// anywhere this reads gives nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace executable {

inline constexpr std::uint16_t kMachineI386 = 0x14C;
inline constexpr std::uint16_t kMachineAmd64 = 0x8664;
inline constexpr std::uint16_t kSubsystemWindowsGui = 2;

struct Version {
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    auto operator<=>(const Version&) const = default;
};

struct Headers {
    std::uint16_t machine = 0;
    std::uint32_t time_stamp = 0;
    bool pe32_plus = false;  // the 64-bit optional header
    Version os_version;
    Version subsystem_version;
    std::uint16_t subsystem = 0;
    bool operator==(const Headers&) const = default;
};

struct Section {
    std::string name;
    std::uint32_t virtual_address = 0;
    std::uint32_t virtual_size = 0;
    std::uint32_t raw_offset = 0;
    std::uint32_t raw_size = 0;
    bool operator==(const Section&) const = default;
};

// One resource. Integer types and names read "#n", as the resource
// functions of Windows spell them.
struct Resource {
    std::wstring type;
    std::wstring name;
    std::uint16_t language = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Resource&) const = default;
};

// The functions imported from one DLL, by name ("#n" for an ordinal), in
// the order of the import table.
struct Import {
    std::string dll;
    std::vector<std::string> functions;
    bool operator==(const Import&) const = default;
};

struct PeFile {
    Headers headers;
    std::vector<Section> sections;
    std::vector<Resource> resources;  // in the order of the resource directory
    std::vector<Import> imports;
    bool operator==(const PeFile&) const = default;

    // The bytes of the first resource of integer type and name; nothing if
    // there is none.
    std::optional<std::vector<std::uint8_t>> Find(std::uint16_t type, std::uint16_t name) const;
};

std::optional<PeFile> ParsePeFile(std::span<const std::uint8_t> bytes);

// A whole file's bytes; nothing if it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path);

}  // namespace executable
