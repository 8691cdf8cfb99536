#include "numerics/matrixmemory.h"
#include "testrunner.h"

#include <QTest>

class TestMatrixMemory : public QObject
{
    Q_OBJECT

private slots:
    void vectorsAreZeroFilledAndAddressedFromTheirLowerBound()
    {
        double *v = dvector(1, 3);
        QVERIFY(v);
        QCOMPARE(v[1], 0.0);
        QCOMPARE(v[3], 0.0);
        v[1] = 1;
        v[3] = 3;
        free_dvector(v, 1, 3);

        double *zeroBased = dvector(0, 9);
        QVERIFY(zeroBased);
        zeroBased[0] = 1;
        zeroBased[9] = 2;
        QCOMPARE(zeroBased[0] + zeroBased[9], 3.0);
        free_dvector(zeroBased, 0, 9);

        int32 *iv = ivector(-2, 2);
        QVERIFY(iv);
        QCOMPARE(iv[-2], 0);
        QCOMPARE(&iv[2] - &iv[-2], 4);
        free_ivector(iv, -2, 2);

        free_dvector(nullptr, 1, 3);
        free_ivector(nullptr, 1, 3);
    }

    void matrixRowsAreContiguousInRowOrder()
    {
        double **m = dmatrix(1, 2, 1, 3);
        QVERIFY(m);
        QCOMPARE(&m[2][1], &m[1][3] + 1);
        for (int i = 1; i <= 2; ++i)
            for (int j = 1; j <= 3; ++j)
                QCOMPARE(m[i][j], 0.0);
        free_dmatrix(m, 1, 2, 1);

        double **offset = matrix(0, 4, -1, 1);
        QVERIFY(offset);
        QCOMPARE(&offset[4][-1], &offset[0][-1] + 12);
        free_matrix(offset, 0, 4, -1);
    }

    void integerMatrixRowsAreSeparateZeroBlocks()
    {
        int32 **m = imatrix(1, 3, 1, 4);
        QVERIFY(m);
        for (int i = 1; i <= 3; ++i) {
            for (int j = 1; j <= 4; ++j) {
                QCOMPARE(m[i][j], 0);
                m[i][j] = 10 * i + j;
            }
        }
        QCOMPARE(m[3][4], 34);
        free_imatrix(m, 1, 3, 1);
    }

    void tensorElementsFollowTheDepthStride()
    {
        double ***t = d3tensor(1, 2, 1, 2, 1, 16);
        QVERIFY(t);
        QCOMPARE(&t[2][1][1], &t[1][1][1] + 32);
        QCOMPARE(&t[1][2][1], &t[1][1][1] + 16);
        QCOMPARE(t[2][2][16], 0.0);
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
