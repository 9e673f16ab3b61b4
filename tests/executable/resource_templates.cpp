#include "resource_templates.h"

#include "byte_reader.h"

namespace executable {
namespace {

constexpr std::uint32_t kDsSetFont = 0x40;
constexpr std::uint32_t kDsFixedSys = 0x08;  // with DS_SETFONT: DS_SHELLFONT
constexpr std::uint16_t kMfPopup = 0x10;
constexpr std::uint16_t kMfEnd = 0x80;
// Menus nest no deeper than this in any template these tests read; a deeper
// one is taken as malformed rather than followed down the stack.
constexpr int kMaxMenuDepth = 8;

NameOrOrdinal NameOrId(Reader& in) {
    NameOrOrdinal field;
    const auto first = in.Get<std::uint16_t>();
    if (first == 0xFFFF) {
        field.ordinal = in.Get<std::uint16_t>();
    } else if (first != 0) {
        field.name.push_back(static_cast<wchar_t>(first));
        field.name += in.String();
    }
    return field;
}

// The predefined control classes that a template may give as ordinals.
std::wstring PredefinedClass(std::uint16_t ordinal) {
    switch (ordinal) {
        case 0x80:
            return L"Button";
        case 0x81:
            return L"Edit";
        case 0x82:
            return L"Static";
        case 0x83:
            return L"ListBox";
        case 0x84:
            return L"ScrollBar";
        case 0x85:
            return L"ComboBox";
        default:
            return {};
    }
}

// Reads menu items up to and including the one marked as the last.
bool ReadMenuItems(Reader& in, int depth, std::vector<MenuItem>& items) {
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        MenuItem item;
        item.flags = in.Get<std::uint16_t>();
        if (!(item.flags & kMfPopup)) item.id = in.Get<std::uint16_t>();
        item.text = in.String();
        if (!in.Ok()) return false;
        const bool last = item.flags & kMfEnd;
        item.flags = static_cast<std::uint16_t>(item.flags & ~kMfEnd);
        if ((item.flags & kMfPopup) && !ReadMenuItems(in, depth + 1, item.items)) return false;
        items.push_back(std::move(item));
        if (last) return true;
    }
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    DialogTemplate dialog;
    dialog.version = in.Get<std::uint16_t>();
    dialog.signature = in.Get<std::uint16_t>();
    if (dialog.version != 1 || dialog.signature != 0xFFFF) return {};
    dialog.help_id = in.Get<std::uint32_t>();
    dialog.ex_style = in.Get<std::uint32_t>();
    dialog.style = in.Get<std::uint32_t>();
    const auto count = in.Get<std::uint16_t>();
    dialog.x = in.Get<std::int16_t>();
    dialog.y = in.Get<std::int16_t>();
    dialog.cx = in.Get<std::int16_t>();
    dialog.cy = in.Get<std::int16_t>();
    dialog.menu = NameOrId(in);
    dialog.window_class = NameOrId(in);
    dialog.title = in.String();
    if (dialog.style & (kDsSetFont | kDsFixedSys)) {
        dialog.point_size = in.Get<std::uint16_t>();
        dialog.weight = in.Get<std::uint16_t>();
        dialog.italic = in.Get<std::uint8_t>();
        dialog.charset = in.Get<std::uint8_t>();
        dialog.typeface = in.String();
    }
    for (std::uint16_t i = 0; i < count && in.Ok(); ++i) {
        in.AlignToDword();
        DialogItemTemplate item;
        item.help_id = in.Get<std::uint32_t>();
        item.ex_style = in.Get<std::uint32_t>();
        item.style = in.Get<std::uint32_t>();
        item.x = in.Get<std::int16_t>();
        item.y = in.Get<std::int16_t>();
        item.cx = in.Get<std::int16_t>();
        item.cy = in.Get<std::int16_t>();
        item.id = in.Get<std::uint32_t>();
        item.window_class = NameOrId(in);
        if (item.window_class.ordinal != 0) {
            item.window_class.name = PredefinedClass(item.window_class.ordinal);
        }
        item.title = NameOrId(in);
        item.extra_bytes = in.Get<std::uint16_t>();
        in.Skip(item.extra_bytes);
        dialog.items.push_back(item);
    }
    if (!in.Ok()) return {};
    return dialog;
}

std::optional<std::vector<MenuItem>> ParseMenuTemplate(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    const auto version = in.Get<std::uint16_t>();
    const auto header_size = in.Get<std::uint16_t>();
    if (!in.Ok() || version != 0) return {};
    in.Skip(header_size);
    std::vector<MenuItem> bar;
    if (!ReadMenuItems(in, 0, bar)) return {};
    return bar;
}

}  // namespace executable
