// Reads little-endian fields from bytes that may be cut short or malformed:
// every read is bounds-checked, and one past the end marks the reader as
// failed and yields zeros from then on.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace executable {

// The fields are copied as they lie in memory, which is their order in the
// file only on a little-endian host.
static_assert(std::endian::native == std::endian::little);

class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> data, std::size_t offset = 0)
        : data_(data), offset_(std::min(offset, data.size())), ok_(offset <= data.size()) {}

    bool Ok() const { return ok_; }
    std::size_t Offset() const { return offset_; }

    template <typename T>
    T Get() {
        T value{};
        if (!ok_ || data_.size() - offset_ < sizeof(T)) {
            Fail();
            return value;
        }
        std::memcpy(&value, data_.data() + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    void Skip(std::size_t count) {
        if (!ok_ || data_.size() - offset_ < count) {
            Fail();
        } else {
            offset_ += count;
        }
    }

    void AlignToDword() { Skip((4 - offset_ % 4) % 4); }

    // A zero-terminated UTF-16 string, one wchar_t per code unit (the texts
    // compared with it lie in the Basic Multilingual Plane).
    std::wstring String() {
        std::wstring text;
        for (auto unit = Get<std::uint16_t>(); ok_ && unit != 0; unit = Get<std::uint16_t>()) {
            text.push_back(static_cast<wchar_t>(unit));
        }
        return text;
    }

    // `count` UTF-16 code units without a terminator.
    std::wstring String(std::size_t count) {
        std::wstring text;
        for (std::size_t i = 0; i < count && ok_; ++i) {
            text.push_back(static_cast<wchar_t>(Get<std::uint16_t>()));
        }
        return ok_ ? text : std::wstring{};
    }

    // A zero-terminated 8-bit string; a failure if the bytes end before its
    // terminator.
    std::string Ascii() {
        if (!ok_) return {};
        const auto rest = data_.subspan(offset_);
        const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
        if (end == rest.end()) {
            Fail();
            return {};
        }
        std::string text(rest.begin(), end);
        offset_ += text.size() + 1;
        return text;
    }

  private:
    void Fail() {
        ok_ = false;
        offset_ = data_.size();
    }

    std::span<const std::uint8_t> data_;
    std::size_t offset_;
    bool ok_;
};

}  // namespace executable
