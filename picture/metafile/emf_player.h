#pragma once

// Enhanced metafiles: the header and the records, played on a GdiDevice.

#include <cstddef>
#include <cstdint>

#include "picture/metafile/gdi_device.h"
#include "picture/metafile/geometry.h"

struct EmfHeader {
    RectI bounds;  // device units of the recording device, inclusive corners
    RectI frame;   // hundredths of a millimetre, inclusive corners
    double deviceWidth = 0, deviceHeight = 0;            // pixels of the recording device
    double millimetresWidth = 0, millimetresHeight = 0;  // its size
    std::uint32_t handles = 0;
};

// Reads and checks the header record; throws EInvalidGraphic naming the fault.
EmfHeader ReadEmfHeader(const std::uint8_t* data, std::size_t size);

// Plays every record after the header up to the end record (or the end of
// the data). A record whose size, counts or offsets run past the record or
// the file throws EInvalidGraphic naming the record and offset.
void PlayEmf(const std::uint8_t* data, std::size_t size, const EmfHeader& header, GdiDevice& device,
             WorkBudget& budget);
