#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QTest>

// The dmatrix layout itself is relied on, and so checked, by the tests that view
// matrices as one block; these cover the other allocators and the refusals.
class TestMatrixMemory : public QObject
{
    Q_OBJECT

private slots:
    void blocksAreZeroFilledAndAddressedFromTheirLowerBounds()
    {
        int32 *iv = ivector(-2, 2);
        QVERIFY(iv && iv[-2] == 0 && iv[2] == 0);
        free_ivector(iv, -2, 2);
        double **offset = matrix(0, 4, -1, 1);
        QVERIFY(offset && offset[4][1] == 0);
        QCOMPARE(&offset[4][-1], &offset[0][-1] + 12);
        free_matrix(offset, 0, 4, -1);
        double ***t = d3tensor(1, 2, 1, 2, 1, 16);
        QVERIFY(t && t[2][2][16] == 0);
        QCOMPARE(&t[2][1][1], &t[1][1][1] + 32);
        QCOMPARE(&t[1][2][1], &t[1][1][1] + 16);
        free_d3tensor(t, 1, 2, 1, 2, 1);
    }

    void oversizedAndEmptyRequestsAreRefused()
    {
        // 6e8 elements lie above the dense limit and must fail before allocating.
        QVERIFY(!dmatrix(1, 30000, 1, 20000));
        QVERIFY(!dmatrix(1, 0, 1, 5));
        QVERIFY(!dvector(5, 1));
        QVERIFY(!imatrix(1, 3, 2, 1));
        QVERIFY(!d3tensor(1, 1, 1, 1, 2, 1));
    }
};

RELAXON_TEST_CLASS(TestMatrixMemory)
#include "test_matrixmemory.moc"
