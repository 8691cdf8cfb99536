#include "numerics/matiolibrary.h"
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

#include <cstdlib>

using matrixfiletest::OutputCapture;

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(RELAXON_TEST_DATA "/matlab/") + QLatin1String(name);
}

// A rows x cols matrix whose element [r][c] is 10 r + c, so that every read
// element tells where it came from.
int writePositionCoded(const QByteArray &file, int rows, int cols, const char *variableName = nullptr)
{
    double **m = dmatrix(1, rows, 1, cols);
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c)
            m[r][c] = 10.0 * r + c;
    const int written = writeMatlabMatrix(file.constData(), m, rows, cols, variableName);
    free_dmatrix(m, 1, rows, 1);
    return written;
}

struct ReadResult
{
    QList<double> values; // row order
    int rows = 0;
    int cols = 0;
    QByteArray foundName;
    QByteArray printed;
};

ReadResult readMatrix(const QString &file, const char *variableName, const QList<int> &selection = {})
{
    const QList<int> s = selection.isEmpty() ? QList<int>{-1, -1, -1, -1, -1, -1, 0} : selection;
    ReadResult result;
    char foundName[matlabNameCapacity] = "stale";
    OutputCapture capture(stdout);
    double **m = readMatlabMatrix(QFile::encodeName(file).constData(), &result.rows, &result.cols,
                                  variableName, s[0], s[1], s[2], s[3], s[4], s[5], s[6], foundName);
    result.printed = capture.text();
    result.foundName = foundName;
    for (int r = 1; m && r <= result.rows; ++r)
        for (int c = 1; c <= result.cols; ++c)
            result.values << m[r][c];
    if (m)
        free_dmatrix(m, 1, result.rows, 1);
    return result;
}

// A tetrahedron with edges of 1, 2 and 3 along the axes; faces count from 0.
const QList<double> tetrahedronNodes{0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3};
const QList<int> tetrahedronFaces{0, 1, 2, 0, 1, 3, 0, 2, 3, 1, 2, 3};

struct Geometry
{
    int found = 0;
    QList<double> nodes;
    QList<int> faces;
    QByteArray name;
};

Geometry readGeometry(const QString &file)
{
    Geometry geometry;
    int32 nNodes = -1, nFaces = -1;
    double *nodes = nullptr;
    int32 *faces = nullptr;
    char name[16] = "stale";
    geometry.found = readMatlabGeometry(QFile::encodeName(file).constData(), &nNodes, &nFaces,
                                        &nodes, &faces, name);
    for (int k = 0; k < 3 * nNodes; ++k)
        geometry.nodes << nodes[k];
    for (int k = 0; k < 3 * nFaces; ++k)
        geometry.faces << faces[k];
    std::free(nodes);
    std::free(faces);
    geometry.name = name;
    return geometry;
}

// Writes the tetrahedron, with cells that repeat each face's first node.
int writeTetrahedron(const QByteArray &file, const char *name, int update, double shift = 0)
{
    QList<double> nodes = tetrahedronNodes;
    for (double &v : nodes)
        v += shift;
    QList<int32> cells;
    for (int f = 0; f < 4; ++f)
        cells << tetrahedronFaces.mid(3 * f, 3) << tetrahedronFaces[3 * f];
    return writeMatlabGeometry(file.constData(), nodes.constData(), 4, cells.constData(), 4, name, update);
}

} // namespace

