"""Checks the ctypes record against the module's layout: size and every offset."""
import ctypes
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import zentavo  # noqa: E402

EXPECTED = {"abHostArea": 0, "szDeviceAddress": 192, "szUserName": 320, "szPassword": 384,
            "nChannel": 456, "hVideoWnd": 476, "nConnectState": 480, "lPlayHandle": 484,
            "nAudioState": 488, "lLoginHandle": 492}

failures = []
if ctypes.sizeof(zentavo.CAMERA_INFO) != 496:
    failures.append(f"size {ctypes.sizeof(zentavo.CAMERA_INFO)}")
for name, offset in EXPECTED.items():
    actual = getattr(zentavo.CAMERA_INFO, name).offset
    if actual != offset:
        failures.append(f"{name} at {actual}, expected {offset}")
raw = bytes(zentavo.camera("127.0.0.2", "admin", "pw", channel=3, window=0x1234))
if raw[192:202] != b"127.0.0.2\0" or raw[456:460] != (3).to_bytes(4, "little") \
        or raw[476:480] != (0x1234).to_bytes(4, "little"):
    failures.append("record bytes")
# The window field is 32 bits: a 64-bit handle narrows to its low half and
# widens back by sign extension; nothing in the record is pointer-sized, so
# the offsets are those of both builds.
wide = 0xFFFFFFFF80001234
if zentavo.hwnd_to_record(wide) != -0x7FFFEDCC or \
        zentavo.hwnd_from_record(zentavo.hwnd_to_record(wide)) != wide % (1 << (8 * ctypes.sizeof(ctypes.c_void_p))):
    failures.append("window conversion")
for name, kind in zentavo.CAMERA_INFO._fields_:
    if kind in (ctypes.c_void_p, ctypes.c_size_t, ctypes.c_ssize_t, ctypes.c_long, ctypes.c_ulong):
        failures.append(f"{name} has a platform-dependent width")
# load() picks the interpreter's build from x86/ or x64/.
if (os.path.join("sdk", "x86", "Zentavo.dll"), os.path.join("sdk", "x64", "Zentavo.dll")) != \
        (zentavo.dll_path("sdk", 4), zentavo.dll_path("sdk", 8)):
    failures.append("dll_path")
print("Python layout: 496 bytes, offsets ok" if not failures else "Python layout: FAILED " + "; ".join(failures))
sys.exit(1 if failures else 0)
