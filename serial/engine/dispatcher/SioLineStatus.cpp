#include "serial/engine/dispatcher/SioLineStatus.h"

#include "serial/engine/dispatcher/SioDispatcherFlags.h"

std::int32_t TSioLineStatus::TakeError() {
    static constexpr struct {
        std::uint32_t Bit;
        std::int32_t Code;
    } Order[] = {{LineErrorRxOver, 1},
                 {LineErrorOverrun, 2},
                 {LineErrorParity, 3},
                 {LineErrorFrame, 4},
                 {LineErrorBreak, 9}};
    for (const auto& entry : Order) {
        if (ErrorBits_ & entry.Bit) {
            ErrorBits_ &= ~(LineErrorRxOver | LineErrorOverrun | LineErrorParity | LineErrorFrame);
            return entry.Code;
        }
    }
    return 0;
}

bool TSioLineStatus::TakeBreak() {
    const bool set = (ErrorBits_ & LineErrorBreak) != 0;
    ErrorBits_ &= ~LineErrorBreak;
    return set;
}

std::uint8_t TSioLineStatus::Refresh(std::uint8_t lines, std::uint8_t mask) {
    ModemBits_ = static_cast<std::uint8_t>((lines & 0xF0) | (ModemBits_ & 0x0F));
    if (RingEnded_.exchange(false))
        ModemBits_ |= 4;
    const std::uint8_t result = ModemBits_;
    ModemBits_ &= mask;
    return result;
}

void TSioLineStatus::NoteChange(std::uint8_t lines) {
    const std::uint8_t old = ModemBits_;
    Refresh(lines, 0xFF);
    const auto changed = static_cast<std::uint8_t>((old ^ ModemBits_) & 0xF0);
    ModemBits_ |= static_cast<std::uint8_t>(changed >> 4);
}
