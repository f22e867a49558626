#include "app/report/ReportPages.h"

std::vector<TPageLayout> LayOutPages(const std::vector<TBlockExtent>& blocks, double bodyHeight,
                                     double tableHeadHeight) {
    std::vector<TPageLayout> pages(1);
    double used = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto headNeeded = [&] { return blocks[i].InTable && !pages.back().TableHeadTop; };
        const auto needed = [&] {
            return blocks[i].Height + (headNeeded() ? tableHeadHeight : 0.0);
        };
        if (used + needed() > bodyHeight && !pages.back().Blocks.empty()) {
            pages.emplace_back();
            used = 0;
        }
        if (headNeeded()) {
            pages.back().TableHeadTop = used;
            used += tableHeadHeight;
        }
        pages.back().Blocks.push_back({i, used});
        used += blocks[i].Height;
    }
    return pages;
}
