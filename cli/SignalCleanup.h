// The converter's temporary files, removed whatever signal ends it.
#pragma once

#include <string>

// Off Windows: installs handlers for SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE (a reader of
// standard output that went away) that remove every temporary page still being written, however
// many conversions are under way, and the temporary folders named below, and then let the signal
// end the process as it would have (the shell sees 130 for an interrupt, 141 for a closed pipe). A
// signal ignored when the program started (an interrupt of a background job, a pipe whose end is
// to be told as a failed write) stays ignored. SIGXFSZ is ignored, so that a write past the
// file size limit fails and is reported like any other. On Windows nothing is needed: the pages
// are marked to go with their handles, which the system closes.
void RemoveTemporaryPagesOnSignal();

// True once such a signal is ending the process: what fails from then on (a page whose temporary
// file the handler removed) is not the run's failure to tell.
bool EndingOnSignal();

// Off Windows: names a folder of the program's own that the same handlers empty and remove, with
// whatever files are in it then (it holds no folders). Up to 8 folders; a folder that is gone by
// then is no harm.
void RemoveFolderOnSignal(const std::string& path);
