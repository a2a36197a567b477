{ Checks the Pascal record against the module's layout: size and every
  offset. Compiled with Free Pascal in Delphi mode by the tests. }
program LayoutCheck;

{$mode delphi}

uses Zentavo;

var
  Failures: Integer = 0;
  Cam: TCameraInfo;

procedure Expect(const What: string; Actual, Expected: PtrInt);
begin
  if Actual <> Expected then
  begin
    WriteLn(What, ': ', Actual, ', expected ', Expected);
    Inc(Failures);
  end;
end;

function Offset(var Field): PtrInt;
begin
  Result := PtrInt(@Field) - PtrInt(@Cam);
end;

begin
  Expect('size', SizeOf(TCameraInfo), 496);
  Expect('szDeviceAddress', Offset(Cam.szDeviceAddress), 192);
  Expect('szUserName', Offset(Cam.szUserName), 320);
  Expect('szPassword', Offset(Cam.szPassword), 384);
  Expect('nChannel', Offset(Cam.nChannel), 456);
  Expect('hVideoWnd', Offset(Cam.hVideoWnd), 476);
  Expect('nConnectState', Offset(Cam.nConnectState), 480);
  Expect('lPlayHandle', Offset(Cam.lPlayHandle), 484);
  Expect('nAudioState', Offset(Cam.nAudioState), 488);
  Expect('lLoginHandle', Offset(Cam.lLoginHandle), 492);
  Expect('hVideoWnd size', SizeOf(Cam.hVideoWnd), 4);
  { A handle narrows to its low 32 bits and widens back by sign extension. }
  Cam.hVideoWnd := HwndToRecord(HwndFromRecord(LongInt($80001234)));
  Expect('window round trip', Cam.hVideoWnd, LongInt($80001234));
  if HwndFromRecord(LongInt($80001234)) <> NativeUInt(NativeInt(-2147478988)) then
  begin
    WriteLn('window widened: ', HwndFromRecord(LongInt($80001234)));
    Inc(Failures);
  end;
  if Failures = 0 then WriteLn('Delphi layout: 496 bytes, offsets ok')
  else WriteLn('Delphi layout: FAILED');
  if Failures <> 0 then Halt(1);
end.
