/*
 * Resource ids of Zentavo.dll: dialog templates, their controls, bitmaps,
 * menus and the joystick cursor.
 *
 * Plain #defines only, so that both the resource compiler (zentavo.rc) and
 * C/C++ sources can include this file. Bitmap, control, menu and cursor ids
 * live in separate resource name spaces and reuse numbers (6065 is a button
 * and a bitmap, 6062 a bitmap and the cursor); every id has its own macro.
 */
#ifndef ZENTAVO_RESOURCE_H
#define ZENTAVO_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* ---- Dialog templates ------------------------------------------------- */

#define IDD_DOME_PANEL                  6051
#define IDD_COLOR_PANEL                 141

/* ---- Dome panel controls (template 6051) ------------------------------ */

#define IDC_DOME_COMBO                  6061    /* drop-down list: the camera the panel steers */
#define IDC_DOME_UP                     6052
#define IDC_DOME_DOWN                   6053
#define IDC_DOME_LEFT                   6054
#define IDC_DOME_RIGHT                  6056
#define IDC_DOME_MORE                   6011    /* hidden, never shown */
#define IDC_DOME_SETTING                6078    /* hidden, never shown */
#define IDC_DOME_IRIS_LARGER            6013
#define IDC_DOME_IRIS_SMALLER           6015
#define IDC_DOME_IRIS_AUTO              6022
#define IDC_DOME_FOCUS_NEAR             6063
#define IDC_DOME_FOCUS_FAR              6064
#define IDC_DOME_FOCUS_AUTO             6020
#define IDC_DOME_ZOOM_IN                6065
#define IDC_DOME_ZOOM_OUT               6010
#define IDC_DOME_ZOOM_AUTO              6017
#define IDC_DOME_SPEED_DOWN             6066
#define IDC_DOME_SPEED_UP               6067
#define IDC_DOME_SPEED_AUTO             6019
#define IDC_DOME_JOYSTICK               6060    /* hidden black frame: the joystick's hit rectangle */
#define IDC_DOME_REFRESH                6018
#define IDC_DOME_POSITION               6026
#define IDC_DOME_SERIAL                 6027
#define IDC_DOME_PRESET_LIST            6024
#define IDC_DOME_SEQUENCE_LIST          6025
#define IDC_DOME_EXIT                   6079
#define IDC_DOME_AUTO_MOVE_BEGIN        6021
#define IDC_DOME_AUTO_MOVE_STOP         6023

/* ---- Colour panel controls (template 141) ----------------------------- */

#define IDC_COLOR_EXIT                  6079    /* same id as the dome panel's exit */
#define IDC_COLOR_BRIGHTNESS_EDIT       8126
#define IDC_COLOR_CONTRAST_EDIT         8127
#define IDC_COLOR_HUE_EDIT              8128
#define IDC_COLOR_SATURATION_EDIT       8129
#define IDC_COLOR_BRIGHTNESS_SLIDER     1003
#define IDC_COLOR_CONTRAST_SLIDER       1007
#define IDC_COLOR_HUE_SLIDER            1006
#define IDC_COLOR_SATURATION_SLIDER     1005
#define IDC_COLOR_DEFAULT               8028
#define IDC_COLOR_DRAG_AREA             6080    /* hidden picture static covering the panel */

/* ---- Skin bitmaps (24-bit) -------------------------------------------- */

#define IDB_DOME_SKIN_LEFT              6093    /* 169 x 302, drawn at (0, 0) */
#define IDB_DOME_SKIN_RIGHT             6098    /* 260 x 302, drawn at (164, 0) */
#define IDB_COLOR_SKIN                  204     /* 127 x 274 */

/* ---- Button images: normal, pressed, hover ----------------------------
 * Pure red RGB(255, 0, 0) pixels are cut out of the button's window. */

#define IDB_UP_NORMAL                   6048
#define IDB_UP_PRESSED                  6085
#define IDB_UP_HOVER                    6084
#define IDB_DOWN_NORMAL                 6057
#define IDB_DOWN_PRESSED                6056
#define IDB_DOWN_HOVER                  6055
#define IDB_LEFT_NORMAL                 6060
#define IDB_LEFT_PRESSED                6059
#define IDB_LEFT_HOVER                  6058
#define IDB_RIGHT_NORMAL                6088
#define IDB_RIGHT_PRESSED               6087
#define IDB_RIGHT_HOVER                 6086

#define IDB_PLUS_NORMAL                 6121    /* iris larger, focus near, zoom in, speed down */
#define IDB_PLUS_PRESSED                6049
#define IDB_PLUS_HOVER                  6122
#define IDB_MINUS_NORMAL                6104    /* iris smaller, focus far, zoom out, speed up */
#define IDB_MINUS_PRESSED               6065
#define IDB_MINUS_HOVER                 6118
#define IDB_AUTO_NORMAL                 6050    /* the "auto" buttons and auto move begin */
#define IDB_AUTO_PRESSED                6052
#define IDB_AUTO_HOVER                  6051
#define IDB_AUTO_STOP_NORMAL            6134
#define IDB_AUTO_STOP_PRESSED           6133
#define IDB_AUTO_STOP_HOVER             6135

#define IDB_MORE_NORMAL                 6063
#define IDB_MORE_PRESSED                6062
#define IDB_MORE_HOVER                  6061
#define IDB_SETTING_NORMAL              6089
#define IDB_SETTING_PRESSED             6091
#define IDB_SETTING_HOVER               6090

#define IDB_REFRESH_NORMAL              6125
#define IDB_REFRESH_PRESSED             6124
#define IDB_REFRESH_HOVER               6123
#define IDB_POSITION_NORMAL             6120
#define IDB_POSITION_PRESSED            6117
#define IDB_POSITION_HOVER              6116
#define IDB_SERIAL_NORMAL               6126
#define IDB_SERIAL_PRESSED              6127
#define IDB_SERIAL_HOVER                6128

#define IDB_EXIT_NORMAL                 6119    /* 19 x 20, both panels */
#define IDB_EXIT_PRESSED                6054
#define IDB_EXIT_HOVER                  6112
#define IDB_DEFAULT_NORMAL              260     /* 37 x 28, pure red corners */
#define IDB_DEFAULT_PRESSED             261
#define IDB_DEFAULT_HOVER               262

/* ---- Menus of the dome panel's lists ---------------------------------- */

#define IDR_PRESET_MENU                 6034
#define IDR_SEQUENCE_MENU               6035
#define ID_PRESET_RUN                   32780
#define ID_PRESET_DELETE                32778
#define ID_PRESET_DELETE_ALL            32779
#define ID_SEQUENCE_RUN                 32783
#define ID_SEQUENCE_DELETE              32781
#define ID_SEQUENCE_DELETE_ALL          32782

/* ---- Cursor ------------------------------------------------------------ */

#define IDCUR_JOYSTICK                  6062    /* shown while the joystick is held */

#endif /* ZENTAVO_RESOURCE_H */
