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
print("Python layout: 496 bytes, offsets ok" if not failures else "Python layout: FAILED " + "; ".join(failures))
sys.exit(1 if failures else 0)
