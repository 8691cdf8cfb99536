#include "simulation/acquisition.h"
#include "simulation/regionstatistics.h"
#include "tests/numerics/test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <tuple>

using namespace matrixfiletest;

namespace {

struct ToolRun
{
    int exitCode = -1; // also when it crashed
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(RELAXON_TOOL_PATH), arguments);
    const bool finished = process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
    return {finished ? process.exitCode() : -1, process.readAllStandardOutput(), process.readAllStandardError()};
}

// Values that need all 17 digits, and what "%.17g" makes of them.
const double doubleValues[6] = {0.1, -2, 1e10, qQNaN(), 0.25, 1.0 / 3};
const QByteArray doubleDump = "0.10000000000000001 -2 10000000000\nnan 0.25 0.33333333333333331\n";
// Values a 4-byte float holds exactly.
const double floatValues[6] = {0.5, -2, 1e10, qQNaN(), 0.25, 3};
const QByteArray floatDump = "0.5 -2 10000000000\nnan 0.25 3\n";
const QByteArray fmriTail = "fmri\n99\n";
const QByteArray sparseDump = "-1 0 0 2.5\n0 0 0 0\n0 7 0 0\n";

} // namespace

class TestRelaxonTool : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    int fileNumber = 0;

    QString newPath() { return dir.filePath(QString("file%1").arg(++fileNumber)); }

    // A file in the given variant: the dense ones hold the 2 x 3 values of their kind and
    // the fmri tail; the sparse ones hold -1 at (1, 1), 2.5 at (1, 4) and 7 at (3, 2) of 3 x 4.
    QString writeVariant(const QString &variant)
    {
        const QString path = newPath();
        const QByteArray name = path.toLocal8Bit();
        // The float variants are written in the byte order this machine does not use.
        const bool big = !machineIsBigEndian();
        QByteArray floats;
        for (double v : floatValues)
            floats += floatBytes(float(v), big);
        double **m = dmatrix(1, 3, 1, 3);
        for (int k = 0; k < 6; ++k)
            m[1 + k / 3][1 + k % 3] = doubleValues[k];
        int32 *counts = ivector(1, 3);
        int32 **indices = imatrix(1, 3, 1, 2);
        std::tie(counts[1], counts[2], counts[3]) = std::tuple(2, 0, 1);
        std::tie(indices[1][1], indices[1][2], indices[3][1]) = std::tuple(1, 4, 2);
        double **values = dmatrix(1, 3, 1, 2);
        std::tie(values[1][1], values[1][2], values[3][1]) = std::tuple(-1.0, 2.5, 7.0);
        if (variant == "binary dense double")
            putmatrix(name, m, 2, 3, 8, fmriTail.constData(), nullptr, nullptr);
        else if (variant == "text dense")
            putmatrix_text(name, m, 2, 3, " %.17g", 8, fmriTail.constData(), nullptr, nullptr);
        else if (variant == "binary dense float")
            writeBytes(path, binaryHeader(false, big, 2, 3, 4) + floats + fmriTail);
        else if (variant == "raw float")
            writeBytes(path, int32Bytes(2, big) + int32Bytes(3, big) + floats + fmriTail);
        else if (variant == "binary sparse")
            putmatrix(name, values, 3, 4, 0, nullptr, counts, indices);
        else
            putmatrix_text(name, values, 3, 4, nullptr, 0, nullptr, counts, indices);
        free_dmatrix(values, 1, 3, 1);
        free_imatrix(indices, 1, 3, 1);
        free_ivector(counts, 1, 3);
        free_dmatrix(m, 1, 3, 1);
        return path;
    }

