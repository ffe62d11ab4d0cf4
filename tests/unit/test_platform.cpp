// Platform layer: how shutdown lines become logind calls, what the desktop
// is told of a pending shutdown, the general date text and the local time,
// and the text box's change and key events.

#include "platform/host/general_date.h"
#include "platform/host/local_time.h"
#include "platform/host/linux/shutdown_line.h"
#include "platform/host/linux/shutdown_warnings.h"
#include "platform/host/linux/start_line.h"
#include "platform/text_box.h"
#include "platform/twips.h"

#include <QDBusArgument>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <ctime>
#include <limits>

using namespace platform;

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void acceptedLinesMapToRequests_data();
    void acceptedLinesMapToRequests();
    void refusedLines_data();
    void refusedLines();
    void scheduleCallCarriesTypeAndAbsoluteMicroseconds();
    void cancelCallHasNoArguments();
    void scheduledShutdownReadsNothingPending_data();
    void scheduledShutdownReadsNothingPending();
    void warningsComeTenMinutesAndOneMinuteBefore_data();
    void warningsComeTenMinutesAndOneMinuteBefore();
    void noticeTextsNameTheActionAndLocalTime_data();
    void noticeTextsNameTheActionAndLocalTime();
    void startLineOpensOnePlainAddress_data();
    void startLineOpensOnePlainAddress();
    void startLineRefusesAnythingElse_data();
    void startLineRefusesAnythingElse();

    void generalDateText_data();
    void generalDateText();
    void longTimeFormatLosesOnlyTheZone();
    void localTimeFollowsAZoneSetMeanwhile();

    void twipsConvertAtFifteenPerPixel();

    void textBoxRaisesChangeForEverySet();
    void textBoxChangeRunsNestedInsideSetText();
    void textBoxKeyFilterSeesTypedCharactersOnly();
};

void TestPlatform::acceptedLinesMapToRequests_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("type");
    QTest::addColumn<uint>("seconds");
    const int schedule = int(ShutdownRequest::Kind::Schedule);
    for (const uint n : {0u, 3u, 60u, 1800u, 3600u, 7200u, 10800u, 18000u})
        QTest::addRow("-s -t %u", n) << QStringLiteral("cmd.exe /c shutdown -s -t %1").arg(n) << schedule
                                     << "poweroff" << n;
    QTest::newRow("-r -t 3") << "cmd.exe /c shutdown -r -t 3" << schedule << "reboot" << 3u;
    QTest::newRow("largest delay") << "cmd.exe /c shutdown -s -t 315360000" << schedule << "poweroff" << 315360000u;
    QTest::newRow("leading zeros") << "cmd.exe /c shutdown -s -t 0060" << schedule << "poweroff" << 60u;
    QTest::newRow("-a") << "cmd.exe /c shutdown -a" << int(ShutdownRequest::Kind::Cancel) << "" << 0u;
}

void TestPlatform::acceptedLinesMapToRequests()
{
    QFETCH(QString, line);
    QFETCH(int, kind);
    QFETCH(QString, type);
    QFETCH(uint, seconds);
    const auto request = parseShutdownLine(line);
    QVERIFY(request);
    QCOMPARE(int(request->kind), kind);
    QCOMPARE(request->type, type);
    QCOMPARE(request->seconds, seconds);
}

