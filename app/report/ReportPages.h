#pragma once
// How the report's blocks fall onto pages: a block (the heading, a table row with its picture,
// the summary with the signature line) that fits on a page is never split and goes to the next
// page when the rest of this one is too short; one taller than a page flows on over as many
// pages as it needs, each part ending where the block allows a break (between two lines of its
// text). Every page that carries table rows, or a part of one, repeats the table's head above.
//
// Pure; any thread. Heights are in any one unit.

#include <cstddef>
#include <limits>
#include <optional>
#include <vector>

struct TBlockExtent {
    double Height = 0;
    bool InTable = false; // wants the table's head above it on its page
    // Where a page may end inside the block, from its top, ascending.
    std::vector<double> Breaks;
};

struct TPlacedBlock {
    std::size_t Block = 0;
    double Top = 0; // of the part, from the top of the page's body
    // The part of the block on this page, from the block's top: [From, To).
    double From = 0;
    double To = std::numeric_limits<double>::infinity();
};

struct TPageLayout {
    std::optional<double> TableHeadTop;
    std::vector<TPlacedBlock> Blocks;
};

// A block taller than a page with no break that fits on one (none of the report's: their
// tallest part is a picture at most 150 mm high) gets a page to itself and runs past its body.
std::vector<TPageLayout> LayOutPages(const std::vector<TBlockExtent>& blocks, double bodyHeight,
                                     double tableHeadHeight);
