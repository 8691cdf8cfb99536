#include "numerics/matlabfile.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"
#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QFile>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdlib>

#include <dlfcn.h>

using matrixfiletest::OutputCapture;

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(RELAXON_TEST_DATA "/matlab/") + QLatin1String(name);
}

// A rows x cols matrix whose element [r][c] is 10 r + c, so that every read
// element tells where it came from.
int writePositionCoded(const QString &file, int rows, int cols, const char *variableName = nullptr)
{
    double **m = dmatrix(1, rows, 1, cols);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c)
            m[r][c] = 10.0 * r + c;
    const int written = writeMatlabMatrix(QFile::encodeName(file).constData(), m, rows, cols, variableName);
    free_dmatrix(m, 1, rows, 1);
    return written;
}

struct ReadResult
{
    QList<double> values; // row order
    int rows = 0;
    int cols = 0;
    QByteArray foundName;
};

ReadResult readMatrix(const QString &file, const QByteArray &name, QList<int> s = {-1, -1, -1, -1, -1, -1, 0})
{
    ReadResult result;
    char foundName[matlabNameCapacity] = "stale";
    double **m = readMatlabMatrix(QFile::encodeName(file).constData(), &result.rows, &result.cols,
                                  name.isEmpty() ? nullptr : name.constData(), s[0], s[1], s[2], s[3], s[4],
                                  s[5], s[6], foundName);
    result.foundName = foundName;
    if (m) {
        result.values = QList<double>(&m[1][1], &m[1][1] + result.rows * result.cols);
        free_dmatrix(m, 1, result.rows, 1);
    }
    return result;
}

// A tetrahedron with edges of 1, 2 and 3 along the axes; faces count from 0.
const QList<double> tetrahedronNodes{0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3};
const QList<int> tetrahedronFaces{0, 1, 2, 0, 1, 3, 0, 2, 3, 1, 2, 3};
const QList<QVariant> noGeometry{0, QVariant::fromValue(QList<double>()), QVariant::fromValue(QList<int>())};

// Found (1 or 0), then the nodes and the faces; outputs left unset show as -1.
QList<QVariant> readGeometry(const QString &file)
{
    int32 nNodes = -1, nFaces = -1;
    double *nodes = nullptr;
    int32 *faces = nullptr;
    char name[16] = "stale";
    const int found = readMatlabGeometry(QFile::encodeName(file).constData(), &nNodes, &nFaces, &nodes, &faces, name);
    const QList<double> nodeList(nodes, nodes + 3 * std::max(nNodes, 0));
    const QList<int> faceList(faces, faces + 3 * std::max(nFaces, 0));
    std::free(nodes);
    std::free(faces);
    return {name[0] || nNodes < 0 || nFaces < 0 ? -1 : found, QVariant::fromValue(nodeList), QVariant::fromValue(faceList)};
}

// Writes the tetrahedron, with cells that repeat each face's first node.
int writeTetrahedron(const QString &file, const char *name, int update, double shift = 0)
{
    QList<double> nodes = tetrahedronNodes;
    for (double &v : nodes)
        v += shift;
    QList<int32> cells;
    for (int f = 0; f < 4; ++f)
        cells << tetrahedronFaces.mid(3 * f, 3) << tetrahedronFaces[3 * f];
    return writeMatlabGeometry(QFile::encodeName(file).constData(), nodes.constData(), 4, cells.constData(), 4,
                               name, update);
}

} // namespace

class TestMatlabFile : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;

    QString scratchFile(const char *name) const { return scratch.filePath(QLatin1String(name)); }

