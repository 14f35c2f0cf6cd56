// The converter's temporary pages, removed when an interrupt, a termination or a hang-up ends it.
#pragma once

#include <string>

// Off Windows: installs handlers for SIGINT, SIGTERM and SIGHUP that remove every temporary page
// still being written, however many conversions are under way, and then let the signal end the
// process as it would have (the shell sees 130 for an interrupt, 143 for a termination). A signal
// ignored when the program started (an interrupt of a background job) stays ignored. On Windows
// nothing is needed: the pages are marked to go with their handles, which the system closes.
void RemoveTemporaryPagesOnSignal();

// Off Windows: names a file, or a folder that is empty by then, that the same handlers remove
// after the temporary pages, the last named first (so a folder's files go before the folder).
// Up to 32 paths, named before the conversions start; a path that is gone by then is no harm.
void RemoveOnSignal(const std::string& path);
