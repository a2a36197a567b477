/*
 * zentavo.h - public interface of Zentavo.dll for host applications.
 *
 * Zentavo.dll is a 32-bit in-process module. Load it with LoadLibrary and
 * resolve the twelve DVR_ functions by name or by ordinal (1..12, in the
 * alphabetical order of their names), or link against it directly. Every
 * function is cdecl and returns int: 1 for success, 0 for failure.
 *
 * Valid C (C11 or later for the layout checks) and C++.
 */
#ifndef ZENTAVO_H
#define ZENTAVO_H

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
typedef HWND ZV_HWND;
#else
/* Builds of the platform-neutral core: a window handle is an opaque 32-bit value. */
typedef uint32_t ZV_HWND;
#define __cdecl
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Camera record, 496 bytes, little-endian. The module copies it, never keeps
 * the pointer, and leaves the first 192 bytes exactly as the host wrote them. */
typedef struct CAMERA_INFO {
    unsigned char abHostArea[192];  /*   0  opaque to the module                         */
    char     szDeviceAddress[128];  /* 192  in: device address, NUL-terminated           */
    char     szUserName[64];        /* 320  in: login user name                          */
    char     szPassword[64];        /* 384  in: login password                           */
    unsigned char abReserved1[8];   /* 448  unused                                       */
    int32_t  nChannel;              /* 456  in: 0-based channel on the device            */
    unsigned char abReserved2[16];  /* 460  unused                                       */
    ZV_HWND  hVideoWnd;             /* 476  in: live picture target, parent of panels    */
    int32_t  nConnectState;         /* 480  out: 1 after a start, 0 after a stop/failure */
    int32_t  lPlayHandle;           /* 484  out: play handle, or a ZV_STATUS_* code      */
    int32_t  nAudioState;           /* 488  in/out: wanted / resulting audio state       */
    int32_t  lLoginHandle;          /* 492  out: login used by the live play             */
} CAMERA_INFO;

/* Codes left in lPlayHandle when DVR_StartVideo returns 0. */
#define ZV_STATUS_PLAY_FAILED    (-1) /* live play not started (or no memory); also lPlayHandle after a stop */
#define ZV_STATUS_LOGIN_FAILED   (-4) /* login to the device failed */
#define ZV_STATUS_NETINIT_FAILED (-5) /* the network library could not be initialised */

/* PTZ action numbers for DVR_SetDomeCMD. Moves run until PTZ_STOP. */
enum PtzAction {
    PTZ_STOP = 0,
    PTZ_LEFT = 1,
    PTZ_UP = 2,
    PTZ_RIGHT = 3,
    PTZ_DOWN = 4,
    PTZ_ZOOM_IN = 5,
    PTZ_ZOOM_OUT = 6,
    PTZ_FOCUS_FAR = 7,
    PTZ_FOCUS_NEAR = 8,
    PTZ_IRIS_LARGER = 9,
    PTZ_IRIS_SMALLER = 10,
    PTZ_LEFT_UP = 11,
    PTZ_LEFT_DOWN = 12,
    PTZ_RIGHT_UP = 13,
    PTZ_RIGHT_DOWN = 14
};

/* Ordinal 1 .. 12 */
int __cdecl DVR_AudioSet(CAMERA_INFO *pCamera);
int __cdecl DVR_CloseCamera(int nUnused);
int __cdecl DVR_FreeCamera(int nUnused);
int __cdecl DVR_GetAudioState(CAMERA_INFO *pCamera);
int __cdecl DVR_GetConnectState(CAMERA_INFO *pCamera);
int __cdecl DVR_InitCamera(ZV_HWND hParent, int nUnused);
int __cdecl DVR_IsExistDome(int nUnused);
int __cdecl DVR_ParamSet(CAMERA_INFO *pCamera, int nShow, int x, int y);
int __cdecl DVR_SetDomeCMD(int nUnused1, int nCommand, int nUnused2);
int __cdecl DVR_ShowCamera(CAMERA_INFO *pCamera, int nShow, int x, int y);
int __cdecl DVR_StartVideo(CAMERA_INFO *pCamera);
int __cdecl DVR_StopVideo(CAMERA_INFO *pCamera);

/* Layout checks: a mismatch here means the host and the module disagree. */
#ifdef __cplusplus
#define ZV_STATIC_ASSERT(e, m) static_assert(e, m)
#else
#define ZV_STATIC_ASSERT(e, m) _Static_assert(e, m)
#endif
ZV_STATIC_ASSERT(sizeof(ZV_HWND) == 4, "window handles must be 32-bit");
ZV_STATIC_ASSERT(sizeof(CAMERA_INFO) == 496, "CAMERA_INFO must be 496 bytes");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, szDeviceAddress) == 192, "szDeviceAddress offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, szUserName) == 320, "szUserName offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, szPassword) == 384, "szPassword offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, abReserved1) == 448, "reserved offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, nChannel) == 456, "nChannel offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, abReserved2) == 460, "reserved offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, hVideoWnd) == 476, "hVideoWnd offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, nConnectState) == 480, "nConnectState offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, lPlayHandle) == 484, "lPlayHandle offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, nAudioState) == 488, "nAudioState offset");
ZV_STATIC_ASSERT(offsetof(CAMERA_INFO, lLoginHandle) == 492, "lLoginHandle offset");
#undef ZV_STATIC_ASSERT

#ifdef __cplusplus
}
#endif

#endif /* ZENTAVO_H */
