#pragma once
// The program's fixed texts about itself, and the two addresses it knows.

#include <QString>

namespace info {

// The program's own version.
inline const QString kVersion = QStringLiteral("4.5.0");

// The notes on this version: the main window's red note and the about
// window's notes are this one text.
inline const QString kVersionNotes =
    QStringLiteral("V4.5.0：新增换肤。预设按钮由系统计时，关掉本工具也会按时关机。");

inline const QString kPortableEdition = QStringLiteral("绿色免安装版");
inline const QString kCredit = QStringLiteral("制作者：Tolvane");
// The maker's contact, on the splash window.
inline const QString kContact = QStringLiteral("联系：example.org");

// The addresses are under example.org, a domain reserved for examples
// (RFC 2606): no stranger's server gets the users' requests.
//
// The forum's front page, with the referring member's number.
inline const QString kForumAddress = QStringLiteral("http://bbs.example.org/?fromuid=10001");
// The update notice: a host and "/gx.txt", without a scheme.
inline const QString kUpdateAddress = QStringLiteral("update.example.org/gx.txt");

} // namespace info
