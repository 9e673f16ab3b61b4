#include "pe_file.h"

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>

#include "byte_reader.h"

namespace executable {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;     // "MZ"
constexpr std::uint32_t kPeSignature = 0x4550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kImportDirectory = 1;
constexpr std::size_t kResourceDirectory = 2;
constexpr std::uint32_t kHighBit = 0x80000000;
// Entries of the resource directory may share subdirectories, so a small
// malformed file could describe a tree far larger than itself: a walk that
// visits more entries than this gives up.
constexpr std::size_t kResourceEntryBudget = 1 << 16;

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

// Finds the bytes of relative virtual addresses in the file through the
// section table.
class Image {
  public:
    Image(std::span<const std::uint8_t> bytes, const std::vector<Section>& sections)
        : bytes_(bytes), sections_(sections) {}

    // A reader at the address; a failed one if no section's file data holds
    // it.
    Reader At(std::uint64_t rva) const {
        for (const Section& section : sections_) {
            if (rva >= section.virtual_address &&
                rva - section.virtual_address < section.raw_size) {
                return Reader(bytes_, section.raw_offset + (rva - section.virtual_address));
            }
        }
        return Reader({}, 1);
    }

    std::optional<std::vector<std::uint8_t>> Bytes(std::uint32_t rva, std::uint32_t size) const {
        Reader in = At(rva);
        const std::size_t start = in.Offset();
        in.Skip(size);
        if (!in.Ok()) return {};
        return std::vector<std::uint8_t>(bytes_.begin() + static_cast<std::ptrdiff_t>(start),
                                         bytes_.begin() + static_cast<std::ptrdiff_t>(in.Offset()));
    }

  private:
    std::span<const std::uint8_t> bytes_;
    const std::vector<Section>& sections_;
};

// Walks the three levels of the resource directory (type, name, language)
// that starts at `base`, from the directory at `offset` within it, adding
// each leaf to `out` with the path that leads to it.
class ResourceWalk {
  public:
    ResourceWalk(const Image& image, std::uint32_t base) : image_(image), base_(base) {}

    bool Level(std::uint32_t offset, int level, Resource& path, std::vector<Resource>& out) {
        Reader in = image_.At(std::uint64_t{base_} + offset);
        in.Skip(12);  // characteristics, time stamp, version
        const int count = in.Get<std::uint16_t>() + in.Get<std::uint16_t>();  // named, by number
        for (int i = 0; i < count; ++i) {
            const std::uint32_t id = in.Get<std::uint32_t>();
            const std::uint32_t target = in.Get<std::uint32_t>();
            if (!in.Ok() || budget_-- == 0) return false;
            std::wstring name;
            if (id & kHighBit) {
                Reader text = image_.At(std::uint64_t{base_} + (id & ~kHighBit));
                name = text.String(text.Get<std::uint16_t>());
                if (!text.Ok() || level == 2) return false;  // languages are numbers
            } else if (id <= 0xFFFF) {
                name = L"#" + std::to_wstring(id);
            } else {
                return false;
            }
            // Types and names lead to subdirectories, languages to data.
            if (((target & kHighBit) != 0) != (level < 2)) return false;
            if (level == 0) {
                path.type = name;
            } else if (level == 1) {
                path.name = name;
            } else {
                path.language = static_cast<std::uint16_t>(id);
            }
            if (level < 2) {
                if (!Level(target & ~kHighBit, level + 1, path, out)) return false;
                continue;
            }
            Reader entry = image_.At(std::uint64_t{base_} + target);
            const std::uint32_t data_rva = entry.Get<std::uint32_t>();
            const std::uint32_t size = entry.Get<std::uint32_t>();
            auto bytes = image_.Bytes(data_rva, size);
            if (!entry.Ok() || !bytes) return false;
            path.bytes = std::move(*bytes);
            out.push_back(path);
        }
        return in.Ok();
    }

