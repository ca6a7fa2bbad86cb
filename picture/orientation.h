#pragma once

// Turning a picture upright as its EXIF orientation says. The eight values
// are the ways a camera may have stored the picture: 1 as it is seen, 2
// mirrored left to right, 3 turned half round, 4 mirrored top to bottom, 5
// mirrored along the diagonal from the top left, 6 to be turned a quarter
// clockwise, 7 mirrored along the other diagonal, 8 to be turned a quarter
// counter-clockwise. Values 5 to 8 exchange width and height.

#include "picture/dib.h"

// Turns a 24-bit `picture` upright; an orientation of 1 or outside 1 to 8
// changes nothing. Mirrors and the half turn work in place; the others make
// the turned picture first (EOutOfMemory when it cannot be had, `picture`
// then unchanged) and replace the old one with it.
void TurnUpright(TDIB& picture, int orientation);

// True for the orientations that exchange width and height.
inline bool OrientationTurnsAQuarter(int orientation) {
    return orientation >= 5 && orientation <= 8;
}
