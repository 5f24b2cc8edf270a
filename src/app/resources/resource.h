/* Resource identifiers shared by the resource scripts and the program code. */
#ifndef TESSARINE_RESOURCE_H
#define TESSARINE_RESOURCE_H

#define IDI_TESSARINE 1

/* The restore files dialog and its controls; the end-to-end driver finds
   the controls by these numbers too. */
#define IDD_RESTORE_FILES 200
#define IDC_RESTORE_FILES_LIST 301
#define IDC_RESTORE_FILES_LABEL 302

#endif
