/* Resource identifiers the class layer itself looks up in the program's resources.
   Plain #defines only, so that both the C++ compiler and windres can read this file. */
#ifndef GLYPHCAST_WINLIB_AFXRES_H
#define GLYPHCAST_WINLIB_AFXRES_H

/* The string-table entry that names the application (message box captions). */
#define AFX_IDS_APP_TITLE 0xE000

#endif /* GLYPHCAST_WINLIB_AFXRES_H */
