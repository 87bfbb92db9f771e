#pragma once

namespace tovik {

// Serves every allocation of a megabyte or more with its own memory mapping, so that a
// growing answer or log of many megabytes is enlarged by remapping its pages instead of
// copying them: left to itself, the C library raises that threshold to 32 MB after the
// first big buffer is freed, and each doubling of a long answer then copies all of it
// while the window waits. Call once at start-up, before any thread.
void serveLargeAllocationsByMapping();

} // namespace tovik
