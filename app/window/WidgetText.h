#pragma once
// Bytes and texts between the window's controls and the line.
//
// Telegram bytes and code-list entries are 8-bit byte strings; a control shows them decoded as
// Latin-1 and its text goes back as Latin-1, so every byte 0x00-0xFF round-trips (characters
// outside Latin-1, which only pasting can bring in, become '?'). GUI thread.

#include <QString>
#include <string>
#include <string_view>

class QComboBox;

std::string Latin1Bytes(const QString& text);
QString FromLatin1Bytes(std::string_view bytes);

// The item a combo box stands on, or -1 once the operator has typed a text that is not that
// item's: Qt would still report the last chosen item.
int SelectedItemIndex(const QComboBox& box);