void TestPlatform::refusedLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("empty") << "";
    QTest::newRow("no cmd.exe") << "shutdown -s -t 60";
    QTest::newRow("other program") << "cmd.exe /c start http://example.org/";
    QTest::newRow("other switch") << "cmd.exe /c shutdown -h";
    QTest::newRow("log off") << "cmd.exe /c shutdown -l";
    QTest::newRow("missing number") << "cmd.exe /c shutdown -s -t";
    QTest::newRow("empty number") << "cmd.exe /c shutdown -s -t ";
    QTest::newRow("negative") << "cmd.exe /c shutdown -s -t -5";
    QTest::newRow("plus sign") << "cmd.exe /c shutdown -s -t +5";
    QTest::newRow("fraction") << "cmd.exe /c shutdown -s -t 1.5";
    QTest::newRow("too large") << "cmd.exe /c shutdown -s -t 315360001";
    QTest::newRow("far too large") << "cmd.exe /c shutdown -s -t 99999999999999999999";
    QTest::newRow("extra word") << "cmd.exe /c shutdown -s -t 60 now";
    QTest::newRow("abort with extra word") << "cmd.exe /c shutdown -a -t 5";
    QTest::newRow("double space") << "cmd.exe /c shutdown  -s -t 60";
    QTest::newRow("trailing space") << "cmd.exe /c shutdown -a ";
    QTest::newRow("upper case") << "CMD.EXE /C SHUTDOWN -S -T 60";
    QTest::newRow("semicolon") << "cmd.exe /c shutdown -s -t 60;reboot";
    QTest::newRow("ampersand") << "cmd.exe /c shutdown -s -t 60 & rm -rf /";
    QTest::newRow("substitution") << "cmd.exe /c shutdown -s -t $(id)";
    QTest::newRow("pipe") << "cmd.exe /c shutdown -a|true";
    QTest::newRow("full-width digits") << QStringLiteral("cmd.exe /c shutdown -s -t ６０");
    QTest::newRow("tab") << "cmd.exe /c shutdown -s -t\t60";
}

void TestPlatform::refusedLines()
{
    QFETCH(QString, line);
    QString why;
    QVERIFY(!parseShutdownLine(line, &why));
    QVERIFY2(!why.isEmpty(), "a refusal says why");
}

void TestPlatform::scheduleCallCarriesTypeAndAbsoluteMicroseconds()
{
    const std::uint64_t now = 1'700'000'000'123'456ull;
    const QDBusMessage call = logindCall({ShutdownRequest::Kind::Schedule, "reboot", 3600}, now);
    QCOMPARE(call.service(), QStringLiteral("org.freedesktop.login1"));
    QCOMPARE(call.path(), QStringLiteral("/org/freedesktop/login1"));
    QCOMPARE(call.interface(), QStringLiteral("org.freedesktop.login1.Manager"));
    QCOMPARE(call.member(), QStringLiteral("ScheduleShutdown"));
    QVERIFY(call.isInteractiveAuthorizationAllowed());
    const QList<QVariant> args = call.arguments();
    QCOMPARE(args.size(), 2);
    QCOMPARE(args[0].toString(), QStringLiteral("reboot"));
    QCOMPARE(args[1].metaType(), QMetaType::fromType<qulonglong>());
    QCOMPARE(args[1].toULongLong(), now + 3600ull * 1'000'000ull);

    // "now" means the present moment, not the epoch.
    const QDBusMessage immediate = logindCall(*parseShutdownLine("cmd.exe /c shutdown -s -t 0"), now);
    QCOMPARE(immediate.arguments().at(1).toULongLong(), now);
}

void TestPlatform::cancelCallHasNoArguments()
{
    const QDBusMessage call = logindCall(*parseShutdownLine("cmd.exe /c shutdown -a"), 42);
    QCOMPARE(call.member(), QStringLiteral("CancelScheduledShutdown"));
    QVERIFY(call.arguments().isEmpty());
    QVERIFY(call.isInteractiveAuthorizationAllowed());
}

void TestPlatform::scheduledShutdownReadsNothingPending_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<qulonglong>("usec");
    QTest::addColumn<bool>("pending");
    const qulonglong t = 1772744400000000; // 2026-03-05 21:00 UTC
    QTest::newRow("poweroff") << "poweroff" << t << true;
    QTest::newRow("reboot") << "reboot" << t << true;
    QTest::newRow("halt") << "halt" << t << true;
    QTest::newRow("nothing, as logind says it") << "" << std::numeric_limits<qulonglong>::max() << false;
    QTest::newRow("nothing, as older ones say it") << "" << 0ull << false;
    QTest::newRow("a type without a time") << "poweroff" << 0ull << false;
    QTest::newRow("a type with no end") << "poweroff" << std::numeric_limits<qulonglong>::max() << false;
    QTest::newRow("a time without a type") << "" << t << false;
    QTest::newRow("dry run: only terminals are told") << "dry-poweroff" << t << false;
    QTest::newRow("dry reboot") << "dry-reboot" << t << false;
}