private slots:
    void initTestCase()
    {
        if (!loadMatlabLibraries("(probe)"))
            QSKIP("the matio library is not installed");
        QCOMPARE(writePositionCoded(scratchFile("coded.mat"), 8, 3), 1);
        for (const int kept : {60, 140}) {
            const QString broken = scratchFile(qPrintable(QString("broken%1.mat").arg(kept)));
            QVERIFY(writePositionCoded(broken, 20, 20) && QFile::resize(broken, kept));
        }
    }

    // Fixtures written by SciPy (see data/matlab/make_fixtures.py) and files written
    // here: coded.mat holds 10 r + c in 8 x 3.
    void variablesAreFoundAndSelected_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("name"); // empty: none asked
        QTest::addColumn<QList<int>>("selection"); // rowFrom..colStep, transposed
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<double>>("expected"); // row order
        QTest::addColumn<QByteArray>("foundName");
        QTest::addColumn<QString>("message"); // %1: the file name
        const auto row = [this](const char *name, const QString &file, const QByteArray &variable, int rows,
                                const QList<double> &expected, const QByteArray &foundName = {},
                                const QString &message = {}, const QList<int> &selection = {-1, -1, -1, -1, -1, -1, 0}) {
            QTest::newRow(name) << (file.contains('/') ? file : scratchFile(qPrintable(file))) << variable << selection
                                << rows << expected << foundName << message;
        };
        const auto coded = [&](const char *name, const QList<int> &selection, int rows, const QList<double> &expected) {
            row(name, "coded.mat", {}, rows, expected, {}, rows ? QString() : "Error reading matlab file %1\n", selection);
        };
        coded("defaults give the whole 8 x 3 array", {-1, -1, -1, -1, -1, -1, 0}, 8,
              {11, 12, 13, 21, 22, 23, 31, 32, 33, 41, 42, 43, 51, 52, 53, 61, 62, 63, 71, 72, 73, 81, 82, 83});
        coded("rows 2 to 10 in steps of 3 give rows 2, 5, 8", {2, 10, 3, 2, 0, 0, 0}, 3, {22, 23, 52, 53, 82, 83});
        coded("a to below its from reads the one row", {4, 2, 1, 3, 3, 1, 0}, 1, {43});
        coded("transposed, row values pick array columns", {2, 3, 1, 1, 8, 7, 1}, 2, {12, 82, 13, 83});
        coded("starting beyond the array is refused", {9, -1, -1, -1, -1, -1, 0}, 0, {});
        const QList<double> signal{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, six{1, 2, 3, 4, 5, 6};
        row("a structure without 'field' before a matrix is passed over", fixture("struct_then_matrix.mat"), {}, 2, six);
        row("a structure's 'field' is taken and names the structure", fixture("struct_with_field.mat"), {}, 2,
            {7, -8, 9, 10}, "holder");
        row("an asked field of a structure", fixture("struct_then_matrix.mat"), "scale", 1, {2, 3}, "info");
        row("an asked name in another letter case", fixture("skipped_classes.mat"), "SIGNAL", 3, signal);
        row("text, single, logical and empty arrays are passed over", fixture("skipped_classes.mat"), {}, 3, signal);
        row("int32 keeps its sign", fixture("int32_negative.mat"), "counts", 2,
            {-1, 0, 1, 2147483647.0, -2147483648.0, -2});
        row("uint32 above 2^31 stays unsigned", fixture("uint32_large.mat"), {}, 1,
            {3000000000.0, 4294967295.0, 2147483648.0, 1});
        row("a complex array gives its real part", fixture("complex.mat"), {}, 1, {1, 3});
        row("a version 4 file", fixture("version4.mat"), {}, 3, six);
        const QString openError("\n Error opening matlab file %1\n\n"), readError("Error reading matlab file %1\n");
        row("missing file", "missing.mat", {}, 0, {}, {}, openError);
        row("only part of the 128-byte header", "broken60.mat", {}, 0, {}, {}, openError);
        row("header and a cut variable", "broken140.mat", {}, 0, {}, {}, readError);
        row("no numeric variable", fixture("geometry_columns.mat"), {}, 0, {}, {}, readError);
        row("missing variable", fixture("struct_then_matrix.mat"), "absent", 0, {}, {},
            "Did not find absent in matlab file %1\n");
    }

    void variablesAreFoundAndSelected()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, name);
        QFETCH(QList<int>, selection);
        QFETCH(int, rows);
        QFETCH(QList<double>, expected);
        QFETCH(QByteArray, foundName);
        QFETCH(QString, message);
        OutputCapture capture(stdout);
        const ReadResult read = readMatrix(file, name, selection);
        QCOMPARE(QString(capture.text()), message.isEmpty() ? QString() : message.arg(file));
        QCOMPARE(read.rows, rows);
        QCOMPARE(read.values, expected);
        QCOMPARE(read.foundName, foundName);
    }

    // getmatrix recognises written files and reads them transposed.
    void getmatrixHandsWrittenFilesToTheMatlabReader()
    {
        matrixfiletest::ReadResult read;
        read.tailLength = 7;
        QVERIFY(read.read(scratchFile("coded.mat"), -1, -1, -1, -1, -1, -1, 1) && lastWasMatlab());
        QVERIFY(!read.tail && !read.tailLength && read.rows == 3 && read.cols == 8 && read.m[3][1] == 13.0);
    }

    // 3 x n nodes with 1-based double faces under node and face, n x 3 nodes with int32
    // faces under pnt and tri, or the first double and first uint32 plain arrays.
    void geometryIsReadFromEitherLayout()
    {
        const QList<QVariant> tetrahedron{1, QVariant::fromValue(tetrahedronNodes),
                                          QVariant::fromValue(tetrahedronFaces)};
        for (const char *file : {"geometry_columns.mat", "geometry_rows.mat", "geometry_plain.mat"})
            QVERIFY2(readGeometry(fixture(file)) == tetrahedron, file);
        QCOMPARE(readGeometry(fixture("int32_negative.mat")), noGeometry);
    }

    void updateCreatesAMissingFileAndKeepsOtherVariablesAndFields()
    {
        // Four-node cells are no triangle faces: the reader takes none of them.
        const QString file = scratchFile("updated.mat");
        QCOMPARE(writeTetrahedron(file, "", 1), 1);
        QCOMPARE(readGeometry(file), (QList<QVariant>{1, QVariant::fromValue(tetrahedronNodes),
                                                      QVariant::fromValue(QList<int>())}));
        QVERIFY(writePositionCoded(file, 1, 2, "keep") && writeTetrahedron(file, "mesh", 1)
                && writeTetrahedron(file, "mesh", 1, 10.0));
        QCOMPARE(readMatrix(file, "keep").values, (QList<double>{11, 12}));
        QCOMPARE(readGeometry(file).at(1).value<QList<double>>().first(), 10.0);

        const QString copy = scratchFile("struct_updated.mat");
        QVERIFY(QFile::copy(fixture("struct_then_matrix.mat"), copy)
                && QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner)
                && writeTetrahedron(copy, "info", 1));
        const ReadResult scale = readMatrix(copy, "scale");
        QVERIFY(scale.foundName == "info" && scale.values == QList<double>({2, 3}));
        QCOMPARE(readGeometry(copy).at(1).value<QList<double>>(), tetrahedronNodes);
    }

    // SciPy's loadmat (print_mat.py) checks what we write with a reader of its own.
    void scipyReadsWhatWeWrite()
    {
        const QString file = scratchFile("scipy.mat");
        QVERIFY(writePositionCoded(file, 2, 3) && writeTetrahedron(file, nullptr, 1));
        QProcess reader;
        reader.start(QStringLiteral("/usr/bin/python3"), {fixture("print_mat.py"), file});
        if (!reader.waitForFinished() || reader.exitCode() == 77)
            QSKIP("no Python with SciPy to cross-check the written files");
        QCOMPARE(reader.readAll(),
                 QByteArray("Geometry.node float64 3 4 0.0 0.0 0.0 1.0 0.0 0.0 0.0 2.0 0.0 0.0 0.0 3.0\n"
                            "Geometry.cell uint32 4 4 1 2 3 1 1 2 4 1 1 3 4 1 2 3 4 2\n"
                            "m float64 2 3 11.0 21.0 12.0 22.0 13.0 23.0\n"));
    }
};

