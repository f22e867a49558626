#pragma once
// How the report's blocks fall onto pages: a block (the heading, a table row with its picture,
// the summary with the signature line) is never split, and every page that carries table rows
// repeats the table's head above its first one.
//
// Pure; any thread. Heights are in any one unit.

#include <cstddef>
#include <optional>
#include <vector>

struct TBlockExtent {
    double Height = 0;
    bool InTable = false; // wants the table's head above it on its page
};

struct TPlacedBlock {
    std::size_t Block = 0;
    double Top = 0; // from the top of the page's body
};

struct TPageLayout {
    std::optional<double> TableHeadTop;
    std::vector<TPlacedBlock> Blocks;
};

// A block taller than a whole page gets a page of its own rather than being cut.
std::vector<TPageLayout> LayOutPages(const std::vector<TBlockExtent>& blocks, double bodyHeight,
                                     double tableHeadHeight);
