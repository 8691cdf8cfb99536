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
#include <iterator>

extern "C" int replayFuzzTarget_getmatrix(const std::uint8_t *data, std::size_t size);
extern "C" int replayFuzzTarget_matrixtail(const std::uint8_t *data, std::size_t size);
extern "C" int replayFuzzTarget_caseloader(const std::uint8_t *data, std::size_t size);
extern "C" int replayFuzzTarget_matlab(const std::uint8_t *data, std::size_t size);

namespace {

using FuzzEntry = int (*)(const std::uint8_t *, std::size_t);

struct FuzzTarget
{
    const char *name;
    FuzzEntry entry;
    bool takesMalformedFiles;
};

const FuzzTarget kTargets[] = {
    {"getmatrix", replayFuzzTarget_getmatrix, true},
    {"matrixtail", replayFuzzTarget_matrixtail, false},
    {"caseloader", replayFuzzTarget_caseloader, true},
    {"matlab", replayFuzzTarget_matlab, false},
};

// The files of the target's folders in name order; a regression folder exists
// only once the target had a finding.
QStringList inputsOf(const FuzzTarget &target)
{
    QStringList folders{QStringLiteral(RELAXON_FUZZ_DIR "/corpus/%1").arg(QLatin1String(target.name)),
                        QStringLiteral(RELAXON_FUZZ_DIR "/regressions/%1").arg(QLatin1String(target.name))};
    if (target.takesMalformedFiles)
        folders << QStringLiteral(RELAXON_BAD_FILES);
    QStringList files;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
            files << dir.filePath(name);
    }
    return files;
}

} // namespace

class FuzzReplayTest : public QObject
{
    Q_OBJECT

private slots:
    void replaysInput_data();
    void replaysInput();
};

void FuzzReplayTest::replaysInput_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("path");
    for (int t = 0; t < int(std::size(kTargets)); ++t) {
        const QStringList inputs = inputsOf(kTargets[t]);
        // An empty corpus would pass without checking anything: its row fails.
        if (inputs.isEmpty())
            QTest::newRow(kTargets[t].name) << t << QString();
        for (const QString &path : inputs) {
            const QString row = QStringLiteral("%1 %2").arg(QLatin1String(kTargets[t].name),
                                                            QFileInfo(path).fileName());
            QTest::newRow(qPrintable(row)) << t << path;
        }
    }
}

void FuzzReplayTest::replaysInput()
{
    QFETCH(int, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(QStringLiteral("cannot read the input %1").arg(path)));
    const QByteArray bytes = file.readAll();
    kTargets[target].entry(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()));
}

RELAXON_TEST_CLASS(FuzzReplayTest)

#include "test_fuzzreplay.moc"
