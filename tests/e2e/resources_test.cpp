// The resources built into kalvor.exe and its imports, read from the file.
#include "resources.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>

#include "kalvor_fixture.h"

namespace e2e {
namespace {

constexpr COLORREF kBitmapGreen = RGB(0, 128, 0);
constexpr COLORREF kIconGreen = RGB(0, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class Resources : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(exe_.empty()) << "KALVOR_EXE names the program under test";
        ASSERT_NE(file_.Module(), nullptr) << "cannot load the program as a data file";
    }

    std::vector<BYTE> Resource(LPCWSTR type, WORD id) const {
        auto bytes = file_.Bytes(type, MAKEINTRESOURCEW(id));
        EXPECT_TRUE(bytes.has_value()) << "no resource " << id;
        return bytes.value_or(std::vector<BYTE>{});
    }

    const std::wstring exe_ = ProductExe();
    const DataFile file_{exe_};
};

template <typename T>
T Read(const std::vector<BYTE>& bytes, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
    return value;
}

// The colour of pixel (x, y), counted from the top left as displayed, of an
// uncompressed 24-bit DIB whose pixel rows start at `bits`.
COLORREF DibPixel(const std::vector<BYTE>& dib, size_t bits, const BITMAPINFOHEADER& header, LONG x,
                  LONG y) {
    const size_t stride = (static_cast<size_t>(header.biWidth) * 24 + 31) / 32 * 4;
    const LONG rows = std::abs(header.biHeight);
    const LONG row = header.biHeight > 0 ? rows - 1 - y : y;
    const size_t at = bits + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * 3;
    if (at + 3 > dib.size()) return CLR_INVALID;
    return RGB(dib[at + 2], dib[at + 1], dib[at]);
}

TEST_F(Resources, DialogTemplateHeader) {
    const auto dialog = ParseDialogTemplate(Resource(RT_DIALOG, kDialogId));
    ASSERT_TRUE(dialog.has_value()) << "not an extended dialog template";
    EXPECT_EQ(dialog->help_id, 0u);
    EXPECT_EQ(dialog->ex_style, 0u);
    EXPECT_EQ(dialog->style, 0x80CB08C0u);
    EXPECT_EQ(dialog->style,
              static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                 WS_MAXIMIZEBOX | DS_SETFONT | DS_MODALFRAME | DS_CENTER));
    EXPECT_EQ(dialog->x, 0);
    EXPECT_EQ(dialog->y, 0);
    EXPECT_EQ(dialog->cx, kDialogWidth);
    EXPECT_EQ(dialog->cy, kDialogHeight);
    EXPECT_EQ(dialog->menu.ordinal, kMenuId);
    EXPECT_EQ(dialog->window_class.ordinal, 0);
    EXPECT_EQ(dialog->window_class.name, L"");
    EXPECT_EQ(dialog->title, L"Kalvor 1.0.0");
    EXPECT_EQ(dialog->point_size, 8);
    EXPECT_EQ(dialog->weight, 400);
    EXPECT_EQ(dialog->italic, 0);
    EXPECT_EQ(dialog->charset, 238);
    EXPECT_EQ(dialog->typeface, L"Microsoft Sans Serif");
}

