// The converter's temporary pages, removed when an interrupt, a termination or a hang-up ends it.
#pragma once

// Off Windows: installs handlers for SIGINT, SIGTERM and SIGHUP that remove every temporary page
// still being written, however many conversions are under way, and then let the signal end the
// process as it would have (the shell sees 130 for an interrupt, 143 for a termination). A signal
// ignored when the program started (an interrupt of a background job) stays ignored. On Windows
// nothing is needed: the pages are marked to go with their handles, which the system closes.
void RemoveTemporaryPagesOnSignal();
