// What quorvane-tones prints of how certain the decoder was of a sequence.

#include "app/tonescli/HeardFormat.h"

#include <gtest/gtest.h>
#include <utility>

TEST(HeardFormat, AGuessNeverReadsAsACode) {
    THeardSignal guess;
    guess.Digits = "12";
    guess.Tones = {{'1', 1060.0, 0.0, 0.07, 0.0}, {'2', 1160.0, 0.07, 0.07, 0.0}};
    guess.ConfidenceDb = 3.04;
    guess.Certain = false;
    const std::pair<bool, const char*> cases[] = {
        {false, "sequence unsicher (12?) (ZVEI1), "},
        {false, " Hz, confidence 3.0 dB"},
        {true, "}],\"confidence_db\":3.0,\"certain\":false}"},
    };
    for (const auto& [json, part] : cases)
        EXPECT_NE(FormatHeard(guess, TToneStandard::Zvei1, json).find(part), std::string::npos);
}
