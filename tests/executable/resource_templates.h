// The dialog and menu templates of an executable's resources, parsed from
// their bytes on any platform.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace executable {

// A name-or-ordinal field of a dialog template. Control classes stored as
// ordinals carry the class's name as well.
struct NameOrOrdinal {
    std::uint16_t ordinal = 0;  // 0 when the field holds a name (or nothing)
    std::wstring name;
};

struct DialogItemTemplate {
    std::uint32_t help_id = 0;
    std::uint32_t ex_style = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    NameOrOrdinal window_class;
    NameOrOrdinal title;
    std::uint16_t extra_bytes = 0;
};

struct DialogTemplate {
    std::uint16_t version = 0;
    std::uint16_t signature = 0;
    std::uint32_t help_id = 0;
    std::uint32_t ex_style = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal window_class;
    std::wstring title;
    std::uint16_t point_size = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::wstring typeface;
    std::vector<DialogItemTemplate> items;
};

// Parses an extended dialog template (DLGTEMPLATEEX and its items); nothing
// if the bytes are not one or are cut short.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const std::uint8_t> bytes);

// An item of a menu: a command, or a popup with items of its own.
struct MenuItem {
    std::uint16_t flags = 0;  // MF_ flags as stored, MF_END removed
    std::uint16_t id = 0;     // 0 for a popup
    std::wstring text;
    std::vector<MenuItem> items;
};

// Parses a menu template (MENUITEMTEMPLATEHEADER version 0 and its items)
// into the items of its menu bar; nothing if the bytes are not one or are
// cut short.
std::optional<std::vector<MenuItem>> ParseMenuTemplate(std::span<const std::uint8_t> bytes);

}  // namespace executable
