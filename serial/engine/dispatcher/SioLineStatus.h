#pragma once
// The line's status as the dispatcher reports it: the line-error bits gathered since they were
// last taken, and the modem bits in the 16550 layout (lines in bits 4-7, their changes in 0-3,
// the ring's trailing edge in bit 2).
//
// Under the dispatcher's state lock, except NoteRingEnd, which the cycle calls without it.

#include <atomic>
#include <cstdint>

class TSioLineStatus {
public:
    // The bits of a fresh device status reading, in place of those gathered.
    void SetErrors(std::uint32_t bits) { ErrorBits_ = bits; }
    void AddErrors(std::uint32_t bits) { ErrorBits_ |= bits & 0x1F; }
    // 1 receive overflow, 2 overrun, 3 parity, 4 framing, 9 break, 0 none; takes the errors, not a
    // break, which TakeBreak takes.
    std::int32_t TakeError();
    bool TakeBreak();
    // The ring line went low since the last look.
    void NoteRingEnd() { RingEnded_ = true; }
    // A new open: no modem bits, no ring seen.
    void ResetModem() {
        ModemBits_ = 0;
        RingEnded_ = false;
    }
    // Puts the current `lines` in, returns the bits, then keeps only those in `mask`.
    std::uint8_t Refresh(std::uint8_t lines, std::uint8_t mask);
    // As Refresh, and marks each line that changed in the change bits.
    void NoteChange(std::uint8_t lines);
    std::uint8_t ModemBits() const { return ModemBits_; }

private:
    std::uint32_t ErrorBits_ = 0;
    std::uint8_t ModemBits_ = 0;
    std::atomic<bool> RingEnded_{false};
};
