#include "numerics/matlabfile.h"
#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QFile>
#include <QList>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(RELAXON_TEST_DATA "/matlab/") + QLatin1String(name);
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
    geometry.name = name;
    std::free(nodes);
    std::free(faces);
    return geometry;
}

// A Python with SciPy: the independent reader that checks what we write.
QString scipyPython()
{
    const QStringList candidates{QStringLiteral("/usr/bin/python3"),
                                 QStandardPaths::findExecutable(QStringLiteral("python3"))};
    for (const QString &python : candidates) {
        if (python.isEmpty() || !QFile::exists(python))
            continue;
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import scipy.io")});
        if (probe.waitForFinished() && probe.exitStatus() == QProcess::NormalExit
            && probe.exitCode() == 0)
            return python;
    }
    return {};
}

// What SciPy's loadmat finds in the file, one line per array (see print_mat.py).
QStringList scipyListing(const QString &python, const QByteArray &file)
{
    QProcess reader;
    reader.start(python, {fixture("print_mat.py"), QFile::decodeName(file)});
    if (!reader.waitForFinished() || reader.exitCode() != 0)
        return {QString::fromLocal8Bit(reader.readAllStandardError())};
    return QString::fromLatin1(reader.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestMatlabGeometry : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir scratch;

    QByteArray scratchFile(const char *name) const
    {
        return QFile::encodeName(scratch.filePath(QLatin1String(name)));
    }

    // Writes the tetrahedron, with cells that repeat each face's first node.
    int writeTetrahedron(const QByteArray &file, const char *name, int update, double shift = 0)
    {
        QList<double> nodes = tetrahedronNodes;
        for (double &v : nodes)
            v += shift;
        QList<int32> cells;
        for (int f = 0; f < 4; ++f)
            cells << tetrahedronFaces[3 * f] << tetrahedronFaces[3 * f + 1]
                  << tetrahedronFaces[3 * f + 2] << tetrahedronFaces[3 * f];
        return writeMatlabGeometry(file.constData(), nodes.constData(), 4, cells.constData(), 4,
                                   name, update);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        if (!loadMatlabLibraries("(probe)"))
            QSKIP("the matio library is not installed");
    }

    void geometryIsReadFromEitherLayout_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("3 x n nodes, 1-based double faces under node and face")
            << fixture("geometry_columns.mat");
        QTest::newRow("n x 3 nodes, 1-based int32 faces under pnt and tri")
            << fixture("geometry_rows.mat");
        QTest::newRow("first double and first uint32 plain arrays")
            << fixture("geometry_plain.mat");
    }

    void geometryIsReadFromEitherLayout()
    {
        QFETCH(QString, file);
        const Geometry geometry = readGeometry(file);
        QCOMPARE(geometry.found, 1);
        QCOMPARE(geometry.nodes, tetrahedronNodes);
        QCOMPARE(geometry.faces, tetrahedronFaces);
        QCOMPARE(geometry.name, QByteArray());
    }

    void fileWithoutNodesGivesNothing()
    {
        const Geometry geometry = readGeometry(fixture("int32_negative.mat"));
        QCOMPARE(geometry.found, 0);
        QVERIFY(geometry.nodes.isEmpty());
        QVERIFY(geometry.faces.isEmpty());
    }

    void writtenGeometryNodesReadBack()
    {
        const QByteArray file = scratchFile("geometry.mat");
        QCOMPARE(writeTetrahedron(file, nullptr, 0), 1);
        const Geometry geometry = readGeometry(QFile::decodeName(file));
        QCOMPARE(geometry.found, 1);
        QCOMPARE(geometry.nodes, tetrahedronNodes);
        // Four-node cells are no triangle faces: the reader takes none of them.
        QVERIFY(geometry.faces.isEmpty());
    }

    void updateKeepsTheFilesOtherVariables()
    {
        const QByteArray file = scratchFile("updated.mat");
        double **m = dmatrix(1, 1, 1, 2);
        m[1][1] = 4;
        m[1][2] = 5;
        QCOMPARE(writeMatlabMatrix(file.constData(), m, 1, 2, "keep"), 1);
        free_dmatrix(m, 1, 1, 1);

        QCOMPARE(writeTetrahedron(file, "mesh", 1), 1);
        QCOMPARE(writeTetrahedron(file, "mesh", 1, 10.0), 1);

        int32 rows = 0, cols = 0;
        double **kept = readMatlabMatrix(file.constData(), &rows, &cols, "keep",
                                         -1, -1, -1, -1, -1, -1, 0, nullptr);
        QVERIFY(kept);
        QCOMPARE(rows * cols, 2);
        QCOMPARE(kept[1][2], 5.0);
        free_dmatrix(kept, 1, rows, 1);

        const Geometry geometry = readGeometry(QFile::decodeName(file));
        QCOMPARE(geometry.nodes.size(), 12);
        QCOMPARE(geometry.nodes.first(), 10.0);
    }

    void updateKeepsTheStructuresOtherFields()
    {
        const QByteArray file = scratchFile("struct_updated.mat");
        QFile::remove(QFile::decodeName(file));
        QVERIFY(QFile::copy(fixture("struct_then_matrix.mat"), QFile::decodeName(file)));
        QFile::setPermissions(QFile::decodeName(file), QFile::ReadOwner | QFile::WriteOwner);

        QCOMPARE(writeTetrahedron(file, "info", 1), 1);

        int32 rows = 0, cols = 0;
        char foundName[matlabNameCapacity];
        double **scale = readMatlabMatrix(file.constData(), &rows, &cols, "scale",
                                          -1, -1, -1, -1, -1, -1, 0, foundName);
        QVERIFY(scale);
        QCOMPARE(QByteArray(foundName), QByteArray("info"));
        QCOMPARE(scale[1][2], 3.0);
        free_dmatrix(scale, 1, rows, 1);
        QCOMPARE(readGeometry(QFile::decodeName(file)).nodes, tetrahedronNodes);
    }

    void updateOfAMissingFileCreatesIt()
    {
        const QByteArray file = scratchFile("created_by_update.mat");
        QFile::remove(QFile::decodeName(file));
        QCOMPARE(writeTetrahedron(file, "", 1), 1);
        QCOMPARE(readGeometry(QFile::decodeName(file)).nodes, tetrahedronNodes);
    }

    void scipyReadsWhatWeWrite()
    {
        const QString python = scipyPython();
        if (python.isEmpty())
            QSKIP("no Python with SciPy to cross-check the written files");

        const QByteArray matrixFile = scratchFile("for_scipy_matrix.mat");
        double **m = dmatrix(1, 2, 1, 3);
        for (int k = 0; k < 6; ++k)
            m[1 + k / 3][1 + k % 3] = 0.5 + k;
        QCOMPARE(writeMatlabMatrix(matrixFile.constData(), m, 2, 3, nullptr), 1);
        free_dmatrix(m, 1, 2, 1);
        QCOMPARE(scipyListing(python, matrixFile),
                 QStringList{QStringLiteral("m float64 2 3 0.5 3.5 1.5 4.5 2.5 5.5")});

        const QByteArray geometryFile = scratchFile("for_scipy_geometry.mat");
        QCOMPARE(writeTetrahedron(geometryFile, nullptr, 0), 1);
        QCOMPARE(scipyListing(python, geometryFile),
                 (QStringList{
                     QStringLiteral("Geometry.node float64 3 4 0.0 0.0 0.0 1.0 0.0 0.0 0.0 2.0 "
                                    "0.0 0.0 0.0 3.0"),
                     QStringLiteral("Geometry.cell uint32 4 4 1 2 3 1 1 2 4 1 1 3 4 1 2 3 4 2"),
                 }));
    }
};

RELAXON_TEST_CLASS(TestMatlabGeometry)
#include "test_matlabfile_geometry.moc"