class TestMatlabFile : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;

    QByteArray scratchFile(const char *name) const
    {
        return QFile::encodeName(scratch.filePath(QLatin1String(name)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        if (!loadMatlabLibraries("(probe)"))
            QSKIP("the matio library is not installed");
    }

    void writtenMatrixReadsBackUnchanged()
    {
        double **m = dmatrix(1, 2, 1, 3);
        const QList<double> written{1.5, -2.0, 3.25, 1e-300, 0.0, 6.0e300};
        for (int k = 0; k < 6; ++k)
            m[1 + k / 3][1 + k % 3] = written[k];
        const QByteArray file = scratchFile("written.mat");
        QCOMPARE(writeMatlabMatrix(file.constData(), m, 2, 3, "image"), 1);
        free_dmatrix(m, 1, 2, 1);
        const ReadResult read = readMatrix(QFile::decodeName(file), nullptr);
        QCOMPARE(read.rows * 10 + read.cols, 23);
        QCOMPARE(read.values, written);
        QCOMPARE(read.foundName, QByteArray());

        // getmatrix recognises the file and reads it transposed.
        QCOMPARE(writePositionCoded(file, 3, 2), 1);
        matrixfiletest::ReadResult viaGetmatrix;
        viaGetmatrix.tailLength = 7;
        QVERIFY(viaGetmatrix.read(QFile::decodeName(file), -1, -1, -1, -1, -1, -1, 1));
        QVERIFY(lastWasMatlab());
        QCOMPARE(viaGetmatrix.tailLength, 0);
        QVERIFY(!viaGetmatrix.tail);
        QCOMPARE(viaGetmatrix.rows * 10 + viaGetmatrix.cols, 23);
        QCOMPARE(viaGetmatrix.m[2][3], 32.0);
    }

    void selectionPicksArrayRowsAndColumns_data()
    {
        QTest::addColumn<QList<int>>("selection"); // rowFrom..colStep, transposed
        QTest::addColumn<int>("expectedRows");
        QTest::addColumn<int>("expectedCols");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("defaults give the whole 8 x 3 array")
            << QList<int>{-1, -1, -1, -1, -1, -1, 0} << 8 << 3
            << QList<double>{11, 12, 13, 21, 22, 23, 31, 32, 33, 41, 42, 43,
                             51, 52, 53, 61, 62, 63, 71, 72, 73, 81, 82, 83};
        QTest::newRow("rows 2 to 10 in steps of 3 give rows 2, 5, 8")
            << QList<int>{2, 10, 3, 2, 0, 0, 0} << 3 << 2 << QList<double>{22, 23, 52, 53, 82, 83};
        QTest::newRow("a to below its from reads the one row")
            << QList<int>{4, 2, 1, 3, 3, 1, 0} << 1 << 1 << QList<double>{43};
        QTest::newRow("transposed without selection is 3 x 8")
            << QList<int>{-1, -1, -1, -1, -1, -1, 1} << 3 << 8
            << QList<double>{11, 21, 31, 41, 51, 61, 71, 81, 12, 22, 32, 42, 52, 62, 72, 82,
                             13, 23, 33, 43, 53, 63, 73, 83};
        QTest::newRow("transposed, row values pick array columns")
            << QList<int>{2, 3, 1, 1, 8, 7, 1} << 2 << 2 << QList<double>{12, 82, 13, 83};
        QTest::newRow("starting beyond the array is refused")
            << QList<int>{9, -1, -1, -1, -1, -1, 0} << 0 << 0 << QList<double>{};
    }

    void selectionPicksArrayRowsAndColumns()
    {
        QFETCH(QList<int>, selection);
        QFETCH(int, expectedRows);
        QFETCH(int, expectedCols);
        QFETCH(QList<double>, expected);
        const QByteArray file = scratchFile("selection.mat");
        QCOMPARE(writePositionCoded(file, 8, 3), 1);
        const ReadResult read = readMatrix(QFile::decodeName(file), nullptr, selection);
        QCOMPARE(read.rows, expectedRows);
        QCOMPARE(read.cols, expectedCols);
        QCOMPARE(read.values, expected);
        QCOMPARE(read.printed, expectedRows ? QByteArray() : "Error reading matlab file " + file + "\n");
    }

    void variablesAreFoundByNameIgnoringCase_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("name"); // empty: none asked
        QTest::addColumn<int>("expectedRows");
        QTest::addColumn<QList<double>>("expected");
        QTest::addColumn<QByteArray>("expectedFoundName");
        QTest::newRow("a structure without 'field' before a matrix is passed over")
            << fixture("struct_then_matrix.mat") << QByteArray() << 2 << QList<double>{1, 2, 3, 4, 5, 6}
            << QByteArray();
        QTest::newRow("a structure's 'field' is taken and names the structure")
            << fixture("struct_with_field.mat") << QByteArray() << 2 << QList<double>{7, -8, 9, 10}
            << QByteArray("holder");
        QTest::newRow("an asked field of a structure")
            << fixture("struct_then_matrix.mat") << QByteArray("scale") << 1 << QList<double>{2, 3}
            << QByteArray("info");
        const QList<double> signal{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        QTest::newRow("an asked name in another letter case")
            << fixture("skipped_classes.mat") << QByteArray("SIGNAL") << 3 << signal << QByteArray();
        QTest::newRow("text, single, logical and empty arrays are passed over")
            << fixture("skipped_classes.mat") << QByteArray() << 3 << signal << QByteArray();
        QTest::newRow("int32 keeps its sign")
            << fixture("int32_negative.mat") << QByteArray("counts") << 2
            << QList<double>{-1, 0, 1, 2147483647.0, -2147483648.0, -2} << QByteArray();
        QTest::newRow("uint32 above 2^31 stays unsigned")
            << fixture("uint32_large.mat") << QByteArray() << 1
            << QList<double>{3000000000.0, 4294967295.0, 2147483648.0, 1} << QByteArray();
        QTest::newRow("a complex array gives its real part")
            << fixture("complex.mat") << QByteArray() << 1 << QList<double>{1, 3} << QByteArray();
        QTest::newRow("a version 4 file")
            << fixture("version4.mat") << QByteArray() << 3 << QList<double>{1, 2, 3, 4, 5, 6} << QByteArray();
    }

    void variablesAreFoundByNameIgnoringCase()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, name);
        QFETCH(int, expectedRows);
        QFETCH(QList<double>, expected);
        QFETCH(QByteArray, expectedFoundName);
        const ReadResult read = readMatrix(file, name.isEmpty() ? nullptr : name.constData());
        QVERIFY2(read.values.size(), read.printed.constData());
        QCOMPARE(read.rows, expectedRows);
        QCOMPARE(read.cols * expectedRows, int(expected.size()));
        QCOMPARE(read.values, expected);
        QCOMPARE(read.foundName, expectedFoundName);
    }

    void version73FileIsRead()
    {
        // SciPy cannot write the HDF5-based version 7.3, so matio itself makes it.
        const MatioFunctions *mat = matioFunctions("(probe)");
        QVERIFY(mat);
        const QByteArray file = scratchFile("version73.mat");
        mat_t *out = mat->create(file.constData(), nullptr, MAT_FT_MAT73);
        if (!out)
            QSKIP("this matio build cannot write version 7.3 files");
        std::int32_t columnOrder[6] = {-1, 2, 3, 4, 5, -6};
        std::size_t dims[2] = {2, 3};
        matvar_t *ints = mat->createArray("ints", MAT_C_INT32, MAT_T_INT32, 2, dims, columnOrder,
                                          MAT_F_DONT_COPY_DATA);
        QVERIFY(ints);
        QCOMPARE(mat->write(out, ints, MAT_COMPRESSION_NONE), 0);
        mat->release(ints);
        QCOMPARE(mat->close(out), 0);
        const ReadResult read = readMatrix(QFile::decodeName(file), "Ints");
        QCOMPARE(read.rows * 10 + read.cols, 23);
        QCOMPARE(read.values, (QList<double>{-1, 3, 5, 2, 4, -6}));
    }

    void unreadableFilesAreRefused_data()
    {
        QTest::addColumn<QString>("file"); // empty: a written file cut to keptBytes
        QTest::addColumn<int>("keptBytes"); // -1: no file at all
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("message"); // %s: the file name
        const QByteArray openError("\n Error opening matlab file %s\n\n");
        const QByteArray readError("Error reading matlab file %s\n");
        QTest::newRow("missing file") << QString() << -1 << QByteArray() << openError;
        QTest::newRow("only part of the 128-byte header") << QString() << 60 << QByteArray() << openError;
        QTest::newRow("header and a cut variable") << QString() << 140 << QByteArray() << readError;
        QTest::newRow("no numeric variable") << fixture("geometry_columns.mat") << 0 << QByteArray() << readError;
        QTest::newRow("missing variable") << fixture("struct_then_matrix.mat") << 0 << QByteArray("absent")
                                          << QByteArray("Did not find absent in matlab file %s\n");
    }

    void unreadableFilesAreRefused()
    {
        QFETCH(QString, file);
        QFETCH(int, keptBytes);
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, message);
        if (file.isEmpty()) {
            file = scratch.filePath(QStringLiteral("broken.mat"));
            QFile::remove(file);
            if (keptBytes >= 0) {
                QCOMPARE(writePositionCoded(QFile::encodeName(file), 20, 20), 1);
                QVERIFY(QFile::resize(file, keptBytes));
            }
        }
        const ReadResult read = readMatrix(file, name.isEmpty() ? nullptr : name.constData());
        QVERIFY(read.values.isEmpty());
        QCOMPARE(read.rows + read.cols, 0);
        QCOMPARE(QString::fromLatin1(read.printed), QString::fromLatin1(message).replace(QLatin1String("%s"), file));
    }

    void geometryIsReadFromEitherLayout_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("found");
        QTest::newRow("3 x n nodes, 1-based double faces under node and face") << fixture("geometry_columns.mat") << true;
        QTest::newRow("n x 3 nodes, 1-based int32 faces under pnt and tri") << fixture("geometry_rows.mat") << true;
        QTest::newRow("first double and first uint32 plain arrays") << fixture("geometry_plain.mat") << true;
        QTest::newRow("no nodes") << fixture("int32_negative.mat") << false;
    }

    void geometryIsReadFromEitherLayout()
    {
        QFETCH(QString, file);
        QFETCH(bool, found);
        const Geometry geometry = readGeometry(file);
        QCOMPARE(geometry.found, int(found));
        QCOMPARE(geometry.nodes, found ? tetrahedronNodes : QList<double>());
        QCOMPARE(geometry.faces, found ? tetrahedronFaces : QList<int>());
        QCOMPARE(geometry.name, QByteArray());
    }

    // Four-node cells are no triangle faces: the reader takes none of them.
    void writtenGeometryNodesReadBack_data()
    {
        QTest::addColumn<int>("update");
        QTest::newRow("new file") << 0;
        QTest::newRow("update of a missing file creates it") << 1;
    }

    void writtenGeometryNodesReadBack()
    {
        QFETCH(int, update);
        const QByteArray file = scratchFile("geometry.mat");
        QFile::remove(QFile::decodeName(file));
        QCOMPARE(writeTetrahedron(file, update ? "" : nullptr, update), 1);
        const Geometry geometry = readGeometry(QFile::decodeName(file));
        QCOMPARE(geometry.found, 1);
        QCOMPARE(geometry.nodes, tetrahedronNodes);
        QVERIFY(geometry.faces.isEmpty());
    }

    void updateKeepsTheFilesOtherVariablesAndFields()
    {
        const QByteArray file = scratchFile("updated.mat");
        QCOMPARE(writePositionCoded(file, 1, 2, "keep"), 1);
        QCOMPARE(writeTetrahedron(file, "mesh", 1), 1);
        QCOMPARE(writeTetrahedron(file, "mesh", 1, 10.0), 1);
        QCOMPARE(readMatrix(QFile::decodeName(file), "keep").values, (QList<double>{11, 12}));
        const Geometry geometry = readGeometry(QFile::decodeName(file));
        QCOMPARE(geometry.nodes.size(), 12);
        QCOMPARE(geometry.nodes.first(), 10.0);

        const QString copy = QFile::decodeName(scratchFile("struct_updated.mat"));
        QFile::remove(copy);
        QVERIFY(QFile::copy(fixture("struct_then_matrix.mat"), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(writeTetrahedron(QFile::encodeName(copy), "info", 1), 1);
        const ReadResult scale = readMatrix(copy, "scale");
        QCOMPARE(scale.foundName, QByteArray("info"));
        QCOMPARE(scale.values, (QList<double>{2, 3}));
        QCOMPARE(readGeometry(copy).nodes, tetrahedronNodes);
    }

    // SciPy's loadmat (print_mat.py) checks what we write with a reader of its own.
    void scipyReadsWhatWeWrite()
    {
        const QString python = QStringLiteral("/usr/bin/python3");
        if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import scipy.io")}) != 0)
            QSKIP("no Python with SciPy to cross-check the written files");
        const auto listing = [&](const QByteArray &file) {
            QProcess reader;
            reader.start(python, {fixture("print_mat.py"), QFile::decodeName(file)});
            reader.waitForFinished();
            return QString::fromLatin1(reader.readAll()).split('\n', Qt::SkipEmptyParts);
        };
        const QByteArray matrixFile = scratchFile("for_scipy_matrix.mat");
        QCOMPARE(writePositionCoded(matrixFile, 2, 3), 1);
        QCOMPARE(listing(matrixFile), QStringList{QStringLiteral("m float64 2 3 11.0 21.0 12.0 22.0 13.0 23.0")});
        const QByteArray geometryFile = scratchFile("for_scipy_geometry.mat");
        QCOMPARE(writeTetrahedron(geometryFile, nullptr, 0), 1);
        QCOMPARE(listing(geometryFile),
                 (QStringList{QStringLiteral("Geometry.node float64 3 4 0.0 0.0 0.0 1.0 0.0 0.0 0.0 2.0 "
                                             "0.0 0.0 0.0 3.0"),
                              QStringLiteral("Geometry.cell uint32 4 4 1 2 3 1 1 2 4 1 1 3 4 1 2 3 4 2")}));
    }
};

RELAXON_TEST_CLASS(TestMatlabFile)
#include "test_matlabfile.moc"
