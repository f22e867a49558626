#pragma once
// The report's texts broken into lines, in time linear in the text's length however long it is
// and whether or not it has blanks: a line ends at a line break (LF, CR LF or CR alone), else
// after the last word that fits, else (a word wider than the line) after the last character that
// fits. And a text too long for a signed report shortened visibly, never silently.
//
// Pure; any thread; never throws beyond std::bad_alloc. Texts are UTF-8; a byte that is no part
// of a character counts as one character.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TLineSpan {
    std::size_t Begin = 0; // bytes of the text, the line break left out
    std::size_t End = 0;

    bool operator==(const TLineSpan&) const = default;
};

// How wide a character is drawn, in the unit of `width`.
using TCharAdvance = std::function<double(char32_t)>;

// At least one line, also for an empty text; blanks at a line's end may reach past `width`.
std::vector<TLineSpan> WrapLines(std::string_view text, double width, const TCharAdvance& advance);

// The text itself when it has at most `maxChars` characters; else its first `maxChars` and
// "… (gekürzt, N Zeichen)", N the characters left out.
std::string ShortenedText(std::string_view text, std::size_t maxChars);
