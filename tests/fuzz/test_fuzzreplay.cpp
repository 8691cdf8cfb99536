// Feeds every input of each fuzz target's seed corpus and regression folder (and,
// for the file targets, the malformed files of tests/data/bad) to the target once,
// so that each ordinary build checks them. A crash or a broken invariant ends the run.

#include "testrunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTest>

#include <cstddef>
#include <cstdint>

using FuzzEntry = int (*)(const std::uint8_t *, std::size_t);
extern "C" int replayFuzzTarget_getmatrix(const std::uint8_t *data, std::size_t size);
extern "C" int replayFuzzTarget_matrixtail(const std::uint8_t *data, std::size_t size);
extern "C" int replayFuzzTarget_caseloader(const std::uint8_t *data, std::size_t size);
extern "C" int replayFuzzTarget_matlab(const std::uint8_t *data, std::size_t size);

Q_DECLARE_METATYPE(FuzzEntry)

class FuzzReplayTest : public QObject
{
    Q_OBJECT

private slots:
    void replaysInput_data()
    {
        QTest::addColumn<FuzzEntry>("entry");
        QTest::addColumn<QString>("path");
        const struct
        {
            const char *name;
            FuzzEntry entry;
            bool takesMalformedFiles;
        } targets[] = {{"getmatrix", replayFuzzTarget_getmatrix, true},
                       {"matrixtail", replayFuzzTarget_matrixtail, false},
                       {"caseloader", replayFuzzTarget_caseloader, true},
                       {"matlab", replayFuzzTarget_matlab, false}};
        for (const auto &target : targets) {
            // A regression folder exists only once the target had a finding.
            QStringList folders{QStringLiteral(RELAXON_FUZZ_DIR "/corpus/%1").arg(QLatin1String(target.name)),
                                QStringLiteral(RELAXON_FUZZ_DIR "/regressions/%1").arg(QLatin1String(target.name))};
            if (target.takesMalformedFiles)
                folders << QStringLiteral(RELAXON_BAD_FILES);
            QStringList inputs;
            for (const QString &folder : folders) {
                for (const QString &name : QDir(folder).entryList(QDir::Files, QDir::Name))
                    inputs << QDir(folder).filePath(name);
            }
            // An empty corpus would pass without checking anything: its row fails.
            if (inputs.isEmpty())
                QTest::newRow(target.name) << target.entry << QString();
            for (const QString &input : inputs)
                QTest::addRow("%s %s", target.name, qPrintable(QFileInfo(input).fileName())) << target.entry << input;
        }
    }

    void replaysInput()
    {
        QFETCH(FuzzEntry, entry);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(QStringLiteral("cannot read the input %1").arg(path)));
        const QByteArray bytes = file.readAll();
        entry(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size()));
    }
};

RELAXON_TEST_CLASS(FuzzReplayTest)

#include "test_fuzzreplay.moc"
