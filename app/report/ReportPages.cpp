#include "app/report/ReportPages.h"

#include <algorithm>

namespace {

class TPageFiller {
public:
    TPageFiller(double bodyHeight, double tableHeadHeight)
        : bodyHeight_(bodyHeight), tableHeadHeight_(tableHeadHeight), pages_(1) {}

    void Place(std::size_t index, const TBlockExtent& block) {
        for (double from = 0;;) {
            const double rest = block.Height - from;
            if (rest <= Room(block)) {
                Put(index, block, from, std::numeric_limits<double>::infinity(), rest);
                return;
            }
            const bool fitsFreshPage = rest + (block.InTable ? tableHeadHeight_ : 0) <= bodyHeight_;
            if (const auto cut =
                    fitsFreshPage ? std::nullopt : LastBreak(block, from, Room(block))) {
                Put(index, block, from, *cut, *cut - from);
                from = *cut;
                NewPage();
            } else if (pages_.back().Blocks.empty()) {
                Put(index, block, from, std::numeric_limits<double>::infinity(), rest);
                return;
            } else {
                NewPage();
            }
        }
    }

    std::vector<TPageLayout> Pages() && { return std::move(pages_); }

private:
    double HeadNeeded(const TBlockExtent& block) const {
        return block.InTable && !pages_.back().TableHeadTop ? tableHeadHeight_ : 0.0;
    }

    double Room(const TBlockExtent& block) const { return bodyHeight_ - used_ - HeadNeeded(block); }

    // The last break after `from` that leaves at most `room` above it.
    static std::optional<double> LastBreak(const TBlockExtent& block, double from, double room) {
        const auto after = std::upper_bound(block.Breaks.begin(), block.Breaks.end(), from + room);
        if (after == block.Breaks.begin() || *(after - 1) <= from)
            return std::nullopt;
        return *(after - 1);
    }

    void Put(std::size_t index, const TBlockExtent& block, double from, double to, double height) {
        if (HeadNeeded(block) > 0) {
            pages_.back().TableHeadTop = used_;
            used_ += tableHeadHeight_;
        }
        pages_.back().Blocks.push_back({index, used_, from, to});
        used_ += height;
    }

    void NewPage() {
        pages_.emplace_back();
        used_ = 0;
    }

    double bodyHeight_;
    double tableHeadHeight_;
    std::vector<TPageLayout> pages_;
    double used_ = 0;
};

} // namespace

std::vector<TPageLayout> LayOutPages(const std::vector<TBlockExtent>& blocks, double bodyHeight,
                                     double tableHeadHeight) {
    TPageFiller filler(bodyHeight, tableHeadHeight);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        filler.Place(i, blocks[i]);
    return std::move(filler).Pages();
}
