#pragma once
// Where the window remembers its choices between runs (~/.config/Quorvane/Quorvane.conf).
// GUI thread.

#include <QSettings>

inline QSettings ProgramSettings() {
    return QSettings(QStringLiteral("Quorvane"), QStringLiteral("Quorvane"));
}
