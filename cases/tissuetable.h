#ifndef RELAXON_CASES_TISSUETABLE_H
#define RELAXON_CASES_TISSUETABLE_H

#include <QString>

#include <vector>

// One row of a segmentation's tissue table: PD in any unit, T1 and T2 in ms.
struct TissueRow
{
    int label = 0;
    QString name;
    double pd = 0;
    double t1 = 0;
    double t2 = 0;
};

// FSL FAST's labels with the tissue values of the built-in cases: 1 CSF, 2 grey
// matter, 3 white matter.
std::vector<TissueRow> defaultTissueTable();

// Reads a comma-separated table with the columns label, name, PD, T1, T2 (a first
// line that does not start with a number is a heading). Labels are whole numbers,
// each at most once; PD is at least 0, T1 and T2 above 0.
bool readTissueTable(const QString &fileName, std::vector<TissueRow> &table, QString *error);

// The row of label, or null.
const TissueRow *findTissue(const std::vector<TissueRow> &table, int label);

#endif
