#pragma once
// The skins: three background pictures for the main window, the name of the
// chosen one kept in "skin.txt" in the working folder, and the rules that
// read, apply and save it.

#include "platform/forms.h"
#include "platform/platform.h"

#include <QString>

#include <optional>

namespace skins {

// A skin's name and the file name of its picture in the program's folder,
// in the runtime's form (appended to the folder as it is).
struct SkinName {
    QString name;
    QString pictureFile;
};

inline const SkinName kStarrySky{QStringLiteral("星空"), QStringLiteral("\\星空.jpg")};
inline const SkinName kBlueSky{QStringLiteral("天空"), QStringLiteral("\\天空.jpg")};
inline const SkinName kSea{QStringLiteral("大海"), QStringLiteral("\\大海.jpg")};

// The file that keeps the chosen skin, in the current working folder.
inline const QString kSkinFile = QStringLiteral("skin.txt");

// Reading the stored skin: the first field of "skin.txt". Nothing when the
// file is missing, empty, no regular file or no text in the code page.
std::optional<QString> readStoredSkin(platform::SequentialFiles& files);

// Applying the skin (on every change of the main window's Text2): puts the
// picture of the skin `text` names on the main window; a text that names no
// skin, exactly, changes nothing.
void applySkin(const QString& text, platform::Platform& platform, platform::Forms& forms);

// Loading a skin picture: the program's folder, then the skin's picture
// file, as the main window's Picture. A picture that cannot be loaded leaves
// the main window's picture as it was; returns whether it was set.
bool loadSkinPicture(const SkinName& skin, platform::Platform& platform, platform::Forms& forms);

// Saving the skin: "skin.txt" replaced by the one line naming it. Returns
// false, with the reason in the files' lastError(), when it could not be
// written; the file is then as it was.
bool saveSkin(const SkinName& skin, platform::SequentialFiles& files);

} // namespace skins
