// The resources, imports and headers of kalvor.exe, read from the file of
// each architecture's build: no Windows and no Wine needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>

#include "byte_reader.h"
#include "layout.h"
#include "pe_file.h"
#include "resource_templates.h"

namespace executable {
namespace {

using e2e::ControlLayout;
using e2e::kBitmapId;
using e2e::kDialogHeight;
using e2e::kDialogId;
using e2e::kDialogWidth;
using e2e::kIconGroupId;
using e2e::kLayout;
using e2e::kMenuId;
using e2e::kMenuNavod;
using e2e::kMenuOProgramu;
using e2e::kMenuUkoncit;

constexpr std::uint16_t kRtBitmap = 2;
constexpr std::uint16_t kRtIcon = 3;
constexpr std::uint16_t kRtMenu = 4;
constexpr std::uint16_t kRtDialog = 5;
constexpr std::uint16_t kRtGroupIcon = 14;

static_assert((WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT |
               DS_MODALFRAME | DS_CENTER) == 0x80CB08C0);

// Colours as the RGB macro packs them.
using Colour = std::uint32_t;
constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Colour{r} | Colour{g} << 8 | Colour{b} << 16;
}
constexpr Colour kNoColour = 0xFFFFFFFF;
constexpr Colour kBitmapGreen = Rgb(0, 128, 0);
constexpr Colour kIconGreen = Rgb(0, 255, 0);
constexpr Colour kBlack = Rgb(0, 0, 0);

struct Architecture {
    const char* preset;    // the build that makes the executable
    const char* variable;  // the environment variable that names it
    std::uint16_t machine;
    bool pe32_plus;
    Version oldest_windows;  // the oldest Windows the build must start on
    // The release's list of the functions this build may import, each
    // checked against that Windows.
    const char* release_imports;
};

// Windows 2000 (5.0), the oldest Windows the 32-bit release names; 64-bit
// Windows began with 5.2 (XP Professional x64 Edition).
const Architecture kWin32{"win32",      "KALVOR_EXE_WIN32",
                          kMachineI386, false,
                          {5, 0},       KALVOR_PACKAGING_DIR "/imports-win32.txt"};
const Architecture kWin64{"win64",       "KALVOR_EXE_WIN64",
                          kMachineAmd64, true,
                          {5, 2},        KALVOR_PACKAGING_DIR "/imports-win64.txt"};

// Test names and messages name an architecture by its build.
void PrintTo(const Architecture& arch, std::ostream* out) {
    *out << arch.preset;
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    });
    return text;
}

bool EqualIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return (x < 128 ? std::tolower(x) : x) == (y < 128 ? std::tolower(y) : y);
    });
}

template <typename T>
T Read(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return Reader(bytes, offset).Get<T>();
}

// BITMAPINFOHEADER.
struct DibHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t planes;
    std::uint16_t bit_count;
    std::uint32_t compression;
    std::uint32_t image_size;
    std::int32_t x_pixels_per_metre;
    std::int32_t y_pixels_per_metre;
    std::uint32_t colours_used;
    std::uint32_t colours_important;
};
static_assert(sizeof(DibHeader) == 40);
constexpr std::uint32_t kBiRgb = 0;

// The colour of pixel (x, y), counted from the top left as displayed, of an
// uncompressed 24-bit DIB whose pixel rows start at `bits`.
Colour DibPixel(const std::vector<std::uint8_t>& dib, std::size_t bits, const DibHeader& header,
                int x, int y) {
    const std::size_t stride = (static_cast<std::size_t>(header.width) * 24 + 31) / 32 * 4;
    const int rows = std::abs(header.height);
    const int row = header.height > 0 ? rows - 1 - y : y;
    const std::size_t at =
        bits + static_cast<std::size_t>(row) * stride + static_cast<std::size_t>(x) * 3;
    if (at + 3 > dib.size()) return kNoColour;
    return Rgb(dib[at + 2], dib[at + 1], dib[at]);
}

