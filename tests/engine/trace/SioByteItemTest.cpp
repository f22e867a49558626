#include "serial/engine/trace/SioByteItem.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

struct TItemCase {
    std::uint8_t Byte;
    bool Hex;
    bool AllHex;
    const char* Text;
};

void PrintTo(const TItemCase& c, std::ostream* out) {
    *out << "byte " << int(c.Byte) << (c.Hex ? " hex" : "") << (c.AllHex ? " all-hex" : "");
}

// The printable boundaries move with the hex flag; widths are the text lengths.
const TItemCase ItemCases[] = {
    {0x41, true, false, "A"},     {0x41, false, false, "A"},     {0x41, true, true, "[41]"},
    {0x41, false, true, "[41]"},  {0x20, false, false, " "},     {0x20, true, false, "[20]"},
    {0x21, true, false, "!"},     {0x7E, true, false, "~"},      {0x7E, false, false, "~"},
    {0x7F, true, false, "[7F]"},  {0x7F, false, false, "[127]"}, {0x1F, false, false, "[31]"},
    {0x06, true, false, "[06]"},  {0x06, false, false, "[6]"},   {0x00, false, false, "[0]"},
    {0x09, false, false, "[9]"},  {0x0A, false, false, "[10]"},  {27, false, false, "[27]"},
    {128, false, false, "[128]"}, {0xFF, false, false, "[255]"}, {0xFF, true, false, "[FF]"},
    {0xAB, false, true, "[AB]"},  {0x0F, true, false, "[0F]"},
};

class SioByteItemTest : public testing::TestWithParam<TItemCase> {};

TEST_P(SioByteItemTest, RendersTextWithItsWidth) {
    const TItemCase& c = GetParam();
    const TSioByteItem item = TSioByteItem::Render(c.Byte, c.Hex, c.AllHex);
    EXPECT_EQ(item.Text(), c.Text);
    EXPECT_EQ(item.Width(), std::string_view(c.Text).size());
}

INSTANTIATE_TEST_SUITE_P(Table, SioByteItemTest, testing::ValuesIn(ItemCases));

TEST(SioByteItemPlainTest, AnyByteIsOneCharacter) {
    for (const std::uint8_t byte : {0x00, 0x0D, 0x41, 0xFF}) {
        const TSioByteItem item = TSioByteItem::Plain(byte);
        ASSERT_EQ(item.Width(), 1u);
        EXPECT_EQ(static_cast<std::uint8_t>(item.Text()[0]), byte);
    }
}

} // namespace
