{ Zentavo.dll for Delphi (and Free Pascal in Delphi mode) hosts: the camera
  record and the twelve exports.

  The module is a 32-bit DLL: build the host for Win32. Every export is cdecl
  and returns Integer (1 = success, 0 = failure). Window handles in the record
  are 32-bit. Call the panel functions on the UI thread; DVR_StartVideo may
  take seconds for an unreachable device, so call it from a worker thread. }
unit Zentavo;

interface

type
  { The 496-byte camera record, passed by reference to every call. }
  TCameraInfo = packed record
    abHostArea: array[0..191] of Byte;          {   0  yours: never read or written by the module }
    szDeviceAddress: array[0..127] of AnsiChar; { 192 }
    szUserName: array[0..63] of AnsiChar;       { 320 }
    szPassword: array[0..63] of AnsiChar;       { 384 }
    abReserved1: array[0..7] of Byte;           { 448 }
    nChannel: LongInt;                          { 456  0-based }
    abReserved2: array[0..15] of Byte;          { 460 }
    hVideoWnd: LongWord;                        { 476  live picture window, parent of the panels }
    nConnectState: LongInt;                     { 480  out: 1 after a start }
    lPlayHandle: LongInt;                       { 484  out: play handle or a ZV_STATUS_* code }
    nAudioState: LongInt;                       { 488  in/out for DVR_AudioSet }
    lLoginHandle: LongInt;                      { 492  out }
  end;
  PCameraInfo = ^TCameraInfo;

const
  ZV_STATUS_PLAY_FAILED = -1;
  ZV_STATUS_LOGIN_FAILED = -4;
  ZV_STATUS_NETINIT_FAILED = -5;

  PTZ_STOP = 0; PTZ_LEFT = 1; PTZ_UP = 2; PTZ_RIGHT = 3; PTZ_DOWN = 4;
  PTZ_ZOOM_IN = 5; PTZ_ZOOM_OUT = 6; PTZ_FOCUS_FAR = 7; PTZ_FOCUS_NEAR = 8;
  PTZ_IRIS_LARGER = 9; PTZ_IRIS_SMALLER = 10; PTZ_LEFT_UP = 11; PTZ_LEFT_DOWN = 12;
  PTZ_RIGHT_UP = 13; PTZ_RIGHT_DOWN = 14;

{$IFDEF MSWINDOWS}
function DVR_AudioSet(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
function DVR_CloseCamera(Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_FreeCamera(Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_GetAudioState(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
function DVR_GetConnectState(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
function DVR_InitCamera(Parent: LongWord; Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_IsExistDome(Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_ParamSet(var Camera: TCameraInfo; Show, X, Y: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_SetDomeCMD(Unused1, Command, Unused2: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_ShowCamera(var Camera: TCameraInfo; Show, X, Y: Integer): Integer; cdecl; external 'Zentavo.dll';
function DVR_StartVideo(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
function DVR_StopVideo(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
{$ENDIF}

implementation

end.
