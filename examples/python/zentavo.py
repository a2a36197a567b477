"""Zentavo.dll for Python hosts, through ctypes.

The module is a 32-bit DLL: it loads only into a 32-bit Windows Python.
Every export is cdecl (ctypes.CDLL) and returns int: 1 success, 0 failure.
Window handles in the record are 32-bit.

    import zentavo
    dll = zentavo.load()
    cam = zentavo.camera("127.0.0.2", "admin", "admin", channel=0, window=hwnd)
    if not dll.DVR_StartVideo(ctypes.byref(cam)):
        print(zentavo.describe(cam.lPlayHandle))
"""
import ctypes

# Codes left in lPlayHandle when DVR_StartVideo returns 0.
STATUS_PLAY_FAILED = -1
STATUS_LOGIN_FAILED = -4
STATUS_NETINIT_FAILED = -5

# PTZ actions for DVR_SetDomeCMD; moves run until PTZ_STOP.
(PTZ_STOP, PTZ_LEFT, PTZ_UP, PTZ_RIGHT, PTZ_DOWN, PTZ_ZOOM_IN, PTZ_ZOOM_OUT, PTZ_FOCUS_FAR,
 PTZ_FOCUS_NEAR, PTZ_IRIS_LARGER, PTZ_IRIS_SMALLER, PTZ_LEFT_UP, PTZ_LEFT_DOWN, PTZ_RIGHT_UP,
 PTZ_RIGHT_DOWN) = range(15)


class CAMERA_INFO(ctypes.Structure):
    """The 496-byte camera record, passed by reference to every call."""
    _pack_ = 4
    _fields_ = [
        ("abHostArea", ctypes.c_ubyte * 192),      # yours: never read or written by the module
        ("szDeviceAddress", ctypes.c_char * 128),
        ("szUserName", ctypes.c_char * 64),
        ("szPassword", ctypes.c_char * 64),
        ("abReserved1", ctypes.c_ubyte * 8),
        ("nChannel", ctypes.c_int32),               # 0-based
        ("abReserved2", ctypes.c_ubyte * 16),
        ("hVideoWnd", ctypes.c_uint32),             # live picture window, parent of the panels
        ("nConnectState", ctypes.c_int32),          # out: 1 after a start
        ("lPlayHandle", ctypes.c_int32),            # out: play handle or a STATUS_* code
        ("nAudioState", ctypes.c_int32),            # in/out for DVR_AudioSet
        ("lLoginHandle", ctypes.c_int32),           # out
    ]


def camera(address, user, password, channel=0, window=0):
    """A record for one camera, ready for DVR_StartVideo."""
    c = CAMERA_INFO()
    c.szDeviceAddress = address.encode("ascii")
    c.szUserName = user.encode("ascii")
    c.szPassword = password.encode("ascii")
    c.nChannel = channel
    c.hVideoWnd = window
    return c


def describe(code):
    return {STATUS_PLAY_FAILED: "the live play could not be started",
            STATUS_LOGIN_FAILED: "login failed",
            STATUS_NETINIT_FAILED: "the network library could not be initialised"}.get(code, "failed")


def load(path="Zentavo.dll"):
    """The module with its twelve exports typed (Windows, 32-bit Python only)."""
    dll = ctypes.CDLL(path)
    record = ctypes.POINTER(CAMERA_INFO)
    for name in ("DVR_AudioSet", "DVR_GetAudioState", "DVR_GetConnectState", "DVR_StartVideo",
                 "DVR_StopVideo"):
        getattr(dll, name).argtypes = [record]
    for name in ("DVR_ShowCamera", "DVR_ParamSet"):
        getattr(dll, name).argtypes = [record, ctypes.c_int, ctypes.c_int, ctypes.c_int]
    dll.DVR_InitCamera.argtypes = [ctypes.c_uint32, ctypes.c_int]
    dll.DVR_SetDomeCMD.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
    for name in ("DVR_CloseCamera", "DVR_FreeCamera", "DVR_IsExistDome"):
        getattr(dll, name).argtypes = [ctypes.c_int]
    return dll
