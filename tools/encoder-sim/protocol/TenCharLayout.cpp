#include "tools/encoder-sim/protocol/TenCharLayout.h"

#include "tools/encoder-sim/protocol/EncoderProtocol.h"

namespace EncoderSim {

namespace {

bool ByteFits(const TTenCharLayout& layout, std::size_t offset, unsigned char byte) {
    if (offset == 0)
        return byte == LineFeed;
    if (offset == layout.Length - 1)
        return byte == CarriageReturn;
    if (offset <= TenCharAlarmTypeOffset)
        return !IsFramingByte(byte);
    if (layout.HasTape && offset == TenCharTapeOffset)
        return TableItem(TapeChars, byte) >= 0;
    if (layout.Form == TChecksumForm::Hex)
        return IsUpperHexDigit(byte);
    return true; // a raw checksum may be any byte
}

unsigned char HexValue(unsigned char digit) {
    return static_cast<unsigned char>(digit <= '9' ? digit - '0' : digit - 'A' + 10);
}

} // namespace

bool PrefixFits(const TTenCharLayout& layout, std::string_view bytes) {
    if (bytes.size() > layout.Length)
        return false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (!ByteFits(layout, i, static_cast<unsigned char>(bytes[i])))
            return false;
    }
    return true;
}

unsigned char CarriedChecksum(const TTenCharLayout& layout, std::string_view frame) {
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(frame[i]); };
    std::size_t offset = layout.ChecksumOffset();
    if (layout.Form == TChecksumForm::Raw)
        return at(offset);
    return static_cast<unsigned char>(HexValue(at(offset)) << 4 | HexValue(at(offset + 1)));
}

bool Completes(const TTenCharLayout& layout, std::string_view bytes) {
    if (bytes.size() != layout.Length || !PrefixFits(layout, bytes))
        return false;
    // The sum runs from the pre-tone to the last body byte, without the leading 0x0A.
    auto body = bytes.substr(1, layout.ChecksumOffset() - 1);
    return ByteSum(body) == CarriedChecksum(layout, bytes);
}

} // namespace EncoderSim
