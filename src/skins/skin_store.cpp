#include "skin_store.h"

#include "platform/form_names.h"

namespace skins {

namespace {

constexpr int kFileNumber = 1;

} // namespace

std::optional<QString> readStoredSkin(platform::SequentialFiles& files)
{
    if (!files.open(kSkinFile, platform::FileMode::Input, kFileNumber))
        return std::nullopt;
    std::optional<QString> name = files.inputField(kFileNumber);
    files.close(kFileNumber);
    return name;
}

void applySkin(const QString& text, platform::Platform& platform, platform::Forms& forms)
{
    // Three separate tests, in this order; the names differ, so at most one
    // matches.
    if (text == kStarrySky.name)
        loadSkinPicture(kStarrySky, platform, forms);
    if (text == kBlueSky.name)
        loadSkinPicture(kBlueSky, platform, forms);
    if (text == kSea.name)
        loadSkinPicture(kSea, platform, forms);
}

bool loadSkinPicture(const SkinName& skin, platform::Platform& platform, platform::Forms& forms)
{
    const std::optional<platform::Picture> picture = platform.pictures.load(platform.folder.path() + skin.pictureFile);
    if (!picture)
        return false;
    forms.load(platform::names::kMain).setPicture(*picture);
    return true;
}

bool saveSkin(const SkinName& skin, platform::SequentialFiles& files)
{
    if (!files.open(kSkinFile, platform::FileMode::Output, kFileNumber))
        return false;
    const bool printed = files.print(kFileNumber, skin.name);
    const bool closed = files.close(kFileNumber);
    return printed && closed;
}

} // namespace skins
