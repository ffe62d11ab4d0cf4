#pragma once
// The main window: the custom countdown's two frames, the preset shutdown
// buttons, the clock line and the notes, under a menu bar of four commands.

#include "platform/forms.h"
#include "platform/click_label.h"
#include "platform/fitting_label.h"
#include "platform/form_names.h"
#include "platform/platform.h"
#include "platform/text_box.h"
#include "schedule/countdown.h"

#include <QLabel>
#include <QPixmap>

#include <memory>

class QAction;
class QGroupBox;
class QMenuBar;
class QPushButton;
class QRadioButton;

namespace app {

// The client area: draws the window's picture and its two rules under the
// controls, and reports the mouse moving over it as the window's MouseMove.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    void setPicture(const platform::Picture& picture);
    const platform::Picture& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    platform::Picture picture_;
};

class MainWindow : public platform::Form {
public:
    static inline const QString kName = platform::names::kMain;
    static inline const QString kTitle = QStringLiteral("<Tolvane> 关机工具 ");
    static inline const QString kClockPrefix = QStringLiteral("<Tolvane>当前时间：");
    // The window's own picture, among the built-in ones.
    static inline const QString kPicture = QStringLiteral("background.jpg");

    MainWindow(platform::Platform& platform, platform::Forms& forms);
    ~MainWindow() override;

    // Controls, named as in the window's design.
    QMenuBar* menuBar = nullptr;
    QAction* 换肤 = nullptr;
    QAction* 留言 = nullptr;
    QAction* 说明 = nullptr;
    QAction* 关于 = nullptr;
    ClientArea* client = nullptr;
    QGroupBox* Frame1 = nullptr;
    platform::TextBox* Text1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command10 = nullptr;
    QLabel* Label1 = nullptr;
    platform::FittingLabel* Label2 = nullptr; // the clock line
    platform::ClickLabel* Label3 = nullptr;
    platform::TextBox* Text2 = nullptr;
    std::unique_ptr<platform::Timer> Timer1;
    std::unique_ptr<platform::Timer> Timer2;
    std::unique_ptr<platform::Timer> ULD;

    // The notification-area icon's record, kept for the whole run (the main
    // window is never unloaded): filled afresh before every add, handed as
    // it stands to every delete.
    platform::TrayRecord TrayRecord;

    // Event handlers.
    void onLoad() override;
    void setPicture(const platform::Picture& picture) override;
    platform::Picture picture() const override;
    void onQueryUnload(bool& cancel) override;
    void onUnload() override;
    void onMouseMove(int button, int shift, float x, float y) override;
    void onCommand5Click();
    void onUldTimer();
    void onText2Change();
    void onText1KeyPress(int& keyCode);
    void onText1Change();
    void onCommand1Click();
    void onTimer1Timer();
    void onTimer2Timer();
    void onLabel3Click();
    void on换肤Click();
    void on关于Click();
    void on说明Click();
    void on留言Click();
    void onCommand2Click();
    void onCommand3Click();
    void onCommand4Click();
    void onCommand6Click();
    void onCommand7Click();
    void onCommand8Click();
    void onCommand9Click();
    void onCommand10Click();

protected:
    // The clock line while nobody can see it: hidden in the tray or
    // minimised, its timer rests; shown again, the line is brought up to the
    // moment before the window appears, and the timer goes on.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    void addTrayIcon();
    void followClock(bool seen);

    platform::Platform& platform_;
    platform::Forms& forms_;
    std::unique_ptr<schedule::Countdown> countdown_;
    qint64 clockSecond_ = -1; // the second the clock line shows
};

} // namespace app
