#pragma once
// Where the parts of one report block go. Measuring, it notes the spans of the block a page must
// not cut (a line of text, a picture) and from them where a page may end inside the block;
// painting, it says which parts lie in the slice of the block on the page being painted, and
// where on the page they go. So a block is laid out by one function whether it is measured or
// painted, and a part is painted on exactly one page.
//
// Pure; any thread. Positions are from the block's top, in the unit of the page.

#include <limits>
#include <utility>
#include <vector>

class TBlockCanvas {
public:
    // Measuring.
    TBlockCanvas() = default;
    // Painting the slice [from, to) of the block, its `from` at `pageTop` on the page.
    TBlockCanvas(double pageTop, double from = 0,
                 double to = std::numeric_limits<double>::infinity());

    // Notes the part [top, bottom) of the block; true when it is to be painted now.
    bool Take(double top, double bottom);
    // Where a point of the block is on the page.
    double OnPage(double y) const { return y - From_ + PageTop_; }

    // Measured: where a page may end inside the block of this height, ascending.
    std::vector<double> Breaks(double height) const;

private:
    bool Painting_ = false;
    double PageTop_ = 0;
    double From_ = 0;
    double To_ = 0;
    std::vector<std::pair<double, double>> Parts_;
};