  private:
    const Image& image_;
    std::uint32_t base_;
    std::size_t budget_ = kResourceEntryBudget;
};

std::optional<std::vector<Import>> ReadImports(const Image& image, DataDirectory directory,
                                               bool pe32_plus) {
    std::vector<Import> imports;
    if (directory.rva == 0) return imports;
    const std::uint64_t ordinal_flag = pe32_plus ? std::uint64_t{1} << 63 : kHighBit;
    Reader table = image.At(directory.rva);
    for (;;) {
        const std::uint32_t lookup = table.Get<std::uint32_t>();
        table.Skip(8);  // time stamp, forwarder chain
        const std::uint32_t name = table.Get<std::uint32_t>();
        const std::uint32_t addresses = table.Get<std::uint32_t>();
        if (!table.Ok()) return {};
        if (lookup == 0 && name == 0 && addresses == 0) return imports;
        Import import;
        Reader dll = image.At(name);
        import.dll = dll.Ascii();
        if (!dll.Ok()) return {};
        // The lookup table names the functions; without one, the address
        // table still does in the file.
        Reader entries = image.At(lookup != 0 ? lookup : addresses);
        for (;;) {
            const std::uint64_t entry =
                pe32_plus ? entries.Get<std::uint64_t>() : entries.Get<std::uint32_t>();
            if (!entries.Ok()) return {};
            if (entry == 0) break;
            if (entry & ordinal_flag) {
                import.functions.push_back("#" + std::to_string(entry & 0xFFFF));
                continue;
            }
            Reader hint_name = image.At(entry);
            hint_name.Skip(2);  // hint
            import.functions.push_back(hint_name.Ascii());
            if (!hint_name.Ok()) return {};
        }
        imports.push_back(std::move(import));
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> PeFile::Find(std::uint16_t type,
                                                      std::uint16_t name) const {
    for (const Resource& resource : resources) {
        if (resource.type == L"#" + std::to_wstring(type) &&
            resource.name == L"#" + std::to_wstring(name)) {
            return resource.bytes;
        }
    }
    return {};
}

std::optional<PeFile> ParsePeFile(std::span<const std::uint8_t> bytes) {
    if (Reader(bytes).Get<std::uint16_t>() != kDosMagic) return {};
    Reader in(bytes, Reader(bytes, 0x3C).Get<std::uint32_t>());
    if (in.Get<std::uint32_t>() != kPeSignature) return {};

    PeFile file;
    Headers& headers = file.headers;
    headers.machine = in.Get<std::uint16_t>();
    const std::uint16_t section_count = in.Get<std::uint16_t>();
    headers.time_stamp = in.Get<std::uint32_t>();
    in.Skip(8);  // symbol table
    const std::uint16_t optional_size = in.Get<std::uint16_t>();
    in.Skip(2);  // characteristics
    const std::size_t optional = in.Offset();
    const std::uint16_t magic = in.Get<std::uint16_t>();
    if (!in.Ok() || (magic != kPe32Magic && magic != kPe32PlusMagic)) return {};
    headers.pe32_plus = magic == kPe32PlusMagic;

    // The two layouts differ in the width of the fields before the OS
    // versions and after the subsystem.
    Reader fields(bytes, optional + 40);
    headers.os_version = {fields.Get<std::uint16_t>(), fields.Get<std::uint16_t>()};
    fields.Skip(4);  // image version
    headers.subsystem_version = {fields.Get<std::uint16_t>(), fields.Get<std::uint16_t>()};
    fields.Skip(16);  // Win32 version, image and header sizes, checksum
    headers.subsystem = fields.Get<std::uint16_t>();
    fields.Skip(headers.pe32_plus ? 2 + 4 * 8 + 4 : 2 + 4 * 4 + 4);  // to the directory count
    const std::uint32_t directory_count = fields.Get<std::uint32_t>();
    std::array<DataDirectory, 3> directories{};
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(directory_count, 3); ++i) {
        directories[i] = {fields.Get<std::uint32_t>(), fields.Get<std::uint32_t>()};
    }
    if (!fields.Ok() || fields.Offset() > optional + optional_size) return {};

    Reader table(bytes, optional + optional_size);
    for (std::uint16_t i = 0; i < section_count; ++i) {
        const auto name = table.Get<std::array<char, 8>>();
        Section section;
        section.name.assign(name.data(), strnlen(name.data(), name.size()));
        section.virtual_size = table.Get<std::uint32_t>();
        section.virtual_address = table.Get<std::uint32_t>();
        section.raw_size = table.Get<std::uint32_t>();
        section.raw_offset = table.Get<std::uint32_t>();
        table.Skip(16);  // relocations, line numbers, characteristics
        file.sections.push_back(section);
    }
    if (!table.Ok()) return {};

    const Image image(bytes, file.sections);
    if (directories[kResourceDirectory].rva != 0) {
        Resource path;
        if (!ResourceWalk(image, directories[kResourceDirectory].rva)
                 .Level(0, 0, path, file.resources)) {
            return {};
        }
    }
    auto imports = ReadImports(image, directories[kImportDirectory], headers.pe32_plus);
    if (!imports) return {};
    file.imports = std::move(*imports);
    return file;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) return {};
    std::vector<std::uint8_t> bytes;
    for (std::istreambuf_iterator<char> it(stream), end; it != end; ++it) {
        bytes.push_back(static_cast<std::uint8_t>(*it));
    }
    if (stream.bad()) return {};
    return bytes;
}

}  // namespace executable
