#pragma once
// Text in a picture needs Qt's font database, and that needs a QGuiApplication, which without a
// display aborts the process on the usual platforms. A command that draws pictures but shows no
// window makes its application on the offscreen platform (unless QT_QPA_PLATFORM names another),
// so it runs over ssh, in a script or under cron. The application sees only the program's name,
// never the command's own arguments. Qt's own remarks are kept off standard error; its errors
// reach it with the program's name.
//
// Main thread, once; keep the result alive while drawing.

#include <QGuiApplication>
#include <memory>

std::unique_ptr<QGuiApplication> StartFontsWithoutWindow(const char* programName);
