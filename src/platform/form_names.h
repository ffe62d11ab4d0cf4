#pragma once
// The global names the program's windows are known by in the registry.

#include <QString>

namespace platform::names {

inline const QString kMain = QStringLiteral("main");    // the main window
inline const QString kSplash = QStringLiteral("HY");    // the splash window
inline const QString kAbout = QStringLiteral("GY");     // the about window
inline const QString kSkins = QStringLiteral("Form1");  // the skin chooser
inline const QString kUpdate = QStringLiteral("Form2"); // the update check

} // namespace platform::names