private slots:
    // Each variant dumps and names itself, and keeps its values, tail and sparseness
    // through a conversion to text and back to binary.
    void everyVariantReadsAndConvertsWithoutLoss_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QByteArray>("info");
        QTest::addColumn<QByteArray>("dump");
        const auto row = [](const char *variant, const char *swapped, const QByteArray &size, const QByteArray &dump) {
            QTest::newRow(variant) << variant << "byte-swapped: " + QByteArray(swapped) + "\n" + size << dump;
        };
        const QByteArray dense = "rows: 2\ncols: 3\ntail:\n" + fmriTail, tailDump = "--- tail\n" + fmriTail;
        row("binary dense double", "no", dense, doubleDump + tailDump);
        row("text dense", "no", dense, doubleDump + tailDump);
        row("binary dense float", "yes", dense, floatDump + tailDump);
        row("raw float", "yes", dense, floatDump + tailDump);
        row("binary sparse", "no", "rows: 3\ncols: 4\n", sparseDump);
        row("text sparse", "no", "rows: 3\ncols: 4\n", sparseDump);
    }

    void everyVariantReadsAndConvertsWithoutLoss()
    {
        QFETCH(QString, variant);
        QFETCH(QByteArray, info);
        QFETCH(QByteArray, dump);
        const QString file = writeVariant(variant);
        QCOMPARE(runTool({"dump", file}).out, dump);
        QCOMPARE(runTool({"info", file}).out, "variant: " + variant.toLatin1() + "\n" + info);
        const QString text = newPath(), binary = newPath();
        QCOMPARE(runTool({"convert", file, text, "--to", "text"}).exitCode, 0);
        QCOMPARE(runTool({"convert", text, binary, "--to", "binary"}).exitCode, 0);
        QVERIFY(runTool({"info", text}).out.startsWith(variant.endsWith("sparse") ? "variant: text sparse\n"
                                                                                  : "variant: text dense\n"));
        QCOMPARE(runTool({"dump", binary}).out, dump);
    }

    void convertReplacesTheTail()
    {
        const QString tailFile = newPath(), out = newPath();
        QVERIFY(writeBytes(tailFile, "MRI PD,T1,T2 DATA\nunits\nms\n"));
        const QString input = writeVariant("binary dense double");
        QCOMPARE(runTool({"convert", input, out, "--to", "binary", "--tail", tailFile}).exitCode, 0);
        QCOMPARE(runTool({"dump", out}).out, doubleDump + "--- tail\nMRI PD,T1,T2 DATA\nunits\nms\n");
    }

    void badUsageFailsWithOneLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("lastLine"); // what the last line says; empty: any single line
        const auto fails = [](const char *name, const QStringList &arguments, const QByteArray &message = {}) {
            QTest::newRow(name) << arguments << message;
        };
        const QString truncated = newPath();
        const bool big = machineIsBigEndian();
        QVERIFY(writeBytes(truncated, binaryHeader(false, big, 100000, 100000) + doubleBytes(1, big)));
        const QString missing = dir.filePath("missing");
        const QByteArray cannotRead = "relaxon-tool: cannot read ";
        fails("info of a truncated file", {"info", truncated}, cannotRead + truncated.toLocal8Bit());
        fails("dump of a missing file", {"dump", missing}, cannotRead + missing.toLocal8Bit());
        fails("convert of a missing resource", {"convert", ":/files/missing.mri", newPath(), "--to", "text"},
              cannotRead + ":/files/missing.mri");
        const QString input = writeVariant("binary dense double");
        const QFileInfo info(input);
        const QString directory = newPath();
        QVERIFY(QDir().mkpath(directory));
        const QByteArray overwrite = "relaxon-tool: will not overwrite the input file";
        fails("convert onto itself", {"convert", input, input, "--to", "text"}, overwrite);
        fails("convert onto itself by another name",
              {"convert", input, info.absolutePath() + "/./" + info.fileName(), "--to", "text"}, overwrite);
        fails("convert onto a folder", {"convert", input, directory, "--to", "binary"}, "relaxon-tool: cannot write");
        fails("no command", {});
        fails("unknown command", QStringList{"frobnicate", "x"});
        fails("dump with two files", QStringList{"dump", "a", "b"});
        fails("convert without --to", QStringList{"convert", "a", "b"});
        fails("convert to an unknown variant", QStringList{"convert", "a", "b", "--to", "xml"});
        fails("convert with an unknown option", QStringList{"convert", "a", "b", "--to", "text", "--fast"});
        const QStringList simulate{"simulate", "a.mri", "--te", "15", "--tr", "3000", "-o", "b.mri"};
        fails("simulate with 0 averages", simulate + QStringList{"--noise", "--nex", "0"});
        fails("simulate with bandwidth 1001", simulate + QStringList{"--noise", "--bandwidth", "1001"});
        fails("simulate with a slice of 12 mm", simulate + QStringList{"--noise", "--slice", "12"});
        fails("simulate with an echo train of 1.5", simulate + QStringList{"--noise", "--etl", "1.5"});
        fails("simulate with a negative seed", simulate + QStringList{"--noise", "--seed", "-1"});
        fails("simulate with averages but no noise", simulate + QStringList{"--nex", "2"});
        fails("simulate noise into a T1 map",
              QStringList{"simulate", "a.mri", "--te", "15", "--tr", "-1", "--noise", "-o", "b.mri"});

        const QString f = QStringLiteral(NIFTI_FIXTURES "/");
        const auto maps = [&](const char *pd, const char *t1, const QStringList &slice = {"--slice", "2"}) {
            return QStringList{"import", "--pd", f + pd, "--t1", f + t1, "--t2", f + "marker_ras.nii.gz"} + slice
                + QStringList{"-o", newPath()};
        };
        const auto pd = [&](const char *file) { return maps(file, "marker_ras.nii.gz"); };
        const auto t1 = [&](const char *file) { return maps("marker_ras.nii.gz", file); };
        fails("import of differing grids", t1("bad_grid.nii.gz"), "do not share one grid");
        fails("import of a 4-D file", pd("bad_two_volumes.nii.gz"), "holds 2 volumes where one volume is expected");
        fails("import of complex values", pd("bad_complex.nii.gz"), "holds COMPLEX64 values");
        fails("import of RGB", t1("bad_rgb.nii.gz"), "holds RGB24 values");
        fails("import of times in seconds", t1("t1_seconds.nii.gz"), "looks like seconds; import with --seconds");
        fails("import of a slice outside", maps("marker_ras.nii.gz", "marker_ras.nii.gz", {"--slice", "6"}),
                "axial slice 6 lies outside the volume, which has axial slices 0 to 5");
        fails("import of a world position outside",
                maps("marker_ras.nii.gz", "marker_ras.nii.gz", {"--axis", "sagittal", "--at", "40"}),
                "sagittal slice 25 lies outside the volume");
        fails("import of a truncated .nii.gz", pd("bad_truncated.nii.gz"), "the compressed file ends early");
        fails("import of data shorter than the header says", pd("bad_short_data.nii"),
                "holds less data than its header declares");
        fails("import of an unknown label",
                {"import", "--labels", f + "labels_unknown.nii.gz", "--tissues", f + "tissues.csv", "--slice", "2",
                 "-o", newPath()},
                "label 7 at voxel (5, 5, 3) has no row in the tissue table");
        fails("import from two sources", pd("marker_ras.nii.gz") + QStringList{"--labels", f + "labels.nii.gz"},
                "give one source");
    }

    void badUsageFailsWithOneLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, lastLine);
        const auto files = [this] {
            QMap<QString, QByteArray> contents;
            for (const QFileInfo &file : QDir(dir.path()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot))
                contents.insert(file.fileName(), file.isDir() ? "folder" : readBytes(file.filePath()));
            return contents;
        };
        const QMap<QString, QByteArray> before = files();
        const ToolRun run = runTool(arguments);
        // A failed run changes no file and leaves no partial one behind.
        QCOMPARE(files(), before);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.endsWith('\n'));
        if (lastLine.isEmpty())
            QCOMPARE(run.err.count('\n'), 1);
        else
            QVERIFY2(run.err.trimmed().split('\n').last().contains(lastLine), run.err.constData());
    }

    // A PD-weighted recording of the glioblastoma at the reference protocol: white
    // matter (PD about 1860, T1 about 830 ms, T2 about 72 ms in the 10 x 10 pixels
    // below) gives about 1500 over a sigma of 1 % of the full scale 3000. Four
    // averages halve the noise; the same seed draws the same noise.
    void simulateWithNoiseGivesTheTeachingSnr()
    {
        const QStringList recording{"simulate", ":/files/glioblastoma.mri", "--te", "15", "--tr", "3000"};
        const QStringList options[5] = {{}, {"--noise"}, {"--noise", "--seed", "0"}, {"--noise", "--seed", "1"},
                                        {"--noise", "--nex", "4", "--seed", "1"}};
        const QByteArray once = "scan time 12:48 (768 s), noise sigma 30\n";
        QByteArray images[5];
        double snr[5] = {};
        for (int i = 0; i < 5; ++i) {
            const QString out = newPath() + ".mri";
            const ToolRun run = runTool(recording + options[i] + QStringList{"-o", out});
            QCOMPARE(run.err, i == 0 ? "" : i < 4 ? once : "scan time 51:12 (3072 s), noise sigma 15\n");
            images[i] = readBytes(out);
            ReadResult image;
            QVERIFY(image.read(out));
            AcquisitionSettings acquisition;
            acquisition.averages = i == 4 ? 4 : 1;
            acquisition.noise = true;
            snr[i] = regionSnr(regionStatistics(image.m, image.rows, image.cols, {92, 176, 10, 10}), acquisition, 3000);
        }
        QVERIFY(images[0] != images[1]);
        QCOMPARE(images[1], images[2]);
        QVERIFY(images[2] != images[3]);
        QVERIFY2(snr[3] > 45 && snr[3] < 55, qPrintable(QString::number(snr[3])));
        QVERIFY(std::fabs(snr[4] / snr[3] - 2) < 0.02);
    }

    // Holes in a map become background with a warning; one volume stored as 4-D reads.
    void importWarnsOfHolesAndReadsOneVolumeIn4D()
    {
        const QString f = QStringLiteral(NIFTI_FIXTURES "/");
        const QString out = newPath() + ".mri";
        const ToolRun run = runTool({"import", "--pd", f + "one_volume_4d.nii.gz", "--t1", f + "t1_holes.nii.gz",
                                     "--t2", f + "marker_ras.nii.gz", "--slice", "2", "-o", out});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.err.contains("warning: 2 pixels with NaN or negative values became background"));
        QVERIFY(QFileInfo::exists(out));
    }
};

RELAXON_TEST_CLASS(TestRelaxonTool)
#include "test_relaxontool.moc"
