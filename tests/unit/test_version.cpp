// The program's one version: the constant its windows show and the update
// check compares with, and the project's version that the Debian package and
// the AppStream file are made with.

#include "info/texts.h"

#include <QFile>
#include <QTest>
#include <QXmlStreamReader>

class TestVersion : public QObject {
    Q_OBJECT

private slots:
    void windowsShowTheProjectsVersion();
    void metainfoReleaseIsThisVersionWithItsNotes();
};

void TestVersion::windowsShowTheProjectsVersion()
{
    QCOMPARE(info::kVersion, QStringLiteral(VESPERON_PROJECT_VERSION));
}

void TestVersion::metainfoReleaseIsThisVersionWithItsNotes()
{
    QFile file(QStringLiteral(VESPERON_METAINFO));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    QXmlStreamReader xml(&file);
    QStringList versions;
    QString chineseNotes;
    bool inRelease = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("release")) {
            versions << xml.attributes().value(QLatin1String("version")).toString();
            inRelease = versions.size() == 1; // the newest release comes first
        } else if (xml.isEndElement() && xml.name() == QLatin1String("release")) {
            inRelease = false;
        } else if (inRelease && xml.isStartElement() && xml.name() == QLatin1String("p")
                   && xml.attributes().value(QLatin1String("xml:lang")) == QLatin1String("zh_CN")) {
            chineseNotes = xml.readElementText();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(!versions.isEmpty());
    QCOMPARE(versions.first(), info::kVersion);
    // What the windows say is new in this version, word for word.
    QCOMPARE(QStringLiteral("V") + info::kVersion + QStringLiteral("：") + chineseNotes,
             info::kVersionNotes);
}

QTEST_GUILESS_MAIN(TestVersion)
#include "test_version.moc"
