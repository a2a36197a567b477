/* Resources of the class-layer tests (TestResources.rc). */
#ifndef ZV_TEST_RESOURCE_H
#define ZV_TEST_RESOURCE_H

#define IDD_PROBE       100

#define IDC_LABEL       1001
#define IDC_PUSH        1002
#define IDC_PLAIN       1003
#define IDC_OWNERDRAW   1004
#define IDC_EDIT1       1005
#define IDC_EDIT2       1006
#define IDC_SLIDER      1007
#define IDC_EDIT3       1008

#define IDB_BLOCKS      201 /* 4 x 3, 24 bpp */
#define IDB_WIDE        202 /* 105 x 5, 24 bpp */
#define IDB_INDEXED     203 /* 4 x 2, 8 bpp, 8 colours */
#define IDB_MISSING     299 /* no such bitmap */

#endif
