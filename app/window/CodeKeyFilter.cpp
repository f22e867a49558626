#include "app/window/CodeKeyFilter.h"

#include <QKeyEvent>

std::optional<char32_t> TypedCharacter(const QKeyEvent& event) {
    const int key = event.key();
    const bool control = event.modifiers().testFlag(Qt::ControlModifier);
    if (key == Qt::Key_Backspace)
        return control ? char32_t{0x7F} : char32_t{0x08};
    if (control && key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<char32_t>(key - Qt::Key_A + 1);
    // Tab moves the focus before any field sees it; Delete carries DEL as its text on some
    // platforms, but it edits rather than types.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete)
        return std::nullopt;
    const QString text = event.text();
    if (text.isEmpty())
        return std::nullopt;
    return text.toUcs4().value(0);
}
