#include "serial/engine/trace/SioLogEntry.h"

#include <cstring>

TSioLogHeader::TBytes TSioLogHeader::Encode() const {
    TBytes bytes{};
    bytes[0] = Type;
    bytes[1] = Subtype;
    std::memcpy(bytes.data() + 4, &Time, 4);
    std::memcpy(bytes.data() + 8, &Value, 4);
    std::memcpy(bytes.data() + 12, &Length, 4);
    return bytes;
}

TSioLogHeader TSioLogHeader::Decode(const TBytes& bytes) {
    TSioLogHeader header;
    header.Type = bytes[0];
    header.Subtype = bytes[1];
    std::memcpy(&header.Time, bytes.data() + 4, 4);
    std::memcpy(&header.Value, bytes.data() + 8, 4);
    std::memcpy(&header.Length, bytes.data() + 12, 4);
    return header;
}
