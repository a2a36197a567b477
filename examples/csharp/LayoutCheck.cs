// Checks the C# record against the module's layout: size and every offset.
// Run with the tests (mcs + mono); exits non-zero on a mismatch.
using System;
using System.Runtime.InteropServices;
using Zentavo;

static class LayoutCheck
{
    static int failures;

    static void Expect(string what, long actual, long expected)
    {
        if (actual == expected) return;
        Console.WriteLine("{0}: {1}, expected {2}", what, actual, expected);
        failures++;
    }

    static int Main()
    {
        Type t = typeof(CAMERA_INFO);
        Expect("size", Marshal.SizeOf(t), 496);
        string[] fields = { "abHostArea", "szDeviceAddress", "szUserName", "szPassword", "nChannel",
                            "hVideoWnd", "nConnectState", "lPlayHandle", "nAudioState", "lLoginHandle" };
        int[] offsets = { 0, 192, 320, 384, 456, 476, 480, 484, 488, 492 };
        for (int i = 0; i < fields.Length; ++i)
            Expect(fields[i], Marshal.OffsetOf(t, fields[i]).ToInt64(), offsets[i]);

        // A record round trip through unmanaged memory lands the text and
        // numbers where the module reads them.
        var cam = new CAMERA_INFO { abHostArea = new byte[192], szDeviceAddress = "127.0.0.2",
                                    szUserName = "admin", szPassword = "pw", nChannel = 3, hVideoWnd = 0x1234 };
        IntPtr p = Marshal.AllocHGlobal(496);
        Marshal.StructureToPtr(cam, p, false);
        Expect("address byte", Marshal.ReadByte(p, 192), '1');
        Expect("address NUL", Marshal.ReadByte(p, 192 + 9), 0);
        Expect("channel", Marshal.ReadInt32(p, 456), 3);
        Expect("window", Marshal.ReadInt32(p, 476), 0x1234);
        Marshal.FreeHGlobal(p);
        Expect("PTZ right-down", (int)PtzAction.RightDown, 14);

        // The window field is 32 bits in both builds: a handle narrows to its
        // low half and widens back by sign extension.
        Expect("window field size", Marshal.SizeOf(t.GetField("hVideoWnd").FieldType), 4);
        cam.VideoWindow = new IntPtr(unchecked((int)0x80001234));
        Expect("window narrowed", cam.hVideoWnd, unchecked((int)0x80001234));
        Expect("window widened", cam.VideoWindow.ToInt64(), IntPtr.Size == 8 ? unchecked((long)0xFFFFFFFF80001234) : unchecked((int)0x80001234));

        Console.WriteLine(failures == 0 ? "C# layout: 496 bytes, offsets ok" : "C# layout: FAILED");
        return failures == 0 ? 0 : 1;
    }
}
