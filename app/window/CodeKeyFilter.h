#pragma once
// What a key press types into a single-line field, in the terms of the code field's key filter.
//
// TypedCharacter returns std::nullopt for keys that type nothing (arrows, Tab, Delete, Home, End,
// bare modifiers): those keep their usual editing effect. A key with Ctrl held types its control
// character (Ctrl+V types 0x16), so shortcuts pass through the same filter as any typed
// character. Pure function on the event's values; GUI thread (it reads a QKeyEvent).

#include <optional>

class QKeyEvent;

std::optional<char32_t> TypedCharacter(const QKeyEvent& event);