void TestPlatform::scheduledShutdownReadsNothingPending()
{
    QFETCH(QString, type);
    QFETCH(qulonglong, usec);
    QFETCH(bool, pending);
    const std::optional<PendingShutdown> read = pendingShutdown(type, usec);
    QCOMPARE(read.has_value(), pending);
    if (pending)
        QCOMPARE(*read, (PendingShutdown{type, usec}));
    // Anything but logind's "(st)" structure reads as nothing pending.
    QVERIFY(!readScheduledShutdown(QVariant(QStringLiteral("poweroff"))));
    QVERIFY(!readScheduledShutdown(QVariant()));
}

void TestPlatform::warningsComeTenMinutesAndOneMinuteBefore_data()
{
    QTest::addColumn<qint64>("leftMs");
    QTest::addColumn<int>("stage");
    QTest::addColumn<qint64>("nextBeforeMs"); // the next stage, before the shutdown; -1 for none
    QTest::newRow("an hour") << 3600000ll << int(ShutdownStage::Far) << 600000ll;
    QTest::newRow("just over 10 minutes") << 600001ll << int(ShutdownStage::Far) << 600000ll;
    QTest::newRow("10 minutes") << 600000ll << int(ShutdownStage::TenMinutes) << 60000ll;
    QTest::newRow("61 s") << 61000ll << int(ShutdownStage::TenMinutes) << 60000ll;
    QTest::newRow("1 minute") << 60000ll << int(ShutdownStage::OneMinute) << -1ll;
    QTest::newRow("3 s") << 3000ll << int(ShutdownStage::OneMinute) << -1ll;
    QTest::newRow("now") << 0ll << int(ShutdownStage::Due) << -1ll;
    QTest::newRow("past, slept through") << -5000ll << int(ShutdownStage::Due) << -1ll;
}

void TestPlatform::warningsComeTenMinutesAndOneMinuteBefore()
{
    QFETCH(qint64, leftMs);
    QFETCH(int, stage);
    QFETCH(qint64, nextBeforeMs);
    const std::uint64_t when = 1772744400000000;
    const std::uint64_t now = std::uint64_t(qint64(when) - leftMs * 1000);
    QCOMPARE(int(shutdownStage(when, now)), stage);
    const std::optional<std::uint64_t> next = nextStageUsec(when, now);
    if (nextBeforeMs < 0) {
        QVERIFY(!next);
    } else {
        QVERIFY(next);
        QCOMPARE(*next, when - std::uint64_t(nextBeforeMs) * 1000);
        QVERIFY(*next >= now); // never a moment already past
    }
}

void TestPlatform::noticeTextsNameTheActionAndLocalTime_data()
{
    // TZ=UTC for the unit tests. Now is 2026-03-05 21:00:00.
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("scheduled");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("cancelled");
    QTest::newRow("today") << "poweroff" << "2026-03-05T21:45:30" << "将于 21:45 关机"
                           << "将于 21:45 关机\n还有 45 分钟，请保存正在进行的工作。"
                           << "原定于 21:45 的关机已取消";
    QTest::newRow("ten minutes") << "poweroff" << "2026-03-05T21:10:00" << "将于 21:10 关机"
                                 << "将于 21:10 关机\n还有 10 分钟，请保存正在进行的工作。"
                                 << "原定于 21:10 的关机已取消";
    QTest::newRow("one minute, to the second") << "poweroff" << "2026-03-05T21:01:00" << "将于 21:01:00 关机"
                                                << "将于 21:01:00 关机\n还有 1 分钟，请保存正在进行的工作。"
                                                << "原定于 21:01:00 的关机已取消";
    QTest::newRow("restart in 3 s") << "reboot" << "2026-03-05T21:00:03" << "将于 21:00:03 重启"
                                    << "将于 21:00:03 重启\n还有 3 秒，请保存正在进行的工作。"
                                    << "原定于 21:00:03 的重启已取消";
    QTest::newRow("halt, kexec") << "halt" << "2026-03-05T23:00:00" << "将于 23:00 关机"
                                 << "将于 23:00 关机\n还有 120 分钟，请保存正在进行的工作。"
                                 << "原定于 23:00 的关机已取消";
    QTest::newRow("tomorrow") << "kexec" << "2026-03-06T01:45:00" << "将于明天 01:45 重启"
                              << "将于明天 01:45 重启\n还有 285 分钟，请保存正在进行的工作。"
                              << "原定于明天 01:45 的重启已取消";
    QTest::newRow("the day after") << "poweroff" << "2026-03-07T08:00:00" << "将于后天 08:00 关机"
                                   << "将于后天 08:00 关机\n还有 2100 分钟，请保存正在进行的工作。"
                                   << "原定于后天 08:00 的关机已取消";
    QTest::newRow("later this year") << "poweroff" << "2026-04-01T09:00:00" << "将于 4月1日 09:00 关机"
                                     << "将于 4月1日 09:00 关机\n还有 38160 分钟，请保存正在进行的工作。"
                                     << "原定于 4月1日 09:00 的关机已取消";
    QTest::newRow("next year") << "poweroff" << "2027-01-02T09:00:00" << "将于 2027年1月2日 09:00 关机"
                               << "将于 2027年1月2日 09:00 关机\n还有 435600 分钟，请保存正在进行的工作。"
                               << "原定于 2027年1月2日 09:00 的关机已取消";
}

