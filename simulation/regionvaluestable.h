#ifndef RELAXON_SIMULATION_REGIONVALUESTABLE_H
#define RELAXON_SIMULATION_REGIONVALUESTABLE_H

#include "simulation/acquisition.h"
#include "simulation/recordingparams.h"
#include "simulation/regionstatistics.h"

#include <string>
#include <vector>

// What one recording contributes to "Copy Region Values".
struct RegionValuesRow
{
    ViewRecordingParams params;      // te, tr, and tp when prepulse is on
    AcquisitionSettings acquisition;
    int32 imageRows = 0;             // phase-encoding lines, for the scan time
    double fullScale = 0;            // of the case, for the noise sigma
    RegionStatistics statistics;     // of the region in this recording's image
};

// The tab-separated table for a spreadsheet: the header line
//   TE (ms) TR (ms) TP (ms) NEX BW (Hz) d (mm) ETL scan time (s) mean SD SNR
// then one line per row, every line ending in "\n". Numbers in the C locale's
// notation whatever the user's, in the shortest form that reads back to the same
// double; a value that does not exist (TP without prepulse, SNR of a recording
// without noise, mean and SD of an empty region) is an empty cell.
std::string regionValuesTable(const std::vector<RegionValuesRow> &rows);

#endif
