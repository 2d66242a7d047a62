// A bounds-checked, little-endian view of part of a file. Every read names an offset and a size
// and fails, touching nothing, when it would leave the window; offsets taken from the file are
// signed, so a negative one fails too.
#pragma once

#include "platform/Win32.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace quenvar::platform {

static_assert(std::endian::native == std::endian::little, "the reads below copy little-endian numbers as they are");

class ByteWindow {
public:
    ByteWindow() = default;
    explicit ByteWindow(std::span<const BYTE> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }

    bool Contains(std::int64_t offset, std::int64_t length) const
    {
        return offset >= 0 && length >= 0 && static_cast<std::uint64_t>(offset) <= bytes_.size() &&
               static_cast<std::uint64_t>(length) <= bytes_.size() - static_cast<std::uint64_t>(offset);
    }

    [[nodiscard]] bool Window(std::int64_t offset, std::int64_t length, ByteWindow& out) const
    {
        if (!Contains(offset, length)) return false;
        out = ByteWindow(bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length)));
        return true;
    }

    [[nodiscard]] bool ReadU16(std::int64_t offset, WORD& out) const { return ReadRaw(offset, out); }
    [[nodiscard]] bool ReadU32(std::int64_t offset, DWORD& out) const { return ReadRaw(offset, out); }
    [[nodiscard]] bool ReadI32(std::int64_t offset, std::int32_t& out) const { return ReadRaw(offset, out); }
    [[nodiscard]] bool ReadI16(std::int64_t offset, std::int16_t& out) const { return ReadRaw(offset, out); }
    [[nodiscard]] bool ReadU8(std::int64_t offset, BYTE& out) const { return ReadRaw(offset, out); }

    // Data1, Data2 and Data3 little-endian, then the eight bytes of Data4.
    [[nodiscard]] bool ReadGuid(std::int64_t offset, GUID& out) const
    {
        return ReadRaw(offset, out.Data1) && ReadRaw(offset + 4, out.Data2) && ReadRaw(offset + 6, out.Data3) &&
               ReadBytes(offset + 8, sizeof out.Data4, out.Data4);
    }

    [[nodiscard]] bool ReadText(std::int64_t offset, std::int64_t length, std::string_view& out) const
    {
        if (!Contains(offset, length)) return false;
        out = std::string_view(reinterpret_cast<const char*>(bytes_.data()) + offset, static_cast<std::size_t>(length));
        return true;
    }

private:
    template <typename T>
    bool ReadRaw(std::int64_t offset, T& out) const
    {
        return ReadBytes(offset, sizeof(T), &out);
    }

    bool ReadBytes(std::int64_t offset, std::int64_t length, void* out) const
    {
        if (!Contains(offset, length)) return false;
        std::memcpy(out, bytes_.data() + offset, static_cast<std::size_t>(length));
        return true;
    }

    std::span<const BYTE> bytes_;
};

}  // namespace quenvar::platform
