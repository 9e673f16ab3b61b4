// Reads the resources built into an executable, loaded as a data file (the
// program's own menu and dialog cannot be read across processes under Wine),
// and the import table of its file.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

// An executable loaded as data: resources only, no code runs.
class DataFile {
  public:
    explicit DataFile(const std::wstring& path);
    ~DataFile();
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    HMODULE Module() const { return module_; }
    // The bytes of a resource; nothing if there is no such resource.
    std::optional<std::vector<BYTE>> Bytes(LPCWSTR type, LPCWSTR name) const;

  private:
    HMODULE module_;
};

// A name-or-ordinal field of a dialog template. Control classes stored as
// ordinals carry the class's name as well.
struct NameOrOrdinal {
    WORD ordinal = 0;  // 0 when the field holds a name (or nothing)
    std::wstring name;
};

struct DialogItemTemplate {
    DWORD help_id = 0;
    DWORD ex_style = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    NameOrOrdinal window_class;
    NameOrOrdinal title;
    WORD extra_bytes = 0;
};

struct DialogTemplate {
    WORD version = 0;
    WORD signature = 0;
    DWORD help_id = 0;
    DWORD ex_style = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal window_class;
    std::wstring title;
    WORD point_size = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::wstring typeface;
    std::vector<DialogItemTemplate> items;
};

// Parses an extended dialog template (DLGTEMPLATEEX and its items); nothing
// if the bytes are not one or are cut short.
std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<BYTE>& bytes);

// A hidden copy of a dialog, made from its template in this process: what
// cannot be asked of the program's own window across processes can be
// measured on it.
class DialogCopy {
  public:
    DialogCopy(HMODULE module, const std::vector<BYTE>& dialog_template);
    ~DialogCopy();
    DialogCopy(const DialogCopy&) = delete;
    DialogCopy& operator=(const DialogCopy&) = delete;

    HWND Window() const { return window_; }
    // Pixels per 4 horizontal and per 8 vertical dialog units; {0, 0} if the
    // copy could not be made.
    SIZE BaseUnits() const;

  private:
    HWND window_;
};

// Every (type, name, language) of a module's resources; integer types and
// names as "#n".
struct ResourceEntry {
    std::wstring type;
    std::wstring name;
    WORD language = 0;
};
std::vector<ResourceEntry> ListResources(HMODULE module);

// The names of the DLLs that a PE file imports, as stored.
std::vector<std::string> ImportedDlls(const std::wstring& path);

}  // namespace e2e
