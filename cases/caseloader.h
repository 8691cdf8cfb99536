#ifndef RELAXON_CASES_CASELOADER_H
#define RELAXON_CASES_CASELOADER_H

#include "cases/casedata.h"
#include "simulation/displaywindow.h" // niceCeiling

#include <QByteArray>
#include <QString>

#include <cstdint>

// The widget-free half of loading a case. Loading reads the whole file first
// (readCaseFile, which changes nothing the program shows); only after it succeeded
// does the main window tear the old case down and call setupCase.

// A case file read completely: its matrix and its tail.
class CaseFile
{
public:
    CaseFile() = default;
    CaseFile(const CaseFile &) = delete;
    CaseFile &operator=(const CaseFile &) = delete;
    ~CaseFile();

    double **matrix = nullptr; // 1-based rows x cols, owned until setupCase takes it
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    bool hasTail = false;
    QByteArray tail; // the tail bytes with line feeds turned into NULs
};

enum class CaseKind { Mri, MriWithDti, Functional, Plain };

struct CaseSetup
{
    CaseKind kind = CaseKind::Plain;
    // The image of the first view for functional (frame 1) and plain cases; the
    // caller owns it and releases it with free_dmatrix(image, 1, imageRows, 1).
    double **image = nullptr;
    std::int32_t imageRows = 0;
    std::int32_t imageCols = 0;
    QString unitsLabel = QStringLiteral("Signal strength");
    bool invertScale = false;
};

// Reads name, a file path or a Qt resource path beginning with ':'. Returns false,
// leaving file empty, when the file cannot be read or cannot be a usable case (for
// example an "fmri" frame count below 1).
bool readCaseFile(const QString &name, CaseFile &file);

// Recognises the kind by the tail, applies the tail keys, splits stacked maps into
// data (which must be in the cleared state) and runs the functional statistics.
// Takes the matrix out of file.
CaseSetup setupCase(CaseFile &file, CaseData &data);

#endif
