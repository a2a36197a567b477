/*
 * zentavo.h - public interface of Zentavo.dll for host applications.
 *
 * Zentavo.dll comes in two builds with the same twelve DVR_ functions: a
 * 32-bit (x86) and a 64-bit (x64) module. A process loads the one of its own
 * architecture. Load it with LoadLibrary and resolve the functions with
 * GetProcAddress, by name or by ordinal (1..12, in the alphabetical order of
 * their names), into the PFN_DVR_* types below; or link against its import
 * library and call the declarations. Every function is cdecl (on x64 there is
 * only one calling convention) and returns int; what each one returns is said
 * at its declaration.
 *
 * The camera record has the same 496 bytes and offsets in both builds.
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
/* Builds of the platform-neutral core: a window is the record's 32-bit value. */
typedef int32_t ZV_HWND;
#define __cdecl
#endif

#if defined(_MSC_VER) && !defined(__cplusplus)
#define ZV_INLINE static __inline
#else
#define ZV_INLINE static inline
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The record's window field: 32 bits in both builds. 64-bit Windows keeps
 * window handles 32-bit significant (so that they can cross between 32- and
 * 64-bit processes) and widens them by sign extension; convert with
 * ZV_HwndToRecord and ZV_HwndFromRecord below. */
typedef int32_t ZV_HWND32;

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
    ZV_HWND32 hVideoWnd;            /* 476  in: live picture target, parent of panels    */
    int32_t  nConnectState;         /* 480  out: 1 after a start, 0 after a stop/failure */
    int32_t  lPlayHandle;           /* 484  out: play handle, or a ZV_STATUS_* code      */
    int32_t  nAudioState;           /* 488  in/out: wanted / resulting audio state       */
    int32_t  lLoginHandle;          /* 492  out: login used by the live play             */
} CAMERA_INFO;

/* A window for the record: cam.hVideoWnd = ZV_HwndToRecord(hWnd). */
ZV_INLINE ZV_HWND32 ZV_HwndToRecord(ZV_HWND hWnd) { return (ZV_HWND32)(intptr_t)hWnd; }
/* The record's window, sign-extended as 64-bit Windows widens handles. */
ZV_INLINE ZV_HWND ZV_HwndFromRecord(ZV_HWND32 nWnd) { return (ZV_HWND)(intptr_t)nWnd; }

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

/* The exports, ordinals 1 .. 12. A null record is refused with 0 and
 * nothing is touched. */

/* 1: switches audio as nAudioState asks (nonzero = on) and writes the
 * resulting state back. 1 = switched; 0 = no live play for the camera (record
 * untouched), or the network library refused the switch (nAudioState is then
 * 0, whichever was asked). */
int __cdecl DVR_AudioSet(CAMERA_INFO *pCamera);
typedef int (__cdecl *PFN_DVR_AudioSet)(CAMERA_INFO *pCamera);

/* 2: destroys the dome panel. Always 1. */
int __cdecl DVR_CloseCamera(int nUnused);
typedef int (__cdecl *PFN_DVR_CloseCamera)(int nUnused);

/* 3: the same as DVR_CloseCamera. Always 1. */
int __cdecl DVR_FreeCamera(int nUnused);
typedef int (__cdecl *PFN_DVR_FreeCamera)(int nUnused);

/* 4: the record's own nAudioState, whatever it holds; no lookup. */
int __cdecl DVR_GetAudioState(CAMERA_INFO *pCamera);
typedef int (__cdecl *PFN_DVR_GetAudioState)(CAMERA_INFO *pCamera);

/* 5: 1 while a live play exists for the camera (address, channel, window),
 * else 0. Writes nothing. */
int __cdecl DVR_GetConnectState(CAMERA_INFO *pCamera);
typedef int (__cdecl *PFN_DVR_GetConnectState)(CAMERA_INFO *pCamera);

/* 6: 1 = a dome panel exists or was made (hidden, without a login);
 * 0 = none could be made. */
int __cdecl DVR_InitCamera(ZV_HWND hParent, int nUnused);
typedef int (__cdecl *PFN_DVR_InitCamera)(ZV_HWND hParent, int nUnused);

/* 7: 1 while a dome panel exists, else 0. */
int __cdecl DVR_IsExistDome(int nUnused);
typedef int (__cdecl *PFN_DVR_IsExistDome)(int nUnused);

/* 8: opens the colour panel (nShow 0: reads the device once, leaves none).
 * 1, also when the login fails (no panel then); 0 = no window could be made. */
int __cdecl DVR_ParamSet(CAMERA_INFO *pCamera, int nShow, int x, int y);
typedef int (__cdecl *PFN_DVR_ParamSet)(CAMERA_INFO *pCamera, int nShow, int x, int y);

/* 9: sends one PtzAction through the dome panel. The network library's
 * result for the command (nonzero = sent; the library decides the value);
 * 0 when there is no panel, it has no login or the action is above 14. */
int __cdecl DVR_SetDomeCMD(int nUnused1, int nCommand, int nUnused2);
typedef int (__cdecl *PFN_DVR_SetDomeCMD)(int nUnused1, int nCommand, int nUnused2);

/* 10: makes a new dome panel for the camera. 1, also when its login fails
 * (the panel then stays hidden and sends nothing); 0 = no window could be made. */
int __cdecl DVR_ShowCamera(CAMERA_INFO *pCamera, int nShow, int x, int y);
typedef int (__cdecl *PFN_DVR_ShowCamera)(CAMERA_INFO *pCamera, int nShow, int x, int y);

/* 11: 1 = the picture plays in hVideoWnd; 0 = failed, a ZV_STATUS_* code in
 * lPlayHandle. */
int __cdecl DVR_StartVideo(CAMERA_INFO *pCamera);
typedef int (__cdecl *PFN_DVR_StartVideo)(CAMERA_INFO *pCamera);

/* 12: 1 = stopped (nConnectState, lPlayHandle, nAudioState reset to 0, -1, 0);
 * 0 = no live play for the camera, or the library refused (record untouched). */
int __cdecl DVR_StopVideo(CAMERA_INFO *pCamera);
typedef int (__cdecl *PFN_DVR_StopVideo)(CAMERA_INFO *pCamera);

/* Layout checks: a mismatch here means the host and the module disagree. */
#ifdef __cplusplus
#define ZV_STATIC_ASSERT(e, m) static_assert(e, m)
#else
#define ZV_STATIC_ASSERT(e, m) _Static_assert(e, m)
#endif
ZV_STATIC_ASSERT(sizeof(ZV_HWND32) == 4, "the record's window field must be 32-bit");
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
