#pragma once
// The one other line the program hands to the host: "cmd.exe /c start "
// followed by a web address, which on Windows opens it in the user's
// browser. On Linux the line is read here and the address is opened with
// the desktop's default browser, never through a shell.

#include <QString>
#include <QUrl>

#include <optional>

namespace platform {

inline const QString kStartPrefix = QStringLiteral("cmd.exe /c start ");

// Whether the line is meant as the start form (begins "cmd.exe /c start").
bool looksLikeStartLine(const QString& line);

// Accepts exactly "cmd.exe /c start " and one http:// or https:// address
// with a host, made only of the characters a plain address needs: no
// spaces, quotes, or the characters a command interpreter acts on (& | ; $
// ( ) < > ^ ` \ and the like), no second word. On refusal returns nothing
// and, when `why` is given, says why.
std::optional<QUrl> parseStartLine(const QString& line, QString* why = nullptr);

} // namespace platform
