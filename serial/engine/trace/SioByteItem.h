#pragma once
// How one recorded byte is shown in the trace and the dispatch log.
//
// A printable byte is the character itself; any other byte is "[XX]" (two uppercase hex digits)
// in hex mode or "[d]" (decimal, no leading zeros) otherwise, and every byte is "[XX]" in all-hex
// mode. Printable is 0x20 ... 0x7E, and from 0x21 in hex mode so that a space stays visible.
// An item's width is its length in characters. Pure functions, callable from any thread.

#include <cstdint>
#include <string_view>

// Lines of byte items wrap so that no line passes this column.
inline constexpr unsigned SioItemColumnLimit = 78;

class TSioByteItem {
public:
    static TSioByteItem Render(std::uint8_t byte, bool hex, bool allHex);
    // The byte as a character whatever its value.
    static TSioByteItem Plain(std::uint8_t byte);

    std::string_view Text() const { return {Text_, Width_}; }
    unsigned Width() const { return Width_; }

private:
    char Text_[5] = {};
    std::uint8_t Width_ = 0;
};
