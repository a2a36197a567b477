"""Zentavo.dll for Python hosts, through ctypes.

Zentavo.dll comes as a 32-bit and a 64-bit build. load() takes the one that
matches this interpreter (struct.calcsize("P") is 4 or 8) from x86/ or x64/
beside this file, as the SDK's bin/ folder holds them (or from the folder
you give, or from the SDK's bin/ while this file is in its examples/python/),
with vortanet.dll beside it. Every export is cdecl (ctypes.CDLL)
and returns int; what each returns is said in RESULTS below.

The record's window field is 32 bits in both builds: hwnd_to_record() and
hwnd_from_record() convert (64-bit Windows keeps window handles 32-bit
significant and widens them by sign extension).

    import zentavo
    dll = zentavo.load()
    cam = zentavo.camera("127.0.0.2", "admin", "admin", channel=0, window=hwnd)
    if not dll.DVR_StartVideo(ctypes.byref(cam)):
        print(zentavo.describe(cam.lPlayHandle))
"""
import ctypes
import os
import struct

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
        ("hVideoWnd", ctypes.c_int32),              # live picture window (hwnd_to_record), parent of the panels
        ("nConnectState", ctypes.c_int32),          # out: 1 after a start
        ("lPlayHandle", ctypes.c_int32),            # out: play handle or a STATUS_* code
        ("nAudioState", ctypes.c_int32),            # in/out for DVR_AudioSet
        ("lLoginHandle", ctypes.c_int32),           # out
    ]


_RECORD = ctypes.POINTER(CAMERA_INFO)

# Each export's argument types; every one returns a C int.
SIGNATURES = {
    "DVR_AudioSet": (_RECORD,),
    "DVR_CloseCamera": (ctypes.c_int,),
    "DVR_FreeCamera": (ctypes.c_int,),
    "DVR_GetAudioState": (_RECORD,),
    "DVR_GetConnectState": (_RECORD,),
    "DVR_InitCamera": (ctypes.c_void_p, ctypes.c_int),   # a full window handle here
    "DVR_IsExistDome": (ctypes.c_int,),
    "DVR_ParamSet": (_RECORD, ctypes.c_int, ctypes.c_int, ctypes.c_int),
    "DVR_SetDomeCMD": (ctypes.c_int, ctypes.c_int, ctypes.c_int),
    "DVR_ShowCamera": (_RECORD, ctypes.c_int, ctypes.c_int, ctypes.c_int),
    "DVR_StartVideo": (_RECORD,),
    "DVR_StopVideo": (_RECORD,),
}

# What each export returns (a null record: 0, nothing touched).
RESULTS = {
    "DVR_AudioSet": "1 = switched as nAudioState asked; 0 = no such play (record untouched) "
                    "or the library refused the switch (nAudioState then 0)",
    "DVR_CloseCamera": "always 1 (destroys the dome panel)",
    "DVR_FreeCamera": "always 1 (destroys the dome panel)",
    "DVR_GetAudioState": "the record's own nAudioState, whatever it holds; no lookup",
    "DVR_GetConnectState": "1 while a live play exists for the camera, else 0",
    "DVR_InitCamera": "1 = a dome panel exists or was made; 0 = none could be made",
    "DVR_IsExistDome": "1 while a dome panel exists, else 0",
    "DVR_ParamSet": "1 (also when the login fails: no panel); 0 = no window could be made",
    "DVR_SetDomeCMD": "the network library's result for the PTZ command (nonzero = sent); "
                      "0 without a panel or login, or for an action above 14",
    "DVR_ShowCamera": "1 (also when the login fails: a hidden panel); 0 = no window could be made",
    "DVR_StartVideo": "1 = plays; 0 = failed, a STATUS_* code in lPlayHandle",
    "DVR_StopVideo": "1 = stopped (state, play handle, audio reset to 0, -1, 0); "
                     "0 = no such play or the library refused (record untouched)",
}


def hwnd_to_record(hwnd):
    """A window handle (an int, or None) as the record's 32-bit field holds it."""
    return ctypes.c_int32(hwnd or 0).value


def hwnd_from_record(value):
    """The record's window field as a window handle, sign-extended."""
    return ctypes.c_void_p(value).value or 0


def camera(address, user, password, channel=0, window=0):
    """A record for one camera, ready for DVR_StartVideo."""
    c = CAMERA_INFO()
    c.szDeviceAddress = address.encode("ascii")
    c.szUserName = user.encode("ascii")
    c.szPassword = password.encode("ascii")
    c.nChannel = channel
    c.hVideoWnd = hwnd_to_record(window)
    return c


def describe(code):
    return {STATUS_PLAY_FAILED: "the live play could not be started",
            STATUS_LOGIN_FAILED: "login failed",
            STATUS_NETINIT_FAILED: "the network library could not be initialised"}.get(code, "failed")


def architecture(pointer_size=None):
    """The SDK's folder for this interpreter's build: "x86" or "x64"."""
    size = pointer_size or struct.calcsize("P")
    if size not in (4, 8):
        raise OSError(f"no Zentavo.dll build for {size * 8}-bit processes")
    return "x86" if size == 4 else "x64"


def dll_path(folder=None, pointer_size=None):
    """Where load() looks: FOLDER/x86/Zentavo.dll or FOLDER/x64/Zentavo.dll.

    Without a folder: the one of this file, or else the SDK's bin/ when this
    file is still in the SDK's examples/python/."""
    arch = architecture(pointer_size)
    if folder is not None:
        return os.path.join(folder, arch, "Zentavo.dll")
    here = os.path.dirname(os.path.abspath(__file__))
    candidates = [os.path.join(base, arch, "Zentavo.dll")
                  for base in (here, os.path.join(here, os.pardir, os.pardir, "bin"))]
    return next((c for c in candidates if os.path.exists(c)), candidates[0])


def load(path=None):
    """The module with its twelve exports typed (Windows).

    PATH is a Zentavo.dll or a folder holding x86/ and x64/; by default the
    folder of this file. A full path lets the system find vortanet.dll
    beside the module (Python 3.8 and later)."""
    if path is None or os.path.isdir(path):
        path = dll_path(path)
    dll = ctypes.CDLL(path)
    for name, argtypes in SIGNATURES.items():
        fn = getattr(dll, name)
        fn.argtypes = list(argtypes)
        fn.restype = ctypes.c_int
    return dll
