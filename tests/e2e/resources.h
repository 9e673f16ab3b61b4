// The resources built into an executable, loaded as a data file (the
// program's own dialog cannot be measured across processes under Wine).
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

}  // namespace e2e
