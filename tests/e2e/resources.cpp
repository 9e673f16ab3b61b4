#include "resources.h"

namespace e2e {
namespace {

INT_PTR CALLBACK IgnoreAll(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
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

}  // namespace e2e
