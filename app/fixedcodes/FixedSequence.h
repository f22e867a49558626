#pragma once
// Where a fixed-code pass goes after a code has been sent.
//
// Pure function on plain values; any thread. A list position of -1 means no entry is selected.

struct TFixedStep {
    int NextIndex;  // the entry to select next
    bool PassEnded; // the last entry has gone out (or the list is empty)
};

TFixedStep NextFixedStep(int selectedIndex, int entryCount);
