// The yardsticks for the program's start-up: an empty Qt 6 window of the
// main window's size, started the same way; with --label, the same window
// with one line of Chinese text (the first Chinese text a program draws
// costs it the font database, the CJK face and its glyphs).

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(246, 298);
    if (QApplication::arguments().contains(QStringLiteral("--label")))
        (new QLabel(QStringLiteral("换肤功能正式开启！！！！"), &window))->move(10, 10);
    window.show();
    return QApplication::exec();
}
