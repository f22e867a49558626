#include "app/options/ItemTextMatch.h"

#include "app/options/OptionGroupItems.h"

#include <gtest/gtest.h>

namespace {

TEST(ItemTextMatch, TypedTextsNameTheirItemInAnyCaseAndSpacing) {
    const std::vector<std::string> umlautItems{"kein Vorton", "\xC3\xA4 (3000  Hz)"};
    const struct {
        const char* typed;
        const std::vector<std::string>& items;
        const char* item; // nullptr: names none
    } cases[] = {
        {"Tonruf I  kurz", FiveCharPreToneItems(), "Tonruf I  kurz"},
        {"tonruf i kurz", FiveCharPreToneItems(), "Tonruf I  kurz"},
        {" TONRUF\tII   lang und  bandumschaltung ", FiveCharPreToneItems(),
         "Tonruf II lang und Bandumschaltung"},
        {"warten (MAX 5 sec) weckruf", AlarmTypeItems(), "Warten (max 5 sec) Weckruf"},
        {"\xC3\x84 (3000 hz)", umlautItems, "\xC3\xA4 (3000  Hz)"}, // Ä for ä
        {"Tonruf 1 kurz", FiveCharPreToneItems(), nullptr},
        {"Tonruf I", FiveCharPreToneItems(), nullptr},
        {"Tonruf Ikurz", FiveCharPreToneItems(), nullptr},
        {"feueralarm!", AlarmTypeItems(), nullptr},
        {"", AlarmTypeItems(), nullptr},
        {"\xC3\x97", {"\xC3\xB7"}, nullptr}, // the multiplication sign is no capital of ÷
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchItemText(c.typed, c.items),
                  c.item ? std::optional<std::string>(c.item) : std::nullopt)
            << c.typed;
    EXPECT_EQ(ItemTextList({"Tonruf I  kurz", "Ohne Tonruf"}),
              "\"Tonruf I kurz\", \"Ohne Tonruf\"");
}

} // namespace
