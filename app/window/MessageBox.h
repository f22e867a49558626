#pragma once
// A plain message to the operator: a modal box titled with the application's title, the text
// and one OK button. Returns when the operator closes it; once the program is ending, the text
// goes to stderr instead. GUI thread; never throws.

class QString;

void ShowMessage(const QString& text) noexcept;
