// The yardsticks for the program's start-up and idle cost: an empty Qt 6
// window of the main window's size, started the same way; with --label, the
// same window with one line of Chinese text (the first Chinese text a
// program draws costs it the font database, the CJK face and its glyphs);
// with --clock, the same window with a clock label rewritten every 30 ms
// (its text set only when it changes), what the program's clock line is.

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(246, 298);
    if (QApplication::arguments().contains(QStringLiteral("--label")))
        (new QLabel(QStringLiteral("换肤功能正式开启！！！！"), &window))->move(10, 10);
    if (QApplication::arguments().contains(QStringLiteral("--clock"))) {
        auto* clock = new QLabel(&window);
        clock->setGeometry(0, 200, 246, 17);
        auto* timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, clock, [clock] {
            const QString text = QDateTime::currentDateTime().toString(QStringLiteral("yyyy/M/d HH:mm:ss"));
            if (text != clock->text())
                clock->setText(text);
        });
        timer->start(30);
    }
    window.show();
    return QApplication::exec();
}
