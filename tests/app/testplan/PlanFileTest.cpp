#include "app/testplan/PlanFile.h"

#include <gtest/gtest.h>

namespace {

struct BadLine {
    const char* line;
    const char* message; // how the message starts after "p.txt:3: "; item lists cut short
};

const BadLine BadLines[] = {
    {"Standart neu", "field \"code\": missing"},
    {"Standard neu; 12345; Ohne Tonruf; Feueralarm",
     "field \"encoder type\": \"Standard neu\" is no encoder type (expected one of \"Standart "
     "neu\", \"Standart alt\","},
    {"standart neu; 1234; Ohne Tonruf; Feueralarm",
     "field \"code\": \"1234\" has 4 characters; Standart  neu needs 5"},
    {"VAMI 1.0; 12345; kein Vorton; kein DT",
     "field \"code\": \"12345\" has 5 characters; VAMI 1.0 needs 10"},
    {"ZUK Geber; 12F45; Ohne Tonruf; Feueralarm",
     "field \"code\": \"12F45\" holds \"F\"; a code holds 0-9 and A-E only"},
    {"Standart neu; 1\x1b"
     "345; Ohne Tonruf; Feueralarm",
     "field \"code\": \"1\\x1B345\" holds \"\\x1B\"; a code holds 0-9 and A-E only"},
    {"Standart alt; 12345; Tonruf 1 kurz; Feueralarm",
     "field \"pre-tone\": \"Tonruf 1 kurz\" is no item Standart alt offers (expected one of "
     "\"Ohne Tonruf\", \"Tonruf I kurz\","},
    {"VAMI 2.0; 1234567890; kein Vorton; Feueralarm",
     "field \"alarm type\": \"Feueralarm\" is no item VAMI 2.0 offers (expected one of \"kein "
     "DT\", \"675+825 (B)\","},
    {"VAMI 1.3; 1234567890; kein Vorton; kein DT", "field \"tape\": missing"},
    {"VAMI 1.4; 1234567890; kein Vorton; kein DT; Tonband an",
     "field \"tape\": \"Tonband an\" is no item VAMI 1.4 offers (expected one of \"Tonband ein\", "
     "\"Tonband aus\")"},
    {"VAMI 1.0; 1234567890; kein Vorton; kein DT; Tonband ein",
     "field \"count\": \"Tonband ein\" is not a whole number from 1 to 9999"},
    {"Standart neu; 12345; Ohne Tonruf; Feueralarm; 0",
     "field \"count\": \"0\" is not a whole number from 1 to 9999"},
    {"Standart neu; 12345; Ohne Tonruf; Feueralarm; 3; 4",
     "field \"count\": the line has 6 fields; Standart  neu takes 5 at most"},
};

TEST(PlanFile, EachBadLineIsNamedAndNoPlanIsGiven) {
    for (const BadLine& bad : BadLines) {
        const TParsedPlan parsed =
            ParseTestPlan("# ok\nStandart  neu; 12345; Ohne Tonruf; Probealarm\n" +
                              std::string(bad.line) + "\r\n",
                          "p.txt");
        EXPECT_FALSE(parsed.Plan) << bad.line;
        ASSERT_EQ(parsed.Messages.size(), 1u) << bad.line;
        EXPECT_TRUE(parsed.Messages[0].starts_with(std::string("p.txt:3: ") + bad.message))
            << parsed.Messages[0];
    }
    EXPECT_EQ(ParseTestPlan("Standart neu\n\nVAMI 1.3\n", "q").Messages.size(), 2u);
    EXPECT_EQ(ParseTestPlan(" # nothing\n", "q").Messages,
              std::vector<std::string>{"q: the plan holds no step"});
}

TEST(PlanFile, GoodFilesGiveTheirSteps) {
    const TParsedPlan parsed =
        ParseTestPlan("\xEF\xBB\xBF"
                      "Standart  neu; 12345; Tonruf I  kurz; Feueralarm; 3  # the example\n"
                      "  vami 1.4 ;1234567890;\xC3\xA4 (3000 hz);675+1240(e);TONBAND AUS\n\n"
                      "\tZUK  Geber;abcde; bandumschaltung ;warten (max 5 sec) weckruf; 12\n",
                      "plan.txt");
    ASSERT_TRUE(parsed.Plan) << parsed.Messages.front();
    EXPECT_EQ(parsed.Plan->Name, "plan.txt");
    EXPECT_EQ(parsed.Plan->Steps, (std::vector<TPlanStep>{{0, "12345", 1, 0, NoItem, 3, false},
                                                          {5, "1234567890", 27, 3, 1, 1, false},
                                                          {2, "abcde", 5, 9, NoItem, 12, false}}));
}

TEST(BuiltInPlans, FollowTheTypesGroups) {
    const TPlanStep standart{0, "12345", 1, 6, NoItem, 1, false};
    const TPlanStep vami{4, "1234567890", 2, 3, 0, 1, false};
    ASSERT_EQ(AllAlarmTypesPlan(standart).Steps.size(), 10u);
    EXPECT_EQ(AllAlarmTypesPlan(standart).Steps[9],
              (TPlanStep{0, "12345", 1, 9, NoItem, 1, false}));
    ASSERT_EQ(AllAlarmTypesPlan(vami).Steps.size(), 6u);
    EXPECT_EQ(AllAlarmTypesPlan(vami).Steps[5], (TPlanStep{4, "1234567890", 2, 5, 0, 1, false}));
    EXPECT_EQ(AllPreTonesPlan(standart).Steps.size(), 10u);
    ASSERT_EQ(AllPreTonesPlan(vami).Steps.size(), 28u);
    EXPECT_EQ(AllPreTonesPlan(vami).Steps[27], (TPlanStep{4, "1234567890", 27, 3, 0, 1, false}));
    EXPECT_EQ(EndurancePlan(vami, 20).Steps[0].Count, 20);
    const TTestPlan fixed = FixedCodesPlan({"@62380@", "1234a "});
    ASSERT_EQ(fixed.Steps.size(), 2u);
    EXPECT_EQ(fixed.Steps[1], (TPlanStep{0, "1234a ", 0, 0, NoItem, 1, true}));
}

} // namespace
