#include "scale/resample_tables.h"

#include <algorithm>
#include <cmath>

#include "scale/scale_errors.h"

namespace {

void requireEntries(const ResampleTables& tables, int entries) {
    if (entries < 0 || tables.IndexTable.size() < static_cast<std::size_t>(entries) ||
        tables.FracTable.size() < static_cast<std::size_t>(entries))
        throw EScaleError("Resample tables are too short for this pass");
}

}  // namespace

void BuildAreaTables(int n, int m, bool roundFractions, ResampleTables& tables) {
    requireEntries(tables, m + 1);
    const long double step = static_cast<long double>(n) / static_cast<long double>(m);
    for (int i = 0; i <= m; ++i) {
        const double p = static_cast<double>(step * static_cast<long double>(i));
        const double whole = std::trunc(p);
        const long double fraction = (static_cast<long double>(p) - whole) * 256.0L;
        tables.IndexTable[i] = static_cast<std::int32_t>(whole);
        tables.FracTable[i] = static_cast<std::int32_t>(roundFractions ? std::nearbyint(fraction)
                                                                       : std::trunc(fraction));
    }
}

std::int64_t AreaDivisor(int n, int m) {
    return static_cast<std::int64_t>(static_cast<long double>(n) / static_cast<long double>(m) *
                                     256.0L);
}

void BuildLinearTables(int n, int m, ResampleTables& tables) {
    if (m < 2) throw EScaleError("Linear interpolation needs at least two output samples");
    requireEntries(tables, m);
    const long double step = static_cast<long double>(n - 1) / static_cast<long double>(m - 1);
    for (int i = 0; i < m; ++i) {
        const double p = static_cast<double>(step * static_cast<long double>(i));
        const double whole = std::trunc(p);
        tables.IndexTable[i] = static_cast<std::int32_t>(whole);
        tables.FracTable[i] =
            static_cast<std::int32_t>(std::trunc((static_cast<long double>(p) - whole) * 256.0L));
    }
}

void SizeTablesForRun(int targetWidth, int targetHeight, ResampleTables& tables) {
    tables.ResampleTableLength = std::max(targetWidth, targetHeight);
    const std::size_t entries = static_cast<std::size_t>(tables.ResampleTableLength) + 1;
    tables.IndexTable.assign(entries, 0);
    tables.FracTable.assign(entries, 0);
}
