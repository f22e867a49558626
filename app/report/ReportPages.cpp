#include "app/report/ReportPages.h"

#include <algorithm>

namespace {

class TPageFiller {
public:
    TPageFiller(double bodyHeight, double tableHeadHeight)
        : BodyHeight_(bodyHeight), TableHeadHeight_(tableHeadHeight), Pages_(1) {}

    void Place(std::size_t index, const TBlockExtent& block) {
        for (double from = 0;;) {
            const double rest = block.Height - from;
            if (rest <= Room(block)) {
                Put(index, block, from, std::numeric_limits<double>::infinity(), rest);
                return;
            }
            const bool fitsFreshPage = rest + (block.InTable ? TableHeadHeight_ : 0) <= BodyHeight_;
            if (const auto cut =
                    fitsFreshPage ? std::nullopt : LastBreak(block, from, Room(block))) {
                Put(index, block, from, *cut, *cut - from);
                from = *cut;
                NewPage();
            } else if (Pages_.back().Blocks.empty()) {
                Put(index, block, from, std::numeric_limits<double>::infinity(), rest);
                return;
            } else {
                NewPage();
            }
        }
    }

    std::vector<TPageLayout> Pages() && { return std::move(Pages_); }

private:
    double HeadNeeded(const TBlockExtent& block) const {
        return block.InTable && !Pages_.back().TableHeadTop ? TableHeadHeight_ : 0.0;
    }

    double Room(const TBlockExtent& block) const { return BodyHeight_ - Used_ - HeadNeeded(block); }

    // The last break after `from` that leaves at most `room` above it.
    static std::optional<double> LastBreak(const TBlockExtent& block, double from, double room) {
        const auto after = std::upper_bound(block.Breaks.begin(), block.Breaks.end(), from + room);
        if (after == block.Breaks.begin() || *(after - 1) <= from)
            return std::nullopt;
        return *(after - 1);
    }

    void Put(std::size_t index, const TBlockExtent& block, double from, double to, double height) {
        if (HeadNeeded(block) > 0) {
            Pages_.back().TableHeadTop = Used_;
            Used_ += TableHeadHeight_;
        }
        Pages_.back().Blocks.push_back({index, Used_, from, to});
        Used_ += height;
    }

    void NewPage() {
        Pages_.emplace_back();
        Used_ = 0;
    }

    double BodyHeight_;
    double TableHeadHeight_;
    std::vector<TPageLayout> Pages_;
    double Used_ = 0;
};

} // namespace

std::vector<TPageLayout> LayOutPages(const std::vector<TBlockExtent>& blocks, double bodyHeight,
                                     double tableHeadHeight) {
    TPageFiller filler(bodyHeight, tableHeadHeight);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        filler.Place(i, blocks[i]);
    return std::move(filler).Pages();
}
