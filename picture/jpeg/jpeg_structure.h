#pragma once

// A walk over a JPEG file's markers up to its end-of-image marker, without
// decoding: how many scans the file holds, whether it ends before that
// marker, and the first marker fault at which libjpeg stops for good when it
// reads that far. libjpeg reads every marker of a file with several scans
// before it hands out the first row (and those of any file before it
// finishes), so such a fault refuses the file just as libjpeg would, only
// before its memory is taken. The walk reads markers the way libjpeg does:
// bytes between segments that are not a marker are skipped, fill bytes too,
// a scan's data runs to the first marker that is not a restart marker. A
// marker it cannot follow as libjpeg does (one of no known kind right after
// scan data, a segment too short for its length field) ends the walk with
// no verdict.

#include <cstddef>
#include <iosfwd>

struct JpegStructure {
    int scans = 0;                // start-of-scan markers walked
    bool cutShort = false;        // the file ends before its end-of-image marker
    int faultCode = 0;            // libjpeg's message code of the fault; 0: none found
    int faultParameter = 0;       // the number its message shows (a table index)
    std::size_t faultOffset = 0;  // where the faulty marker starts
};

// Walks `in` from its start-of-image marker; stops as soon as more than
// `maxScans` scans are seen.
JpegStructure WalkJpegStructure(std::istream& in, int maxScans);