RELAXON_TEST_CLASS(TestMatlabFile)

// Which MAT-file library is loaded is decided once per process, and these tests
// make the loading fail on purpose: they run in a process of their own.
class TestMatlabUnavailable : public QObject
{
    Q_OBJECT

    const QString matFile = fixture("struct_then_matrix.mat");

    // Every operation prints the same three lines when the library is missing.
    static QString unavailable(const QString &file)
    {
        return "\nError opening matlab file " + file + "\nDynamic libraries for reading matlab files not available\n"
                                                     "Please ask my maker for instruction how to install them\n\n";
    }

private slots:
    void everyOperationPrintsTheMessageAndFails()
    {
        QTemporaryDir scratch;
        const QString newFile = scratch.filePath(QStringLiteral("new.mat"));
        qputenv("RELAXON_MATIO_LIBRARY", "/nonexistent/libmatio-missing.so.11");
        OutputCapture capture(stdout);
        QVERIFY(!loadMatlabLibraries(QFile::encodeName(matFile).constData()));
        const ReadResult read = readMatrix(matFile, {});
        QVERIFY(!read.rows && !read.cols && read.foundName.isEmpty());
        QVERIFY(!writePositionCoded(newFile, 1, 1) && !writeTetrahedron(newFile, nullptr, 1));
        QCOMPARE(readGeometry(matFile), noGeometry);
        QVERIFY(!matrixfiletest::ReadResult().read(matFile));
        // The C library loads fine but has none of the functions we call.
        qputenv("RELAXON_MATIO_LIBRARY", "libc.so.6");
        QVERIFY(!loadMatlabLibraries(QFile::encodeName(matFile).constData()));
        QCOMPARE(QString(capture.text()), unavailable(matFile).repeated(2) + unavailable(newFile).repeated(2)
                     + unavailable(matFile).repeated(3));
        QVERIFY(!QFile::exists(newFile));

        // A failed load is retried on the next call.
        qunsetenv("RELAXON_MATIO_LIBRARY");
        void *probe = dlopen("libmatio.so.11", RTLD_NOW | RTLD_LOCAL);
        if (!probe)
            QSKIP("the matio library is not installed");
        dlclose(probe);
        OutputCapture quiet(stdout);
        QCOMPARE(readMatrix(matFile, {}).values.size(), 6);
        QCOMPARE(quiet.text(), QByteArray());
    }
};

RELAXON_TEST_CLASS_IN_OWN_PROCESS(TestMatlabUnavailable)
#include "test_matlabfile.moc"
