#include "simulation/regionvaluestable.h"

#include <charconv>
#include <cmath>

namespace {

void appendCell(std::string &line, double value)
{
    line += '\t';
    if (!std::isfinite(value))
        return;
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    line.append(text, written.ptr);
}

} // namespace

std::string regionValuesTable(const std::vector<RegionValuesRow> &rows)
{
    std::string table =
        "TE (ms)\tTR (ms)\tTP (ms)\tNEX\tBW (Hz)\td (mm)\tETL\tscan time (s)\tmean\tSD\tSNR\n";
    for (const RegionValuesRow &row : rows) {
        std::string line;
        appendCell(line, row.params.te);
        appendCell(line, row.params.tr);
        appendCell(line, row.params.prepulse ? row.params.tp : NAN);
        appendCell(line, row.acquisition.averages);
        appendCell(line, row.acquisition.bandwidth);
        appendCell(line, row.acquisition.sliceThickness);
        appendCell(line, row.acquisition.echoTrainLength);
        appendCell(line, scanTimeSeconds(row.params.tr, row.imageRows, row.acquisition));
        appendCell(line, row.statistics.mean);
        appendCell(line, row.statistics.standardDeviation);
        appendCell(line, regionSnr(row.statistics, row.acquisition, row.fullScale));
        table.append(line, 1); // without the tab before the first cell
        table += '\n';
    }
    return table;
}