TEST_F(Resources, DialogControlsInTemplateOrder) {
    const auto dialog = ParseDialogTemplate(Resource(RT_DIALOG, kDialogId));
    ASSERT_TRUE(dialog.has_value());
    ASSERT_EQ(dialog->items.size(), kLayout.size());
    for (size_t i = 0; i < kLayout.size(); ++i) {
        const ControlLayout& want = kLayout[i];
        const DialogItemTemplate& item = dialog->items[i];
        SCOPED_TRACE(::testing::Message() << "control #" << i + 1 << " (id " << want.id << ")");
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(lstrcmpiW(item.window_class.name.c_str(), want.window_class), 0)
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

struct MenuEntry {
    std::wstring text;
    UINT id = 0;
    UINT type = 0;
    HMENU submenu = nullptr;
};

MenuEntry EntryAt(HMENU menu, UINT position) {
    std::array<wchar_t, 256> text{};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text.data();
    info.cch = static_cast<UINT>(text.size());
    if (!GetMenuItemInfoW(menu, position, TRUE, &info)) return {};
    return {text.data(), info.wID, info.fType, info.hSubMenu};
}

TEST_F(Resources, Menu) {
    HMENU menu = LoadMenuW(file_.Module(), MAKEINTRESOURCEW(kMenuId));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);

    const MenuEntry program = EntryAt(menu, 0);
    EXPECT_EQ(program.text, L"&Program");
    EXPECT_EQ(program.type & MFT_RIGHTJUSTIFY, 0u);
    ASSERT_NE(program.submenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(program.submenu), 1);
    const MenuEntry quit = EntryAt(program.submenu, 0);
    EXPECT_EQ(quit.text, L"&Ukončit\tAlt-F4");
    EXPECT_EQ(quit.id, kMenuUkoncit);
    EXPECT_EQ(quit.submenu, nullptr);

    const MenuEntry help = EntryAt(menu, 1);
    EXPECT_EQ(help.text, L"&Nápověda");
    EXPECT_EQ(help.type & MFT_RIGHTJUSTIFY, static_cast<UINT>(MFT_RIGHTJUSTIFY));
    ASSERT_NE(help.submenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(help.submenu), 2);
    const MenuEntry about = EntryAt(help.submenu, 0);
    EXPECT_EQ(about.text, L"&O programu...");
    EXPECT_EQ(about.id, kMenuOProgramu);
    const MenuEntry instructions = EntryAt(help.submenu, 1);
    EXPECT_EQ(instructions.text, L"&Návod");
    EXPECT_EQ(instructions.id, kMenuNavod);
    DestroyMenu(menu);
}

TEST_F(Resources, BackgroundBitmapIsUniformDarkGreen) {
    const auto dib = Resource(RT_BITMAP, kBitmapId);
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
    const auto header = Read<BITMAPINFOHEADER>(dib, 0);
    EXPECT_EQ(header.biWidth, 128);
    EXPECT_EQ(std::abs(header.biHeight), 128);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    ASSERT_EQ(header.biWidth, 128);
    ASSERT_EQ(header.biBitCount, 24);
    // A 24-bit DIB has no colour table unless it says so.
    const size_t bits = header.biSize + header.biClrUsed * sizeof(RGBQUAD);
    size_t off_colour = 0;
    for (LONG y = 0; y < 128; ++y) {
        for (LONG x = 0; x < 128; ++x) {
            if (DibPixel(dib, bits, header, x, y) != kBitmapGreen) ++off_colour;
        }
    }
    EXPECT_EQ(off_colour, 0u) << "pixels that are not RGB(0, 128, 0)";
}

TEST_F(Resources, IconIsGreenSquareWithBlackLetterInItsBox) {
    const auto group = Resource(RT_GROUP_ICON, kIconGroupId);
    // GRPICONDIR: reserved, type 1 (icon), count; then 14-byte entries.
    ASSERT_GE(group.size(), 6u + 14u);
    EXPECT_EQ(Read<WORD>(group, 0), 0);
    EXPECT_EQ(Read<WORD>(group, 2), 1);
    ASSERT_EQ(Read<WORD>(group, 4), 1) << "the icon holds exactly one image";
    EXPECT_EQ(Read<BYTE>(group, 6), 32);   // width
    EXPECT_EQ(Read<BYTE>(group, 7), 32);   // height
    EXPECT_EQ(Read<WORD>(group, 12), 24);  // bits per pixel
    const WORD image_id = Read<WORD>(group, 18);
    ASSERT_EQ(image_id, 1);

    const auto image = Resource(RT_ICON, image_id);
    const auto header = Read<BITMAPINFOHEADER>(image, 0);
    ASSERT_EQ(header.biWidth, 32);
    ASSERT_EQ(header.biHeight, 64) << "colour image and mask, 32 rows each";
    ASSERT_EQ(header.biBitCount, 24);
    ASSERT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
    const size_t colour_bits = header.biSize;
    const size_t mask_bits = colour_bits + 32 * 96;
    ASSERT_GE(image.size(), mask_bits + 32 * 4);

    BITMAPINFOHEADER colour = header;
    colour.biHeight = 32;
    size_t black_in_box = 0;
    for (LONG y = 0; y < 32; ++y) {
        for (LONG x = 0; x < 32; ++x) {
            SCOPED_TRACE(::testing::Message() << "pixel " << x << ", " << y);
            const COLORREF pixel = DibPixel(image, colour_bits, colour, x, y);
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
    EXPECT_TRUE(std::all_of(mask_begin, mask_begin + 32 * 4, [](BYTE b) { return b == 0; }))
        << "the mask is not all opaque";
}

TEST_F(Resources, AllUsEnglishWithoutVersionOrManifest) {
    const auto entries = ListResources(file_.Module());
    std::set<std::pair<std::wstring, std::wstring>> present;
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.language, 0x409) << "resource type " << ::testing::PrintToString(entry.type)
                                         << " name " << ::testing::PrintToString(entry.name);
        present.emplace(entry.type, entry.name);
    }
    const auto has = [&](WORD type, WORD name) {
        return present.count({L"#" + std::to_wstring(type), L"#" + std::to_wstring(name)}) > 0;
    };
    EXPECT_TRUE(has(5, kDialogId));      // RT_DIALOG
    EXPECT_TRUE(has(4, kMenuId));        // RT_MENU
    EXPECT_TRUE(has(2, kBitmapId));      // RT_BITMAP
    EXPECT_TRUE(has(14, kIconGroupId));  // RT_GROUP_ICON
    EXPECT_TRUE(has(3, 1));              // RT_ICON
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

TEST_F(Resources, ImportsOnlySystemLibraries) {
    std::set<std::string> dlls;
    for (std::string dll : ImportedDlls(exe_)) {
        std::transform(dll.begin(), dll.end(), dll.begin(),
                       [](char c) { return static_cast<char>(std::toupper(c)); });
        dlls.insert(dll);
    }
    const std::set<std::string> system{"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL",
                                       "MSVCRT.DLL"};
    for (const auto& dll : dlls) EXPECT_TRUE(system.count(dll)) << dll << " is imported";
    for (const char* needed : {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "COMCTL32.DLL"}) {
        EXPECT_TRUE(dlls.count(needed)) << needed << " is not imported";
    }
}

}  // namespace
}  // namespace e2e
