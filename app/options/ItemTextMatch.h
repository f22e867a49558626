#pragma once
// Matching a typed text against an option group's item texts, the way a user types them on a
// command line or in a plan: ASCII letters in either case, any run of blanks as one space,
// blanks at either end ignored; every other byte as it is. "tonruf i kurz" is the item
// "Tonruf I  kurz"; "Tonruf 1 kurz" is none.
//
// Pure functions; any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The key two texts share when they match: lower case, blanks folded and trimmed.
std::string FoldedItemText(std::string_view text);

// The item the typed text names, as the list spells it; nothing when it names none.
std::optional<std::string> MatchItemText(std::string_view typed,
                                         const std::vector<std::string>& items);

// The items as a user may type them, blanks folded, quoted and joined: "\"A\", \"B c\"".
std::string ItemTextList(const std::vector<std::string>& items);
