#include "resources.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace e2e {
namespace {

// Reads little-endian fields from a byte buffer; any read past the end marks
// the reader as failed.
class Reader {
  public:
    Reader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    bool Ok() const { return ok_; }
    size_t Offset() const { return offset_; }

    template <typename T>
    T Get() {
        T value{};
        if (offset_ + sizeof(T) > size_) {
            ok_ = false;
            offset_ = size_;
            return value;
        }
        std::memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    std::wstring String() {
        std::wstring text;
        for (wchar_t c = static_cast<wchar_t>(Get<WORD>()); ok_ && c != 0;
             c = static_cast<wchar_t>(Get<WORD>())) {
            text.push_back(c);
        }
        return text;
    }

    NameOrOrdinal NameOrId() {
        NameOrOrdinal field;
        const WORD first = Get<WORD>();
        if (first == 0xFFFF) {
            field.ordinal = Get<WORD>();
        } else if (first != 0) {
            field.name.push_back(static_cast<wchar_t>(first));
            field.name += String();
        }
        return field;
    }

    void Skip(size_t count) {
        if (offset_ + count > size_) ok_ = false;
        offset_ = std::min(offset_ + count, size_);
    }

    void AlignToDword() { Skip((4 - offset_ % 4) % 4); }

  private:
    const BYTE* data_;
    size_t size_;
    size_t offset_ = 0;
    bool ok_ = true;
};

// The predefined control classes that a template may give as ordinals.
std::wstring PredefinedClass(WORD ordinal) {
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

std::wstring ResourceId(LPCWSTR id) {
    if (IS_INTRESOURCE(id)) return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(id));
    return id;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<ResourceEntry>*>(param)->push_back(
        {ResourceId(type), ResourceId(name), language});
    return TRUE;
}

BOOL CALLBACK AddName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param) {
    EnumResourceLanguagesW(module, type, name, AddLanguage, param);
    return TRUE;
}

BOOL CALLBACK AddType(HMODULE module, LPWSTR type, LONG_PTR param) {
    EnumResourceNamesW(module, type, AddName, param);
    return TRUE;
}

INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

template <typename T>
std::optional<T> At(const std::vector<BYTE>& file, size_t offset) {
    if (offset + sizeof(T) > file.size()) return {};
    T value;
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return value;
}

}  // namespace

DataFile::DataFile(const std::wstring& path)
    : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}

DataFile::~DataFile() {
    if (module_) FreeLibrary(module_);
}

std::optional<std::vector<BYTE>> DataFile::Bytes(LPCWSTR type, LPCWSTR name) const {
    if (!module_) return {};
    HRSRC info = FindResourceW(module_, name, type);
    if (!info) return {};
    HGLOBAL handle = LoadResource(module_, info);
    const auto* data = static_cast<const BYTE*>(LockResource(handle));
    if (!data) return {};
    return std::vector<BYTE>(data, data + SizeofResource(module_, info));
}

std::optional<DialogTemplate> ParseDialogTemplate(const std::vector<BYTE>& bytes) {
    Reader in(bytes.data(), bytes.size());
    DialogTemplate dialog;
    dialog.version = in.Get<WORD>();
    dialog.signature = in.Get<WORD>();
    if (dialog.version != 1 || dialog.signature != 0xFFFF) return {};
    dialog.help_id = in.Get<DWORD>();
    dialog.ex_style = in.Get<DWORD>();
    dialog.style = in.Get<DWORD>();
    const WORD count = in.Get<WORD>();
    dialog.x = in.Get<short>();
    dialog.y = in.Get<short>();
    dialog.cx = in.Get<short>();
    dialog.cy = in.Get<short>();
    dialog.menu = in.NameOrId();
    dialog.window_class = in.NameOrId();
    dialog.title = in.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.point_size = in.Get<WORD>();
        dialog.weight = in.Get<WORD>();
        dialog.italic = in.Get<BYTE>();
        dialog.charset = in.Get<BYTE>();
        dialog.typeface = in.String();
    }
    for (WORD i = 0; i < count && in.Ok(); ++i) {
        in.AlignToDword();
        DialogItemTemplate item;
        item.help_id = in.Get<DWORD>();
        item.ex_style = in.Get<DWORD>();
        item.style = in.Get<DWORD>();
        item.x = in.Get<short>();
        item.y = in.Get<short>();
        item.cx = in.Get<short>();
        item.cy = in.Get<short>();
        item.id = in.Get<DWORD>();
        item.window_class = in.NameOrId();
        if (item.window_class.ordinal != 0) {
            item.window_class.name = PredefinedClass(item.window_class.ordinal);
        }
        item.title = in.NameOrId();
        item.extra_bytes = in.Get<WORD>();
        in.Skip(item.extra_bytes);
        dialog.items.push_back(item);
    }
    if (!in.Ok()) return {};
    return dialog;
}

DialogCopy::DialogCopy(HMODULE module, const std::vector<BYTE>& dialog_template)
    : window_(CreateDialogIndirectParamW(module,
                                         reinterpret_cast<LPCDLGTEMPLATEW>(dialog_template.data()),
                                         nullptr, IgnoreAll, 0)) {}

DialogCopy::~DialogCopy() {
    if (window_) DestroyWindow(window_);
}

SIZE DialogCopy::BaseUnits() const {
    if (!window_) return {};
    RECT units{0, 0, 4, 8};
    MapDialogRect(window_, &units);
    return {units.right, units.bottom};
}

std::vector<ResourceEntry> ListResources(HMODULE module) {
    std::vector<ResourceEntry> entries;
    EnumResourceTypesW(module, AddType, reinterpret_cast<LONG_PTR>(&entries));
    return entries;
}

std::vector<std::string> ImportedDlls(const std::wstring& path) {
    std::ifstream stream(path.c_str(), std::ios::binary);
    const std::vector<BYTE> file{std::istreambuf_iterator<char>(stream), {}};
    std::vector<std::string> dlls;

    const auto dos = At<IMAGE_DOS_HEADER>(file, 0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return dlls;
    const auto nt_offset = static_cast<size_t>(dos->e_lfanew);
    const auto nt = At<IMAGE_NT_HEADERS32>(file, nt_offset);
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE) return dlls;
    const DWORD import_rva =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;

    // Relative virtual addresses map to file offsets through the section
    // table.
    const size_t sections = nt_offset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                            nt->FileHeader.SizeOfOptionalHeader;
    auto file_offset = [&](DWORD rva) -> std::optional<size_t> {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto section =
                At<IMAGE_SECTION_HEADER>(file, sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (!section) return {};
            const DWORD start = section->VirtualAddress;
            const DWORD size = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
            if (rva >= start && rva < start + size) {
                return size_t{section->PointerToRawData} + (rva - start);
            }
        }
        return {};
    };

    auto descriptor_offset = file_offset(import_rva);
    if (import_rva == 0 || !descriptor_offset) return dlls;
    for (size_t at = *descriptor_offset;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(file, at);
        if (!descriptor || descriptor->Name == 0) break;
        const auto name_offset = file_offset(descriptor->Name);
        if (!name_offset || *name_offset >= file.size()) break;
        const auto* name = reinterpret_cast<const char*>(file.data() + *name_offset);
        dlls.emplace_back(name, strnlen(name, file.size() - *name_offset));
    }
    return dlls;
}

}  // namespace e2e
