#pragma once

// Waiting for the Esc key to come up after a batch run that it stopped, so
// the held key does not go on into the window.

#include <chrono>

class Platform;

// Polls the key until it is up; the windows go on painting meanwhile, input
// waits. Where the platform learns the key state only from key events, it
// cannot see the release while the run holds the input, so the wait ends
// after `limit` all the same. True when the key came up.
bool WaitForEscapeRelease(Platform& platform, std::chrono::milliseconds limit);
