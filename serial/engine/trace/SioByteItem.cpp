#include "serial/engine/trace/SioByteItem.h"

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

bool IsPrintable(std::uint8_t byte, bool hex) {
    return byte <= 0x7E && byte >= (hex ? 0x21 : 0x20);
}

} // namespace

TSioByteItem TSioByteItem::Plain(std::uint8_t byte) {
    TSioByteItem item;
    item.Text_[0] = static_cast<char>(byte);
    item.Width_ = 1;
    return item;
}

TSioByteItem TSioByteItem::Render(std::uint8_t byte, bool hex, bool allHex) {
    if (!allHex && IsPrintable(byte, hex)) {
        return Plain(byte);
    }
    TSioByteItem item;
    char* out = item.Text_;
    *out++ = '[';
    if (allHex || hex) {
        *out++ = HexDigits[byte >> 4];
        *out++ = HexDigits[byte & 0x0F];
    } else {
        if (byte >= 100) {
            *out++ = static_cast<char>('0' + byte / 100);
        }
        if (byte >= 10) {
            *out++ = static_cast<char>('0' + byte / 10 % 10);
        }
        *out++ = static_cast<char>('0' + byte % 10);
    }
    *out++ = ']';
    item.Width_ = static_cast<std::uint8_t>(out - item.Text_);
    return item;
}
