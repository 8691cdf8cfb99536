#ifndef RELAXON_CASES_CASEDATA_H
#define RELAXON_CASES_CASEDATA_H

#include <cstdint>

// The loaded case: tissue maps of one slice, or a functional series with its
// statistics. Matrices are 1-based dmatrix blocks; an absent matrix is null.
// Only the loader and the functional statistics write it; views and the signal
// model read it.
struct CaseData
{
    std::int32_t rows = 0;   // first map index, drawn along the horizontal screen axis
    std::int32_t cols = 0;   // second map index; for fMRI the whole series' width
    double fullScale = 2000; // largest PD rounded up by niceCeiling
    bool isMri = false;
    bool hasDti = false;
    std::int32_t frames = 0;

    double **pd = nullptr; // for fMRI: the whole frame series
    double **t1 = nullptr;
    double **t2 = nullptr;

    // fMRI statistics, rows x (cols / frames)
    double **activation = nullptr;
    double **variance = nullptr;
    double **difference = nullptr;
    double **tValue = nullptr;
    double **pValue = nullptr;

    // [1..rows][1..cols][1..16]: 1..9 the tensor row by row, 10 its normalised norm
    double ***tensor = nullptr;

    // Frees every matrix present and returns to the cleared state.
    void release();
};

#endif