class ExecutableFile : public ::testing::TestWithParam<Architecture> {
  protected:
    void SetUp() override {
        const Architecture& arch = GetParam();
        const char* path = std::getenv(arch.variable);
        if (!path || !*path || !std::filesystem::is_regular_file(path)) {
            std::ostringstream why;
            why << arch.variable << " (" << (path ? path : "unset")
                << ") names no file; `cmake --preset " << arch.preset
                << " && cmake --build --preset " << arch.preset << "` builds it";
            const char* required = std::getenv("KALVOR_REQUIRE_EXECUTABLES");
            if (required && std::string_view(required) == "1") FAIL() << why.str();
            GTEST_SKIP() << why.str();
        }
        bytes_ = ReadWholeFile(path).value_or(std::vector<std::uint8_t>{});
        file_ = ParsePeFile(bytes_);
        ASSERT_TRUE(file_.has_value()) << path << " is not a PE file";
    }

    std::vector<std::uint8_t> Resource(std::uint16_t type, std::uint16_t id) const {
        auto bytes = file_->Find(type, id);
        EXPECT_TRUE(bytes.has_value()) << "no resource " << id << " of type " << type;
        return bytes.value_or(std::vector<std::uint8_t>{});
    }

    std::vector<std::uint8_t> bytes_;
    std::optional<PeFile> file_;
};

TEST_P(ExecutableFile, Header) {
    const Architecture& arch = GetParam();
    const Headers& headers = file_->headers;
    EXPECT_EQ(headers.machine, arch.machine) << std::hex << "machine 0x" << headers.machine;
    EXPECT_EQ(headers.pe32_plus, arch.pe32_plus);
    EXPECT_EQ(headers.subsystem, kSubsystemWindowsGui);
    EXPECT_EQ(headers.time_stamp, 0u) << "the build is not reproducible";
    EXPECT_LE(headers.os_version, arch.oldest_windows)
        << headers.os_version.major << "." << headers.os_version.minor;
    EXPECT_LE(headers.subsystem_version, arch.oldest_windows)
        << headers.subsystem_version.major << "." << headers.subsystem_version.minor;
}

TEST_P(ExecutableFile, DialogTemplateHeader) {
    const auto dialog = ParseDialogTemplate(Resource(kRtDialog, kDialogId));
    ASSERT_TRUE(dialog.has_value()) << "not an extended dialog template";
    EXPECT_EQ(dialog->help_id, 0u);
    EXPECT_EQ(dialog->ex_style, 0u);
    EXPECT_EQ(dialog->style, 0x80CB08C0u);
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, kDialogWidth);
    EXPECT_EQ(dialog->cy, kDialogHeight);
    EXPECT_EQ(dialog->menu.ordinal, kMenuId);
    EXPECT_EQ(dialog->window_class.ordinal, 0);
    EXPECT_EQ(dialog->window_class.name, L"");
    EXPECT_EQ(dialog->title, L"" TEXT_CAPTION);
    EXPECT_EQ(dialog->point_size, 8);
    EXPECT_EQ(dialog->weight, 400);
    EXPECT_EQ(dialog->italic, 0);
    EXPECT_EQ(dialog->charset, 238);
    EXPECT_EQ(dialog->typeface, L"Microsoft Sans Serif");
}

TEST_P(ExecutableFile, DialogControlsInTemplateOrder) {
    const auto dialog = ParseDialogTemplate(Resource(kRtDialog, kDialogId));
    ASSERT_TRUE(dialog.has_value());
    ASSERT_EQ(dialog->items.size(), kLayout.size());
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        const ControlLayout& want = kLayout[i];
        const DialogItemTemplate& item = dialog->items[i];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " (id " << want.id << ")");
        EXPECT_EQ(item.id, want.id);
        EXPECT_TRUE(EqualIgnoringAsciiCase(item.window_class.name, want.window_class))
            << "class is " << ::testing::PrintToString(item.window_class.name);
        EXPECT_EQ(item.title.ordinal, 0);
        EXPECT_EQ(item.title.name, want.text);
        EXPECT_EQ(item.style, want.style) << std::hex << "style 0x" << item.style;
        EXPECT_EQ(item.ex_style, 0u);
        EXPECT_EQ(item.help_id, 0u);
        EXPECT_EQ(item.extra_bytes, 0);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
    }
}

