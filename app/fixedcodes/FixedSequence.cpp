#include "app/fixedcodes/FixedSequence.h"

TFixedStep NextFixedStep(int selectedIndex, int entryCount) {
    if (selectedIndex < entryCount - 1)
        return {selectedIndex + 1, false};
    return {0, true};
}
