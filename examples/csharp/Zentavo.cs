// Zentavo.dll for C# hosts: the camera record and the twelve exports.
//
// The module is a 32-bit DLL: build the host for x86 (Platform target x86),
// not AnyCPU. Every export is cdecl and returns int (1 = success, 0 = failure).
// Call the panel functions on your UI thread; DVR_StartVideo may take seconds
// for an unreachable device, so call it from a worker thread.
using System;
using System.Runtime.InteropServices;

namespace Zentavo
{
    /// <summary>The 496-byte camera record, passed by reference to every call.</summary>
    [StructLayout(LayoutKind.Explicit, Size = 496, CharSet = CharSet.Ansi)]
    public struct CAMERA_INFO
    {
        /// <summary>Yours: the module never reads or writes it.</summary>
        [FieldOffset(0)] [MarshalAs(UnmanagedType.ByValArray, SizeConst = 192)] public byte[] abHostArea;
        [FieldOffset(192)] [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 128)] public string szDeviceAddress;
        [FieldOffset(320)] [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 64)] public string szUserName;
        [FieldOffset(384)] [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 64)] public string szPassword;
        /// <summary>0-based channel on the device.</summary>
        [FieldOffset(456)] public int nChannel;
        /// <summary>The window that shows the live picture (a 32-bit handle), parent of the panels.</summary>
        [FieldOffset(476)] public int hVideoWnd;
        /// <summary>Out: 1 after a start, 0 after a stop or a failed start.</summary>
        [FieldOffset(480)] public int nConnectState;
        /// <summary>Out: the play handle, or a Status code after a failed start.</summary>
        [FieldOffset(484)] public int lPlayHandle;
        /// <summary>In/out for DVR_AudioSet: wanted and resulting audio state.</summary>
        [FieldOffset(488)] public int nAudioState;
        /// <summary>Out: the login the live play uses.</summary>
        [FieldOffset(492)] public int lLoginHandle;

        public IntPtr VideoWindow
        {
            get { return new IntPtr(hVideoWnd); }
            set { hVideoWnd = value.ToInt32(); }
        }
    }

    /// <summary>Codes left in lPlayHandle when DVR_StartVideo returns 0.</summary>
    public static class Status
    {
        public const int PlayFailed = -1;     // live play not started (or no memory); also after a stop
        public const int LoginFailed = -4;    // login to the device failed
        public const int NetInitFailed = -5;  // the network library could not be initialised
    }

    /// <summary>PTZ actions for DVR_SetDomeCMD; moves run until Stop.</summary>
    public enum PtzAction
    {
        Stop = 0, Left = 1, Up = 2, Right = 3, Down = 4, ZoomIn = 5, ZoomOut = 6,
        FocusFar = 7, FocusNear = 8, IrisLarger = 9, IrisSmaller = 10,
        LeftUp = 11, LeftDown = 12, RightUp = 13, RightDown = 14
    }

    public static class Native
    {
        const string Dll = "Zentavo.dll";
        const CallingConvention Cdecl = CallingConvention.Cdecl;

        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_AudioSet(ref CAMERA_INFO camera);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_CloseCamera(int unused);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_FreeCamera(int unused);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_GetAudioState(ref CAMERA_INFO camera);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_GetConnectState(ref CAMERA_INFO camera);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_InitCamera(IntPtr parent, int unused);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_IsExistDome(int unused);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_ParamSet(ref CAMERA_INFO camera, int show, int x, int y);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_SetDomeCMD(int unused1, int command, int unused2);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_ShowCamera(ref CAMERA_INFO camera, int show, int x, int y);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_StartVideo(ref CAMERA_INFO camera);
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_StopVideo(ref CAMERA_INFO camera);
    }
}