TEST_P(ExecutableFile, Menu) {
    const auto menu = ParseMenuTemplate(Resource(kRtMenu, kMenuId));
    ASSERT_TRUE(menu.has_value()) << "not a menu template";
    ASSERT_EQ(menu->size(), 2u);

    const MenuItem& program = (*menu)[0];
    EXPECT_EQ(program.text, L"&Program");
    EXPECT_EQ(program.flags & MFT_RIGHTJUSTIFY, 0u);
    ASSERT_EQ(program.items.size(), 1u);
    const MenuItem& quit = program.items[0];
    EXPECT_EQ(quit.text, L"&Ukončit\tAlt-F4");
    EXPECT_EQ(quit.id, kMenuUkoncit);
    EXPECT_TRUE(quit.items.empty());

    const MenuItem& help = (*menu)[1];
    EXPECT_EQ(help.text, L"&Nápověda");
    EXPECT_EQ(help.flags & MFT_RIGHTJUSTIFY, MFT_RIGHTJUSTIFY);
    ASSERT_EQ(help.items.size(), 2u);
    const MenuItem& about = help.items[0];
    EXPECT_EQ(about.text, L"" TEXT_ABOUT_ITEM);
    EXPECT_EQ(about.id, kMenuOProgramu);
    const MenuItem& instructions = help.items[1];
    EXPECT_EQ(instructions.text, L"" TEXT_INSTRUCTIONS_ITEM);
    EXPECT_EQ(instructions.id, kMenuNavod);
}

TEST_P(ExecutableFile, BackgroundBitmapIsUniformDarkGreen) {
    const auto dib = Resource(kRtBitmap, kBitmapId);
    ASSERT_GE(dib.size(), sizeof(DibHeader));
    const auto header = Read<DibHeader>(dib, 0);
    EXPECT_EQ(header.width, 128);
    EXPECT_EQ(std::abs(header.height), 128);
    EXPECT_EQ(header.bit_count, 24);
    EXPECT_EQ(header.compression, kBiRgb);
    ASSERT_EQ(header.width, 128);
    ASSERT_EQ(header.bit_count, 24);
    // A 24-bit DIB has no colour table unless it says so.
    const std::size_t bits = header.size + header.colours_used * 4;
    std::size_t off_colour = 0;
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            if (DibPixel(dib, bits, header, x, y) != kBitmapGreen) ++off_colour;
        }
    }
    EXPECT_EQ(off_colour, 0u) << "pixels that are not RGB(0, 128, 0)";
}

TEST_P(ExecutableFile, IconIsGreenSquareWithBlackLetterInItsBox) {
    const auto group = Resource(kRtGroupIcon, kIconGroupId);
    // GRPICONDIR: reserved, type 1 (icon), count; then 14-byte entries.
    ASSERT_GE(group.size(), 6u + 14u);
    EXPECT_EQ(Read<std::uint16_t>(group, 0), 0);
    EXPECT_EQ(Read<std::uint16_t>(group, 2), 1);
    ASSERT_EQ(Read<std::uint16_t>(group, 4), 1) << "the icon holds exactly one image";
    EXPECT_EQ(Read<std::uint8_t>(group, 6), 32);    // width
    EXPECT_EQ(Read<std::uint8_t>(group, 7), 32);    // height
    EXPECT_EQ(Read<std::uint16_t>(group, 12), 24);  // bits per pixel
    const auto image_id = Read<std::uint16_t>(group, 18);
    ASSERT_EQ(image_id, 1);

    const auto image = Resource(kRtIcon, image_id);
    const auto header = Read<DibHeader>(image, 0);
    ASSERT_EQ(header.width, 32);
    ASSERT_EQ(header.height, 64) << "colour image and mask, 32 rows each";
    ASSERT_EQ(header.bit_count, 24);
    ASSERT_EQ(header.compression, kBiRgb);
    const std::size_t colour_bits = header.size;
    const std::size_t mask_bits = colour_bits + 32 * 96;
    ASSERT_GE(image.size(), mask_bits + 32 * 4);

    DibHeader colour = header;
    colour.height = 32;
    std::size_t black_in_box = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
            const Colour pixel = DibPixel(image, colour_bits, colour, x, y);
            const bool in_box = x >= 9 && x < 21 && y >= 9 && y < 21;
            if (pixel == kBlack && in_box) {
                ++black_in_box;
            } else {
                ASSERT_EQ(pixel, kIconGreen);
            }
        }
    }
    EXPECT_GT(black_in_box, 0u) << "no letter in the 12 x 12 box at (9, 9)";
    const auto mask_begin = image.begin() + static_cast<std::ptrdiff_t>(mask_bits);
    EXPECT_TRUE(std::all_of(mask_begin, mask_begin + 32 * 4, [](std::uint8_t b) { return b == 0; }))
        << "the mask is not all opaque";
}

