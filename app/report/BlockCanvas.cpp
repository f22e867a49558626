#include "app/report/BlockCanvas.h"

#include <algorithm>

namespace {

// Breaks and part tops come from the same sums, but a slice edge is compared with some room.
constexpr double Tolerance = 1e-6;

} // namespace

TBlockCanvas::TBlockCanvas(double pageTop, double from, double to)
    : Painting_(true), PageTop_(pageTop), From_(from), To_(to) {}

bool TBlockCanvas::Take(double top, double bottom) {
    if (Painting_)
        return top >= From_ - Tolerance && top < To_ - Tolerance;
    Parts_.emplace_back(top, bottom);
    return false;
}

std::vector<double> TBlockCanvas::Breaks(double height) const {
    std::vector<std::pair<double, double>> parts = Parts_;
    std::sort(parts.begin(), parts.end());
    std::vector<double> breaks;
    // A page may end at the top of a part that no part above it reaches into; never above the
    // first part, so no page gets an empty piece of the block.
    double reach = 0;
    bool anyAbove = false;
    for (const auto& [top, bottom] : parts) {
        if (anyAbove && top >= reach - Tolerance && top < height &&
            (breaks.empty() || top > breaks.back()))
            breaks.push_back(top);
        reach = std::max(reach, bottom);
        anyAbove = true;
    }
    return breaks;
}
