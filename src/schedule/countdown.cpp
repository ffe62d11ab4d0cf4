#include "countdown.h"

#include "count_text.h"
#include "shutdown_commands.h"

#include <QLocale>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace schedule {

namespace {

constexpr qsizetype kMaxLength = 7;
const QString kErrorTitle = QStringLiteral("错误");

} // namespace

Countdown::Countdown(Controls controls, platform::MessageBox& messages, platform::Shell& shell)
    : c_(controls), messages_(messages), shell_(shell), decimalPoint_(QLocale().decimalPoint().front())
{
}

std::optional<double> Countdown::count() const { return readCount(c_.seconds.text(), decimalPoint_); }

void Countdown::error(const QString& prompt) { messages_.show(prompt, platform::kCritical, kErrorTitle); }

void Countdown::onText1KeyPress(int& keyCode)
{
    const bool digit = keyCode >= '0' && keyCode <= '9';
    if (!digit && keyCode != 8)
        keyCode = 0;
}

void Countdown::onText1Change()
{
    // Length rule; setting "60" runs this rule again, nested, before we go on.
    if (c_.seconds.text().size() > kMaxLength) {
        {
            QScopedValueRollback open(lengthMessageOpen_, true);
            error(QStringLiteral("输入的数字过大"));
        }
        c_.seconds.setText(QStringLiteral("60"));
    }

    // Zero rule, one test per mode, each reading the box afresh.
    if (count() == 0.0 && c_.shutDown.isChecked()) {
        issue(shell_, kCountdownShutdown);
        c_.tick.setEnabled(false);
    }
    if (count() == 0.0 && c_.restart.isChecked()) {
        issue(shell_, kCountdownRestart);
        c_.tick.setEnabled(false);
    }
}

void Countdown::onCommand1Click()
{
    if (!c_.shutDown.isChecked() && !c_.restart.isChecked())
        error(QStringLiteral("请选择模式"));
    else
        c_.tick.setEnabled(true); // a running count simply goes on
    if (c_.seconds.text().isEmpty())
        error(QStringLiteral("请输入正确的时间！"));
}

void Countdown::onTimer1Timer()
{
    // While the "too large" message waits for the user, the box still holds
    // the text it complained about; ticking on would stack one message a
    // second. The count goes on once the box has been reset.
    if (lengthMessageOpen_)
        return;
    // A box that reads as no number (emptied, or pasted over) is left alone;
    // the count stays armed and goes on from the next number typed.
    const std::optional<double> seconds = count();
    if (!seconds)
        return;
    c_.seconds.setText(writeCount(*seconds - 1, decimalPoint_));
}

} // namespace schedule