TEST_P(ExecutableFile, AllUsEnglishWithoutVersionOrManifest) {
    std::set<std::pair<std::wstring, std::wstring>> present;
    for (const auto& entry : file_->resources) {
        EXPECT_EQ(entry.language, 0x409) << "resource type " << ::testing::PrintToString(entry.type)
                                         << " name " << ::testing::PrintToString(entry.name);
        present.emplace(entry.type, entry.name);
    }
    const auto has = [&](std::uint16_t type, std::uint16_t name) {
        return present.count({L"#" + std::to_wstring(type), L"#" + std::to_wstring(name)}) > 0;
    };
    EXPECT_TRUE(has(kRtDialog, kDialogId));
    EXPECT_TRUE(has(kRtMenu, kMenuId));
    EXPECT_TRUE(has(kRtBitmap, kBitmapId));
    EXPECT_TRUE(has(kRtGroupIcon, kIconGroupId));
    EXPECT_TRUE(has(kRtIcon, 1));
    for (const auto& [type, name] : present) {
        EXPECT_NE(type, L"#16") << "version resource present";
        EXPECT_NE(type, L"#24") << "manifest present";
        EXPECT_NE(type, L"#9") << "accelerator table present";
    }
    // One icon group: the executable's icon is the program's icon.
    EXPECT_EQ(std::count_if(present.begin(), present.end(),
                            [](const auto& entry) { return entry.first == L"#14"; }),
              1);
}

// The functions a release list lets an executable import, as "DLL
// function" with the DLL in capitals (Windows matches DLL names so).
std::set<std::string> ReleaseImports(const char* path) {
    std::set<std::string> names;
    std::ifstream list(path);
    for (std::string dll, function; list >> dll;) {
        if (dll.starts_with("#")) {
            std::getline(list, function);
        } else if (list >> function) {
            names.insert(Upper(dll) + " " + function);
        }
    }
    return names;
}

TEST_P(ExecutableFile, ImportsOnlySystemLibrariesAndListedFunctions) {
    std::set<std::string> dlls;
    for (const Import& import : file_->imports) dlls.insert(Upper(import.dll));
    const std::set<std::string> system{"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL",
                                       "MSVCRT.DLL"};
    for (const auto& dll : dlls) EXPECT_TRUE(system.count(dll)) << dll << " is imported";
    for (const char* needed : {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL"}) {
        EXPECT_TRUE(dlls.count(needed)) << needed << " is not imported";
    }

    const char* const list = GetParam().release_imports;
    const std::set<std::string> listed = ReleaseImports(list);
    ASSERT_FALSE(listed.empty()) << "cannot read " << list;
    for (const Import& import : file_->imports) {
        for (const std::string& function : import.functions) {
            const std::string name = Upper(import.dll) + " " + function;
            EXPECT_TRUE(listed.count(name)) << name << " is imported, but not listed in " << list;
        }
    }
}

// Every cut of the file ends in nothing or in everything the whole file
// gives; never in part of it, or in reads past the end. Every cut within
// the headers, then cuts across the rest.
TEST_P(ExecutableFile, CutShortGivesNothingOrTheSame) {
    std::size_t headers_end = bytes_.size();
    for (const Section& section : file_->sections) {
        if (section.raw_size != 0) {
            headers_end = std::min<std::size_t>(headers_end, section.raw_offset);
        }
    }
    const std::span<const std::uint8_t> whole(bytes_);
    for (std::size_t size = 0; size < bytes_.size(); size += size < headers_end ? 1 : 61) {
        const auto cut = ParsePeFile(whole.first(size));
        EXPECT_TRUE(!cut || *cut == *file_) << "cut at " << size << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Kalvor, ExecutableFile, ::testing::Values(kWin32, kWin64),
                         [](const auto& test) { return std::string(test.param.preset); });

}  // namespace
}  // namespace executable
