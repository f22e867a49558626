// The message table: order, the rows the layer and the dispatch log need, and the lookup.

#include "serial/engine/errors/SioMessageTable.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string_view>

namespace {

TEST(SioMessageTableTest, StrictlyAscendingByMagnitudeAndStartsWithOk) {
    const auto rows = MessageTable();
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().Code, 0);
    EXPECT_EQ(rows.front().Text, "OK");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_LT(std::abs(rows[i - 1].Code), std::abs(rows[i].Code)) << "row " << i;
    }
}

TEST(SioMessageTableTest, EveryRowIsFoundByItsMagnitude) {
    for (const TSioMessageRow& row : MessageTable()) {
        EXPECT_EQ(MessageTableText(std::abs(row.Code)), row.Text) << row.Code;
    }
}

TEST(SioMessageTableTest, MagnitudesWithoutRowGiveEmptyText) {
    for (const int magnitude :
         {1, 7, 31, 163, 1000, 1010, 2013, 4009, 15000, 15022, 15100, 15743, 32768, 99999}) {
        EXPECT_TRUE(MessageTableText(magnitude).empty()) << magnitude;
    }
}

TEST(SioMessageTableTest, RowCountsPerRange) {
    struct TRange {
        int First, Last;
        int Rows;
    };
    const TRange ranges[] = {{0, 162, 28},       {1001, 1009, 9},   {2001, 2012, 12},
                             {3001, 3010, 10},   {5001, 5003, 3},   {15001, 15021, 21},
                             {15101, 15119, 19}, {15501, 15502, 2}, {15601, 15608, 8},
                             {15700, 15742, 43}};
    for (const TRange& range : ranges) {
        int found = 0;
        for (int m = range.First; m <= range.Last; ++m) {
            found += MessageTableText(m).empty() ? 0 : 1;
        }
        EXPECT_EQ(found, range.Rows) << range.First << " ... " << range.Last;
    }
}

TEST(SioMessageTableTest, DispatchLogNames) {
    struct TNamedRow {
        int Code;
        std::string_view Text;
    };
    const TNamedRow rows[] = {
        {15001, "No event"},
        {15002, "Dispatch"},
        {15021, "Script"},
        {15101, "ReadCom"},
        {15102, "WriteCom"},
        {15105, "Avail"},
        {15116, "Avail"},
        {15117, "Window"},
        {15119, "Method"},
        {15501, "Time      Type      SubType       Data      OtherData"},
        {15502, "--------  --------  ------------  --------  ---------"},
        {15601, "DCTS "},
        {15605, "CTS "},
        {15607, "RI "},
        {15608, "DCD "},
        {15700, "Binary"},
        {15701, "Echo"},
        {15742, "Character Set"},
    };
    for (const TNamedRow& row : rows) {
        EXPECT_EQ(MessageTableText(row.Code), row.Text) << row.Code;
    }
}

TEST(SioMessageTableTest, ModemBitNamesEndInExactlyOneSpace) {
    for (int bit = 0; bit < 8; ++bit) {
        const std::string_view name = MessageTableText(mtModemBitNameBase + bit);
        ASSERT_GE(name.size(), 2U);
        EXPECT_EQ(name.back(), ' ');
        EXPECT_NE(name[name.size() - 2], ' ');
    }
}

TEST(SioMessageTableTest, NoRowIsEmptyOrLongerThan255) {
    for (const TSioMessageRow& row : MessageTable()) {
        EXPECT_FALSE(row.Text.empty()) << row.Code;
        EXPECT_LE(row.Text.size(), 255U) << row.Code;
    }
}

} // namespace