void TestPlatform::noticeTextsNameTheActionAndLocalTime()
{
    QFETCH(QString, type);
    QFETCH(QString, when);
    QFETCH(QString, scheduled);
    QFETCH(QString, warning);
    QFETCH(QString, cancelled);
    const auto usec = [](const QString& iso) {
        return std::uint64_t(QDateTime::fromString(iso, Qt::ISODate).toMSecsSinceEpoch()) * 1000;
    };
    const std::uint64_t now = usec(QStringLiteral("2026-03-05T21:00:00"));
    const PendingShutdown shutdown{type, usec(when)};
    QCOMPARE(scheduledText(shutdown, now), scheduled);
    QCOMPARE(warningText(shutdown, now), warning);
    QCOMPARE(cancelledText(shutdown, now), cancelled);
    QCOMPARE(cancelledText(std::nullopt, now), QStringLiteral("关机已取消"));
    // The program's own, taken back or replaced by someone else.
    const QString was = cancelled.chopped(3); // "原定于 21:45 的关机"
    QCOMPARE(changedElsewhereText(shutdown, std::nullopt, now), was + QStringLiteral("已被其他程序取消"));
    const PendingShutdown other{QStringLiteral("reboot"), usec(QStringLiteral("2026-03-05T21:00:30"))};
    QCOMPARE(changedElsewhereText(shutdown, other, now), was + QStringLiteral("已被其他程序替换\n将于 21:00:30 重启"));
}

void TestPlatform::startLineOpensOnePlainAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("the forum") << "http://bbs.example.org/?fromuid=10001";
    QTest::newRow("https") << "https://example.org/";
    QTest::newRow("port, path, fragment") << "http://example.org:8080/a/b.html#top";
    QTest::newRow("percent-encoded") << "https://example.org/%E5%A4%A7%E6%B5%B7?q=a,b";
}

void TestPlatform::startLineOpensOnePlainAddress()
{
    QFETCH(QString, address);
    const std::optional<QUrl> url = parseStartLine(QStringLiteral("cmd.exe /c start ") + address);
    QVERIFY(url);
    QCOMPARE(url->toString(QUrl::FullyEncoded), address);
    QVERIFY(looksLikeStartLine(QStringLiteral("cmd.exe /c start ") + address));
}

