#pragma once
// Who reads a port's line: the window's thread (through a watch on the descriptor), the event
// worker, or nobody yet (undecided: no window to read for, and nobody has looked at the input).
// Beside it, whether the window's thread has handed the line over (a handler outlived the
// hand-over bound, or left the ring full), so that a quick handler may take it back.
//
// Any thread reads the claim without a lock, on every pass and every look at the input; the
// device layer moves it under the dispatcher's state lock, or as the reader gives the line up.

#include <atomic>

enum class TSioLineReader { EventWorker, WindowThread, Undecided };

class TSioLineClaim {
public:
    bool Is(TSioLineReader reader) const { return Reader_.load() == reader; }
    // As cheap as a look can be: the input calls ask it every time.
    bool Undecided() const {
        return Reader_.load(std::memory_order_relaxed) == TSioLineReader::Undecided;
    }
    // True when the claim changed.
    bool MoveTo(TSioLineReader reader) { return Reader_.exchange(reader) != reader; }

    void NoteHandedOver() { HandedOver_ = true; }
    bool HandedOver() const { return HandedOver_.load(); }
    // A handler returned within the bound: true when that ends a hand-over.
    bool EndHandOver() { return HandedOver_.exchange(false); }

    // A new open: nobody reads yet, and nothing was handed over.
    void Restart() {
        HandedOver_ = false;
        Reader_ = TSioLineReader::Undecided;
    }

private:
    std::atomic<TSioLineReader> Reader_{TSioLineReader::EventWorker};
    std::atomic<bool> HandedOver_{false};
};
