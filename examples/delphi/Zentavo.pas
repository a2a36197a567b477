{ Zentavo.dll for Delphi (and Free Pascal in Delphi mode) hosts: the camera
  record and the twelve exports.

  Zentavo.dll comes as a 32-bit and a 64-bit build with the same exports and
  record: build the host for Win32 or Win64 and ship the SDK's bin\x86 or
  bin\x64 files beside the exe. Every export is cdecl and returns Integer;
  what each returns is said at its declaration. The record's window field is
  32 bits in both builds: set it with HwndToRecord, read it with
  HwndFromRecord. Call the panel functions on the UI thread; DVR_StartVideo
  may take seconds for an unreachable device, so call it from a worker
  thread. }
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
    hVideoWnd: LongInt;                         { 476  live picture window (HwndToRecord), parent of the panels }
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

{ The record's window field from a window handle (HWND), and back: 64-bit
  Windows keeps window handles 32-bit significant and widens them by sign
  extension. }
function HwndToRecord(Wnd: NativeUInt): LongInt;
function HwndFromRecord(Value: LongInt): NativeUInt;

{$IFDEF MSWINDOWS}
{ 1 = switched as nAudioState asked; 0 = no such play (record untouched) or the
  library refused the switch (nAudioState then 0). }
function DVR_AudioSet(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
{ Destroys the dome panel; always 1. }
function DVR_CloseCamera(Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
{ Destroys the dome panel; always 1. }
function DVR_FreeCamera(Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
{ The record's own nAudioState, whatever it holds; no lookup. }
function DVR_GetAudioState(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
{ 1 while a live play exists for the camera, else 0. }
function DVR_GetConnectState(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
{ 1 = a dome panel exists or was made (hidden, no login); 0 = none could be made. }
function DVR_InitCamera(Parent: NativeUInt; Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
{ 1 while a dome panel exists, else 0. }
function DVR_IsExistDome(Unused: Integer): Integer; cdecl; external 'Zentavo.dll';
{ Opens the colour panel; 1 (also when the login fails: no panel), 0 = no window. }
function DVR_ParamSet(var Camera: TCameraInfo; Show, X, Y: Integer): Integer; cdecl; external 'Zentavo.dll';
{ The network library's result for the PTZ command (nonzero = sent); 0 without a
  panel or login, or for an action above 14. }
function DVR_SetDomeCMD(Unused1, Command, Unused2: Integer): Integer; cdecl; external 'Zentavo.dll';
{ Makes a new dome panel; 1 (also when the login fails: a hidden panel), 0 = no window. }
function DVR_ShowCamera(var Camera: TCameraInfo; Show, X, Y: Integer): Integer; cdecl; external 'Zentavo.dll';
{ 1 = plays; 0 = failed, a ZV_STATUS_* code in lPlayHandle. }
function DVR_StartVideo(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
{ 1 = stopped (state, play handle, audio reset to 0, -1, 0); 0 = no such play or the
  library refused (record untouched). }
function DVR_StopVideo(var Camera: TCameraInfo): Integer; cdecl; external 'Zentavo.dll';
{$ENDIF}

implementation

function HwndToRecord(Wnd: NativeUInt): LongInt;
begin
  Result := LongInt(Wnd and $FFFFFFFF);
end;

function HwndFromRecord(Value: LongInt): NativeUInt;
begin
  Result := NativeUInt(NativeInt(Value));
end;

end.
