#include "app/fixedcodes/FixedSequence.h"

#include <gtest/gtest.h>

namespace {

struct TStepCase {
    int Selected;
    int Count;
    int Next;
    bool Ended;
};

// Test names show the case, not its bytes.
void PrintTo(const TStepCase& c, std::ostream* os) {
    *os << "entry " << c.Selected << " of " << c.Count;
}

class FixedSequenceTest : public testing::TestWithParam<TStepCase> {};

TEST_P(FixedSequenceTest, Steps) {
    const TStepCase& c = GetParam();
    const TFixedStep step = NextFixedStep(c.Selected, c.Count);
    EXPECT_EQ(step.NextIndex, c.Next);
    EXPECT_EQ(step.PassEnded, c.Ended);
}

INSTANTIATE_TEST_SUITE_P(Passes, FixedSequenceTest,
                         testing::Values(TStepCase{0, 3, 1, false}, TStepCase{1, 3, 2, false},
                                         TStepCase{2, 3, 0, true}, TStepCase{-1, 3, 0, false},
                                         TStepCase{0, 1, 0, true}, TStepCase{-1, 0, 0, true},
                                         TStepCase{5, 3, 0, true}));

} // namespace