void TestPlatform::startLineRefusesAnythingElse_data()
{
    QTest::addColumn<QString>("line");
    const QString start = QStringLiteral("cmd.exe /c start ");
    QTest::newRow("no address") << start;
    QTest::newRow("no space") << "cmd.exe /c starthttp://example.org/";
    QTest::newRow("two spaces") << start + " http://example.org/";
    QTest::newRow("second word") << start + "http://example.org/ http://example.net/";
    QTest::newRow("a title first") << start + "\"\" http://example.org/";
    QTest::newRow("quotes") << start + "\"http://example.org/\"";
    QTest::newRow("single quote") << start + "http://example.org/'x'";
    QTest::newRow("ampersand") << start + "http://example.org/?a=1&b=2";
    QTest::newRow("pipe") << start + "http://example.org/|calc";
    QTest::newRow("semicolon") << start + "http://example.org/;id";
    QTest::newRow("substitution") << start + "http://example.org/$(id)";
    QTest::newRow("backquote") << start + "http://example.org/`id`";
    QTest::newRow("redirect") << start + "http://example.org/>x";
    QTest::newRow("caret") << start + "http://example.org/^";
    QTest::newRow("backslash") << start + "http://example.org\\x";
    QTest::newRow("tab") << start + "http://example.org/\tx";
    QTest::newRow("newline") << start + "http://example.org/\nx";
    QTest::newRow("file") << start + "file:///etc/passwd";
    QTest::newRow("javascript") << start + "javascript:alert(1)";
    QTest::newRow("ftp") << start + "ftp://example.org/";
    QTest::newRow("no host") << start + "http:///path";
    QTest::newRow("upper-case scheme") << start + "HTTP://example.org/";
    QTest::newRow("options") << start + "--help";
    QTest::newRow("non-ASCII") << start + "http://例子.org/";
    QTest::newRow("program") << start + "calc.exe";
}

void TestPlatform::startLineRefusesAnythingElse()
{
    QFETCH(QString, line);
    QString why;
    QVERIFY(!parseStartLine(line, &why));
    QVERIFY2(!why.isEmpty(), "a refusal says why");
}

void TestPlatform::generalDateText_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");
    const QLocale zh(QLocale::Chinese, QLocale::China);
    const QLocale c = QLocale::c();
    QTest::newRow("zh morning") << zh << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)) << "2024/3/5 07:08:09";
    QTest::newRow("zh evening") << zh << QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)) << "2024/12/31 23:59:59";
    QTest::newRow("zh midnight") << zh << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 0)) << "2024/3/5";
    QTest::newRow("zh midnight ms") << zh << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 0, 999)) << "2024/3/5";
    QTest::newRow("zh one second past") << zh << QDateTime(QDate(2024, 3, 5), QTime(0, 0, 1)) << "2024/3/5 00:00:01";
    QTest::newRow("C") << c << QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9)) << "5 Mar 2024 07:08:09";
}

void TestPlatform::generalDateText()
{
    QFETCH(QLocale, locale);
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    QCOMPARE(formatGeneralDate(when, locale), text);
}

