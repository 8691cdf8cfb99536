#include "app/commandline.h"
#include "testrunner.h"

#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>

namespace {

// What the command line left behind, starting from the main window's defaults.
struct Outcome
{
    std::int32_t te = 40;
    std::int32_t tr = 500;
    std::int32_t tp = 100;
    std::int32_t technique = 0;
    bool allowMaps = false;
    bool allowDti = false;
    QString fileExtension = QStringLiteral("mri");
    QString unitsLabel = QStringLiteral("Signal strength");
    QStringList loaded;
    QList<std::int32_t> teAtLoad;
};

Outcome run(const QStringList &options, std::FILE *echo = nullptr)
{
    Outcome out;
    CommandLineTarget target{out.te, out.tr, out.tp, out.technique, out.allowMaps, out.allowDti,
                             out.fileExtension, out.unitsLabel,
                             [&out](const QString &name) {
                                 out.loaded.append(name);
                                 out.teAtLoad.append(out.te);
                             }};
    processCommandLine(QStringList{QStringLiteral("relaxon")} + options, target, echo);
    return out;
}

// The settings as text, so that one comparison shows which of them changed.
QMap<QString, QString> fields(const Outcome &out)
{
    return {
        {"te", QString::number(out.te)},
        {"tr", QString::number(out.tr)},
        {"tp", QString::number(out.tp)},
        {"technique", QString::number(out.technique)},
        {"allowDti", out.allowDti ? "true" : "false"},
        {"allowMaps", out.allowMaps ? "true" : "false"},
        {"fileExtension", out.fileExtension},
        {"unitsLabel", out.unitsLabel},
    };
}

} // namespace

class CommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void optionsAreRecognisedByTheirEnding_data();
    void optionsAreRecognisedByTheirEnding();
    void optionsApplyOnlyToLaterLoadsAndAreEchoed();
    void infoRequests_data();
    void infoRequests();
    void usageNamesEveryOption();
};

void CommandLineTest::optionsAreRecognisedByTheirEnding_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("loaded");

    QTest::newRow("-te") << QStringList{"-te", "30"} << "te" << "30" << QStringList();
    QTest::newRow("-gte is te, not g") << QStringList{"-gte", "33"} << "te" << "33" << QStringList();
    QTest::newRow("-te last reads empty") << QStringList{"-te"} << "te" << "0" << QStringList();
    // Times are whole numbers in base 10 that fit 32 bits; anything else reads as 0.
    const auto time = [](const char *name, const char *text, const char *value) {
        QTest::newRow(name) << QStringList{"-te", text} << "te" << value << QStringList();
    };
    time("negative", "-12", "-12");
    time("surrounding blanks", "  42 ", "42");
    time("trailing letters", "30ms", "0");
    time("decimal point", "30.5", "0");
    time("largest int32", "2147483647", "2147483647");
    time("smallest int32", "-2147483648", "-2147483648");
    time("beyond int32", "2147483648", "0");
    time("hexadecimal is not base 10", "0x10", "0");
    QTest::newRow("-tr") << QStringList{"-tr", "600"} << "tr" << "600" << QStringList();
    QTest::newRow("-tp") << QStringList{"-tp", "200"} << "tp" << "200" << QStringList();
    QTest::newRow("-dti") << QStringList{"-dti", "4"} << "technique" << "4" << QStringList();
    QTest::newRow("-dwig") << QStringList{"-dwig"} << "allowDti" << "true" << QStringList();
    QTest::newRow("-ext") << QStringList{"-ext", "zlm"} << "fileExtension" << "zlm" << QStringList();
    QTest::newRow("-ue ends in e, so extension") << QStringList{"-ue", "x"} << "fileExtension" << "x"
                                                 << QStringList();
    QTest::newRow("-ext last reads empty") << QStringList{"-ext"} << "fileExtension" << "" << QStringList();
    QTest::newRow("-unit") << QStringList{"-unit", "mV"} << "unitsLabel" << "mV" << QStringList();
    QTest::newRow("-u") << QStringList{"-u", "a.u."} << "unitsLabel" << "a.u." << QStringList();
    QTest::newRow("-pte is p and takes no value") << QStringList{"-pte", "5"} << "allowMaps" << "true"
                                                  << QStringList{"5"};
    QTest::newRow("-TE is not te") << QStringList{"-TE"} << "te" << "40" << QStringList();
    QTest::newRow("-plugin skips its value")
        << QStringList{"-plugin", "case.mri", "-pluginfoo", "-te", "-tr", "700"} << "tr" << "700" << QStringList();
    QTest::newRow("no minus: cases") << QStringList{"a.mri", "-xyz", "/no/such/file", ":/files/dti.mri"} << "te"
                                     << "40" << QStringList{"a.mri", "/no/such/file", ":/files/dti.mri"};
}

