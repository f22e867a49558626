#pragma once
// The stored layouts name the fonts of another desktop ("MS Sans Serif", "Courier New"). On
// Linux they are mapped by name onto metric-compatible families (Debian fonts-liberation2), so
// every control keeps the bounds its captions were measured for; the generic fallback is about
// 15 % wider and cuts captions.
//
// Installs process-wide font substitutions; a family that is not installed leaves Qt's usual
// fallback in place. GUI thread, after the application object exists, before any window.

void InstallLayoutFontSubstitutes();
