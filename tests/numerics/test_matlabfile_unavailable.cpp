#include "numerics/matlabfile.h"
#include "numerics/matrixfile.h"
#include "numerics/matrixmemory.h"
#include "test_matrixfile_helpers.h"
#include "testrunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

#include <cstdlib>
#include <functional>

// Runs as its own process: which MAT-file library is loaded is decided once per
// process, and these tests make the loading fail on purpose.

using matrixfiletest::OutputCapture;

namespace {

const QByteArray matFile = QByteArrayLiteral(RELAXON_TEST_DATA "/matlab/struct_then_matrix.mat");

// Returns whether the operation succeeded or left anything in its outputs.
using Operation = std::function<bool(const char *fileName)>;

bool readsMatrix(const char *fileName)
{
    int32 rows = 9, cols = 9;
    char foundName[matlabNameCapacity] = "stale";
    double **m = readMatlabMatrix(fileName, &rows, &cols, nullptr, -1, -1, -1, -1, -1, -1, 0, foundName);
    if (m)
        free_dmatrix(m, 1, rows, 1);
    return m || rows || cols || foundName[0];
}

bool getsMatrix(const char *fileName)
{
    matrixfiletest::ReadResult read;
    return read.read(QFile::decodeName(fileName));
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestMatlabUnavailable : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;

    // Every operation prints the same three lines when the library is missing.
    void expectUnavailable(const Operation &operation, const QByteArray &fileName)
    {
        OutputCapture capture(stdout);
        QVERIFY(!operation(fileName.constData()));
        QCOMPARE(capture.text(), "\nError opening matlab file " + fileName
                     + "\nDynamic libraries for reading matlab files not available\n"
                       "Please ask my maker for instruction how to install them\n\n");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        qputenv("RELAXON_MATIO_LIBRARY", "/nonexistent/libmatio-missing.so.11");
    }

    void everyOperationPrintsTheMessageAndFails_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("fileName");
        const QByteArray newFile = QFile::encodeName(scratch.filePath(QStringLiteral("new.mat")));
        QTest::newRow("loadMatlabLibraries") << Operation(loadMatlabLibraries) << matFile;
        QTest::newRow("readMatlabMatrix") << Operation(readsMatrix) << matFile;
        QTest::newRow("writeMatlabMatrix") << Operation([](const char *f) {
            double **m = dmatrix(1, 1, 1, 1);
            const int written = writeMatlabMatrix(f, m, 1, 1, nullptr);
            free_dmatrix(m, 1, 1, 1);
            return written != 0;
        }) << newFile;
        QTest::newRow("writeMatlabGeometry") << Operation([](const char *f) {
            const double nodes[3] = {1, 2, 3};
            const int32 cells[4] = {0, 0, 0, 0};
            return writeMatlabGeometry(f, nodes, 1, cells, 1, nullptr, 1) != 0;
        }) << newFile;
        QTest::newRow("readMatlabGeometry") << Operation([](const char *f) {
            int32 nNodes = 9, nFaces = 9;
            double *nodes = nullptr;
            int32 *faces = nullptr;
            char name[8] = "stale";
            const int found = readMatlabGeometry(f, &nNodes, &nFaces, &nodes, &faces, name);
            std::free(nodes);
            std::free(faces);
            return found || nNodes || nFaces || nodes || faces || name[0];
        }) << matFile;
        QTest::newRow("getmatrix of a MAT-file") << Operation(getsMatrix) << matFile;
    }

    void everyOperationPrintsTheMessageAndFails()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, fileName);
        expectUnavailable(operation, fileName);
        QVERIFY(!QFile::exists(scratch.filePath(QStringLiteral("new.mat"))));
    }

    void otherMatrixFilesStillRead()
    {
        const QString path = scratch.filePath(QStringLiteral("plain.txt"));
        QVERIFY(matrixfiletest::writeBytes(path, "2 2\n1 2\n3 4\n"));
        OutputCapture capture(stdout);
        QVERIFY(getsMatrix(QFile::encodeName(path).constData()));
        QCOMPARE(capture.text(), QByteArray());
    }

    void libraryWithoutTheMatioFunctionsCountsAsUnavailable()
    {
        // The C library loads fine but has none of the functions we call.
        qputenv("RELAXON_MATIO_LIBRARY", "libc.so.6");
        expectUnavailable(loadMatlabLibraries, matFile);
    }

    void failedLoadIsRetriedOnTheNextCall()
    {
        qunsetenv("RELAXON_MATIO_LIBRARY");
        void *probe = dlopen("libmatio.so.11", RTLD_NOW | RTLD_LOCAL);
        if (!probe)
            QSKIP("the matio library is not installed");
        dlclose(probe);
        OutputCapture capture(stdout);
        QVERIFY(readsMatrix(matFile.constData()));
        QCOMPARE(capture.text(), QByteArray());
    }
};

RELAXON_TEST_CLASS_IN_OWN_PROCESS(TestMatlabUnavailable)
#include "test_matlabfile_unavailable.moc"
