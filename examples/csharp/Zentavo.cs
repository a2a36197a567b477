// Zentavo.dll for C# hosts: the camera record and the twelve exports.
//
// Zentavo.dll comes as a 32-bit and a 64-bit build with the same exports and
// the same record, so these declarations serve both, and an AnyCPU host
// works: ship the SDK's bin\x86 and bin\x64 folders and call
// Native.LoadFrom(folder) once before the first DVR_ call, which loads the
// build of the running process (or put the one matching your Platform target
// beside the exe). Every export is cdecl and returns int; what each returns
// is said at its declaration. Call the panel functions on your UI thread;
// DVR_StartVideo may take seconds for an unreachable device, so call it from
// a worker thread.
using System;
using System.IO;
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
        /// <summary>The window that shows the live picture, parent of the panels: 32 bits in
        /// both builds (64-bit Windows keeps window handles 32-bit significant); set it
        /// through VideoWindow.</summary>
        [FieldOffset(476)] public int hVideoWnd;
        /// <summary>Out: 1 after a start, 0 after a stop or a failed start.</summary>
        [FieldOffset(480)] public int nConnectState;
        /// <summary>Out: the play handle, or a Status code after a failed start.</summary>
        [FieldOffset(484)] public int lPlayHandle;
        /// <summary>In/out for DVR_AudioSet: wanted and resulting audio state.</summary>
        [FieldOffset(488)] public int nAudioState;
        /// <summary>Out: the login the live play uses.</summary>
        [FieldOffset(492)] public int lLoginHandle;

        /// <summary>hVideoWnd as a window handle: narrowed to its low 32 bits, widened by
        /// sign extension, as 64-bit Windows does.</summary>
        public IntPtr VideoWindow
        {
            get { return Native.HwndFromRecord(hVideoWnd); }
            set { hVideoWnd = Native.HwndToRecord(value); }
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

        /// <summary>Loads FOLDER\x86\Zentavo.dll or FOLDER\x64\Zentavo.dll, the build of
        /// this process, with vortanet.dll from the same folder; the declarations
        /// below then bind to it. False when it cannot be loaded.</summary>
        public static bool LoadFrom(string folder)
        {
            string path = Path.Combine(Path.Combine(folder, ArchitectureFolder), Dll);
            return LoadLibraryExW(path, IntPtr.Zero, LOAD_WITH_ALTERED_SEARCH_PATH) != IntPtr.Zero;
        }

        /// <summary>"x86" or "x64": the SDK's folder for this process.</summary>
        public static string ArchitectureFolder { get { return IntPtr.Size == 8 ? "x64" : "x86"; } }

        public static int HwndToRecord(IntPtr hWnd) { return unchecked((int)hWnd.ToInt64()); }
        public static IntPtr HwndFromRecord(int value) { return new IntPtr(value); }

        const uint LOAD_WITH_ALTERED_SEARCH_PATH = 0x8;
        [DllImport("kernel32.dll", CharSet = CharSet.Unicode, SetLastError = true)]
        static extern IntPtr LoadLibraryExW(string path, IntPtr file, uint flags);

        /// <summary>1 = switched as nAudioState asked; 0 = no such play (record untouched) or
        /// the library refused the switch (nAudioState then 0).</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_AudioSet(ref CAMERA_INFO camera);
        /// <summary>Destroys the dome panel; always 1.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_CloseCamera(int unused);
        /// <summary>Destroys the dome panel; always 1.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_FreeCamera(int unused);
        /// <summary>The record's own nAudioState, whatever it holds; no lookup.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_GetAudioState(ref CAMERA_INFO camera);
        /// <summary>1 while a live play exists for the camera, else 0.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_GetConnectState(ref CAMERA_INFO camera);
        /// <summary>1 = a dome panel exists or was made (hidden, no login); 0 = none could be made.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_InitCamera(IntPtr parent, int unused);
        /// <summary>1 while a dome panel exists, else 0.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_IsExistDome(int unused);
        /// <summary>Opens the colour panel; 1 (also when the login fails: no panel), 0 = no window.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_ParamSet(ref CAMERA_INFO camera, int show, int x, int y);
        /// <summary>The network library's result for the PTZ command (nonzero = sent); 0 without
        /// a panel or login, or for an action above 14.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_SetDomeCMD(int unused1, int command, int unused2);
        /// <summary>Makes a new dome panel; 1 (also when the login fails: a hidden panel), 0 = no window.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_ShowCamera(ref CAMERA_INFO camera, int show, int x, int y);
        /// <summary>1 = plays; 0 = failed, a Status code in lPlayHandle.</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_StartVideo(ref CAMERA_INFO camera);
        /// <summary>1 = stopped (state, play handle, audio reset to 0, -1, 0); 0 = no such play or
        /// the library refused (record untouched).</summary>
        [DllImport(Dll, CallingConvention = Cdecl)] public static extern int DVR_StopVideo(ref CAMERA_INFO camera);
    }
}