void TestPlatform::longTimeFormatLosesOnlyTheZone()
{
    for (const QLocale& locale : {QLocale(QLocale::Chinese, QLocale::China), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
        const QString format = longTimeFormatWithoutZone(locale);
        QVERIFY2(!format.contains(u't'), qPrintable(format));
        QVERIFY2(format.contains(QStringLiteral("mm:ss")), qPrintable(format));
        QCOMPARE(format, format.trimmed());
    }
}

void TestPlatform::localTimeFollowsAZoneSetMeanwhile()
{
    // The zone's file stands in a folder of the test's own; which zone the
    // C library reads is set through TZ, so that a reading shows whether the
    // zone was read again.
    QTemporaryDir dir;
    const QByteArray zone = QFile::encodeName(dir.filePath("localtime"));
    QVERIFY(QFile(QString::fromLocal8Bit(zone)).open(QIODevice::WriteOnly));
    const bool wasSet = qEnvironmentVariableIsSet("TZ");
    const QByteArray was = qgetenv("TZ");
    const auto restore = qScopeGuard([&] {
        wasSet ? qputenv("TZ", was) : qunsetenv("TZ");
        tzset();
    });
    qunsetenv("TZ");
    LocalTime local(zone.constData());
    const int first = local.now().offsetFromUtc();
    QVERIFY(qAbs(local.now().toMSecsSinceEpoch() - QDateTime::currentMSecsSinceEpoch()) < 1000);

    qputenv("TZ", "CST-8");
    if (first != 8 * 3600)
        QCOMPARE(local.now().offsetFromUtc(), first); // nothing changed: not read again
    // The file written over in place.
    QFile file(QString::fromLocal8Bit(zone));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.close();
    QTRY_COMPARE(local.now().offsetFromUtc(), 8 * 3600);

    // Another file renamed over it, as a desktop's settings set a zone.
    qputenv("TZ", "IST-5:30");
    QCOMPARE(local.now().offsetFromUtc(), 8 * 3600);
    QVERIFY(QFile(QString::fromLocal8Bit(zone + ".new")).open(QIODevice::WriteOnly));
    QCOMPARE(std::rename((zone + ".new").constData(), zone.constData()), 0);
    QTRY_COMPARE(local.now().offsetFromUtc(), 5 * 3600 + 1800);
}

void TestPlatform::twipsConvertAtFifteenPerPixel()
{
    QCOMPARE(px(3690), 246);
    QCOMPARE(px(4170), 278);
    QCOMPARE(px(7), 0);
    QCOMPARE(px(8), 1);
    QCOMPARE(px(-8), -1);
    QCOMPARE(twipsRect(120, 960, 1095, 375), QRect(8, 64, 73, 25));
}

void TestPlatform::textBoxRaisesChangeForEverySet()
{
    TextBox box;
    box.QLineEdit::setText("60");
    QStringList seen;
    box.onChange = [&] { seen << box.text(); };
    box.setText("60"); // the same text again still counts as a change
    box.setText("59");
    box.setText("");
    QCOMPARE(seen, QStringList({"60", "59", ""}));

    // A change the user makes (typing, pasting) is seen once, too.
    seen.clear();
    box.setFocus();
    QTest::keyClicks(&box, "12");
    box.selectAll();
    box.insert("7"); // as a paste would
    QCOMPARE(seen, QStringList({"1", "12", "7"}));
}

void TestPlatform::textBoxChangeRunsNestedInsideSetText()
{
    TextBox box;
    QStringList events;
    box.onChange = [&] {
        events << "change " + box.text();
        if (box.text().size() > 3)
            box.setText("60"); // a rule that resets the box runs again for "60" first
        events << "after " + box.text();
    };
    box.setText("12345");
    QCOMPARE(events, QStringList({"change 12345", "change 60", "after 60", "after 60"}));
}

void TestPlatform::textBoxKeyFilterSeesTypedCharactersOnly()
{
    TextBox box;
    QList<int> codes;
    box.onKeyPress = [&](int& code) {
        codes << code;
        if (code != 8 && (code < '0' || code > '9'))
            code = 0;
    };
    int changes = 0;
    box.onChange = [&] { ++changes; };
    box.setFocus();
    QTest::keyClicks(&box, "4a 2-.");
    QCOMPARE(box.text(), QStringLiteral("42"));
    QCOMPARE(codes, QList<int>({'4', 'a', ' ', '2', '-', '.'}));
    QCOMPARE(changes, 2);

    codes.clear();
    QTest::keyClick(&box, Qt::Key_Backspace);
    QTest::keyClick(&box, Qt::Key_Return);
    QCOMPARE(codes, QList<int>({8, 13}));
    QCOMPARE(box.text(), QStringLiteral("4"));

    // Alt or Meta with a key that no menu took types its character, which
    // the filter sees like any other; Control with a key is the box's own.
    codes.clear();
    QTest::keyClick(&box, 'a', Qt::AltModifier);
    QTest::keyClick(&box, '-', Qt::AltModifier);
    QTest::keyClick(&box, 'b', Qt::MetaModifier);
    QTest::keyClick(&box, '5', Qt::AltModifier);
    QCOMPARE(codes, QList<int>({'a', '-', 'b', '5'}));
    QCOMPARE(box.text(), QStringLiteral("45"));
    codes.clear();
    QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&box, Qt::Key_Backspace);
    QCOMPARE(codes, QList<int>({8}));
    QCOMPARE(box.text(), QString());

    // Editing keys type nothing and keep working.
    box.setText(QStringLiteral("4"));
    codes.clear();
    QTest::keyClick(&box, Qt::Key_Home);
    QTest::keyClick(&box, Qt::Key_Delete);
    QCOMPARE(codes, QList<int>());
    QCOMPARE(box.text(), QString());
}

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
