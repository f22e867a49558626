#include "serial/engine/trace/SioTraceFormat.h"

#include "serial/engine/trace/SioByteItem.h"

void TSioTraceFormatter::WriteHeading(char kind) {
    switch (kind) {
    case 'R':
        Sink_.Write("Receive: ");
        break;
    case 'T':
        Sink_.Write("Transmit: ");
        break;
    default:
        Sink_.Write("Special-");
        Sink_.Write(std::string_view(&kind, 1));
        Sink_.Write(": ");
        break;
    }
    Sink_.Write(SioLineEnd);
}

void TSioTraceFormatter::Add(char kind, std::uint8_t byte) {
    if (kind != LastKind_) {
        if (!First_) {
            Sink_.Write(SioLineEnd);
            Sink_.Write(SioLineEnd);
            Column_ = 0;
        }
        WriteHeading(kind);
        LastKind_ = kind;
    }
    const TSioByteItem item = TSioByteItem::Render(byte, Hex_, AllHex_);
    Column_ += item.Width();
    if (Column_ > SioItemColumnLimit) {
        Sink_.Write(SioLineEnd);
        Column_ = item.Width();
    }
    Sink_.Write(item.Text());
    First_ = false;
}