void CommandLineTest::optionsAreRecognisedByTheirEnding()
{
    QFETCH(QStringList, args);
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QStringList, loaded);

    const Outcome out = run(args);
    QMap<QString, QString> expected = fields(Outcome());
    expected[field] = value;
    QCOMPARE(fields(out), expected);
    QCOMPARE(out.loaded, loaded);
}

void CommandLineTest::optionsApplyOnlyToLaterLoadsAndAreEchoed()
{
    std::FILE *echo = std::tmpfile();
    QVERIFY(echo);
    const Outcome out = run({"first.mri", "-te", "30", "case.mri", "-g", "-plugin", "x", "--what",
                             QString::fromUtf8("f\u00fcr.mri"), "-te", "50"},
                            echo);
    QCOMPARE(out.teAtLoad, (QList<std::int32_t>{40, 30, 30}));
    QCOMPARE(out.te, 50);
    std::rewind(echo);
    char buffer[256] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, echo);
    std::fclose(echo);
    QCOMPARE(QByteArray(buffer, qsizetype(n)),
             QByteArray("1 first.mri\n2 -te\n4 case.mri\n5 -g\n6 -plugin\n8 --what\n9 f\xc3\xbcr.mri\n10 -te\n"));
}

void CommandLineTest::infoRequests_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("expected");

    QTest::newRow("none") << QStringList{"-te", "30", "case.mri"} << int(InfoRequest::None);
    QTest::newRow("help after a case") << QStringList{"case.mri", "--help"} << int(InfoRequest::Help);
    QTest::newRow("version") << QStringList{"--version"} << int(InfoRequest::Version);
    QTest::newRow("value of -unit") << QStringList{"-unit", "--help"} << int(InfoRequest::None);
    QTest::newRow("value of -plugin") << QStringList{"-plugin", "--version"} << int(InfoRequest::None);
    QTest::newRow("after a flag") << QStringList{"-g", "--help"} << int(InfoRequest::Help);
    QTest::newRow("single dash is not help") << QStringList{"-help"} << int(InfoRequest::None);
}

void CommandLineTest::infoRequests()
{
    QFETCH(QStringList, args);
    QFETCH(int, expected);
    QCOMPARE(int(findInfoRequest(QStringList{"relaxon"} + args)), expected);
}

void CommandLineTest::usageNamesEveryOption()
{
    const QString usage = usageText(QStringLiteral("relaxon"));
    QVERIFY(usage.startsWith(QStringLiteral("Usage: relaxon ")));
    for (const char *option : {"-plugin", "-p", "-te", "-tr", "-tp", "-dti", "-g", "-ext", "-e ", "-unit",
                               "-u ", "--help", "--version"})
        QVERIFY2(usage.contains(QLatin1String(option)), option);
    QCOMPARE(versionText(), QStringLiteral("relaxon 2.4\n"));
}

RELAXON_TEST_CLASS(CommandLineTest)
#include "test_commandline.moc"
