#include "tools/encoder-sim/protocol/EncoderProtocol.h"

namespace EncoderSim {

int TableItem(std::string_view table, unsigned char byte) {
    auto position = table.find(static_cast<char>(byte));
    return position == std::string_view::npos ? -1 : static_cast<int>(position);
}

std::optional<char> TypedCodeChar(unsigned char byte) {
    if (byte >= '0' && byte <= '9')
        return static_cast<char>(byte);
    // 'A' to 'Z' were lowered by 7 onto 0x3A to 0x53.
    if (byte >= 0x3A && byte <= 0x53)
        return static_cast<char>(byte + 7);
    return std::nullopt;
}

unsigned char ByteSum(std::string_view bytes) {
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    return static_cast<unsigned char>(sum & 0xFF);
}

std::string HexDigits(unsigned char value) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    return {Digits[value >> 4], Digits[value & 0x0F]};
}

bool IsUpperHexDigit(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'F');
}

bool IsMeaningfulReply(unsigned char byte) {
    return byte == ReplyAck || byte == ReplyCarrierOff || byte == ReplyCarrierOn ||
           byte == ReplyNak || byte == ReplyEncoderRunning;
}

bool IsFramingByte(unsigned char byte) {
    return byte == Stx || byte == Etx || byte == LineFeed || byte == CarriageReturn ||
           byte == PollFirst;
}

} // namespace EncoderSim
