#include "skin_chooser.h"

#include "platform/design.h"
#include "platform/form_names.h"
#include "platform/twips.h"
#include "skin_store.h"

#include <QGroupBox>

namespace skins {

using platform::place;
using platform::twipsRect;


SkinChooser::SkinChooser(platform::Platform& platform, platform::Forms& forms)
    : Form(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      platform_(platform), forms_(forms)
{
    setObjectName(platform::names::kSkins);
    setWindowTitle(kTitle);
    setWindowIcon(platform::builtInIcon(QStringLiteral("chooser")));
    setFixedSize(platform::twipsSize(3165, 2970));

    Frame1 = place(new QGroupBox(QStringLiteral("皮肤"), this), "Frame1", twipsRect(120, 120, 2895, 1815));
    Option1 = place(new platform::OptionButton(QStringLiteral("星空主题"), Frame1), "Option1",
                    twipsRect(240, 360, 2415, 375));
    Option2 = place(new platform::OptionButton(QStringLiteral("大海主题"), Frame1), "Option2",
                    twipsRect(240, 840, 2175, 375));
    Option3 = place(new platform::OptionButton(QStringLiteral("天空主题"), Frame1), "Option3",
                    twipsRect(240, 1440, 2415, 255));
    Command1 = place(new platform::CommandButton(QStringLiteral("确定"), this), "Command1",
                     twipsRect(120, 2040, 2895, 495));
    Label1 = place(new platform::ClickLabel(QStringLiteral("想要自定义皮肤的点这里。"), this), "Label1",
                   twipsRect(120, 2640, 3015, 255));
    platform::setTextColour(Label1, 0x000000ff); // red
    Label1->setCursor(Qt::PointingHandCursor);

    // Keyboard order; the frame takes no focus, the red hint comes last. The
    // first option takes the focus when the window opens, which selects it.
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, Option3);
    setTabOrder(Option3, Command1);
    setTabOrder(Command1, Label1);
    Option1->setFocus();

    connect(Command1, &QPushButton::clicked, this, [this] { onCommand1Click(); });
    Label1->onClick = [this] { onLabel1Click(); };
}

void SkinChooser::onLoad()
{
    platform::Form& main = forms_.load(platform::names::kMain);
    main.setEnabled(false);
    // Owned by the window it disables, so that a window manager that raises
    // the disabled window when it is clicked cannot bury the chooser under
    // it; modeless in every other way.
    setOwner(main);
}

void SkinChooser::onUnload() { forms_.load(platform::names::kMain).setEnabled(true); }

void SkinChooser::onCommand1Click()
{
    platform_.messages.show(QStringLiteral("现在重新运行程序皮肤不会重置了！"), platform::kOkOnly,
                            QStringLiteral("提示"));
    if (Option1->isChecked())
        choose(kStarrySky);
    if (Option2->isChecked())
        choose(kSea);
    if (Option3->isChecked())
        choose(kBlueSky);
    forms_.unload(platform::names::kSkins);
}

void SkinChooser::choose(const SkinName& skin)
{
    // The picture first, then the file; the user hears what did not work.
    const bool shown = loadSkinPicture(skin, platform_, forms_);
    const bool saved = saveSkin(skin, platform_.files);
    if (shown && saved)
        return;
    const QString picture = skin.pictureFile.mid(1); // without the separator
    QString text;
    if (shown)
        text = QStringLiteral("皮肤已经换上，但是没能写入 %1（%2），下次运行时不会保留。")
                   .arg(kSkinFile, platform_.files.lastError());
    else if (saved)
        text = QStringLiteral("没能换上皮肤：图片 %1 无法读取。").arg(picture);
    else
        text = QStringLiteral("没能换上皮肤：图片 %1 无法读取；也没能写入 %2（%3）。")
                   .arg(picture, kSkinFile, platform_.files.lastError());
    platform_.messages.show(text, platform::kCritical, QStringLiteral("错误"));
}

void SkinChooser::onLabel1Click()
{
    platform_.messages.show(
        QStringLiteral("如果你想使用自己的图片作为皮肤，那么可以将自己的皮肤替换成同个文件夹下的图片"),
        platform::kInformation, QStringLiteral("自定义换肤"));
}

} // namespace skins
