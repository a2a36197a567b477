// The npm `onvif` client against devsim, used as any application would:
// connect, profiles, stream and snapshot URIs, ContinuousMove and Stop,
// imaging settings and focus; each step checked against the simulated
// state on devsim's control port. Also: a fault surfaces as an error, and
// a device clock off by an hour is absorbed the way the client does it.
'use strict';

const { Cam } = require('onvif/promises');
const lib = require('./lib');

const { device, check } = lib;

function connect() {
  return new Cam({
    hostname: device.host, port: device.port, username: device.user, password: device.password,
    autoconnect: false, timeout: 10000,
  });
}

async function main() {
  const cam = connect();
  await cam.connect();

  // Profiles: one per channel, JPEG, the picture's size, a PTZ configuration.
  check(cam.profiles.length === device.channels, `${cam.profiles.length} profiles`);
  const src = cam.activeSource;
  check(src.profileToken === 'profile_1' && src.sourceToken === 'video_source_1', 'active source');
  check(src.encoding === 'JPEG' && src.width === 352 && src.height === 288 && src.fps === 25,
    `encoder ${JSON.stringify(src)}`);
  check(src.ptz && src.ptz.token === 'ptz_config_1', 'PTZ configuration');
  const info = await cam.getDeviceInformation();
  check(info.manufacturer === 'Zentavo' && info.serialNumber === `DS-${device.host}`, 'device information');

  const stream = await cam.getStreamUri({ protocol: 'RTSP', profileToken: 'profile_2' });
  check(stream.uri === `rtsp://${device.host}:${device.rtspPort}/ch2`, `stream URI ${stream.uri}`);
  const snap = await cam.getSnapshotUri({ profileToken: 'profile_1' });
  check(snap.uri === `http://${device.host}:${device.port}/snapshot/1.jpg`, `snapshot URI ${snap.uri}`);

  // ContinuousMove: the tilt rises; Stop: it freezes.
  const t0 = (await lib.state(0)).tilt;
  await cam.continuousMove({ x: 0, y: 0.5, zoom: 0 });
  await lib.sleep(400);
  const moving = await lib.state(0);
  check(moving.moving === 1 && moving.tilt_rate === 40, `moving at ${moving.tilt_rate}`);
  check(moving.tilt > t0 + 10, `tilt rose from ${t0} to ${moving.tilt}`);
  const status = await cam.getStatus({});
  check(status.moveStatus.panTilt === 'MOVING', 'status says moving');
  check(Math.abs(status.position.y - moving.tilt / 30) < 0.2, `status y ${status.position.y}`);
  await cam.stop({ panTilt: true, zoom: true });
  const stopped = await lib.state(0);
  await lib.sleep(300);
  const later = await lib.state(0);
  check(stopped.moving === 0 && later.tilt === stopped.tilt, `tilt frozen at ${stopped.tilt}`);
  check((await cam.getStatus({})).moveStatus.panTilt === 'IDLE', 'status says idle');

  // A Timeout ends the move by itself (the client gives milliseconds).
  const p0 = (await lib.state(0)).pan;
  await cam.continuousMove({ x: 0.5, y: 0, timeout: 300 });
  await lib.sleep(700);
  const timed = await lib.state(0);
  const panned = (timed.pan - p0 + 360) % 360;
  check(timed.moving === 0 && Math.abs(panned - 12) < 0.5, `timed move panned ${panned} degrees`);

  // Imaging: brightness changes the channel's colour byte and the picture.
  const before = await cam.getImagingSettings({ token: 'video_source_1' });
  check(before.brightness === 50 && before.contrast === 50 && before.colorSaturation === 50,
    `settings ${JSON.stringify(before)}`);
  const dark = lib.snapshotLuma(0);
  await cam.setImagingSettings({ token: 'video_source_1', brightness: 80, colorSaturation: 30 });
  const after = await cam.getImagingSettings({ token: 'video_source_1' });
  check(after.brightness === 80 && after.colorSaturation === 30, `settings ${JSON.stringify(after)}`);
  const colour = await lib.state(0);
  check(colour.brightness === 203 && colour.saturation === 76, `colour bytes ${colour.brightness}`);
  const bright = lib.snapshotLuma(0);
  check(bright > dark + 30, `snapshot brightness ${dark} -> ${bright}`);
  let refused = false;
  await cam.setImagingSettings({ token: 'video_source_1', brightness: 150 }).catch(() => { refused = true; });
  check(refused && (await lib.state(0)).brightness === 203, 'out-of-range brightness refused');
  await cam.setImagingSettings({ token: 'video_source_1', brightness: 50, colorSaturation: 50 });

  // Focus: continuous move, then stop.
  await cam.imagingMove({ token: 'video_source_1', continuous: { speed: 0.5 } });
  check((await lib.state(0)).focus_rate === 185, 'focus moving');
  await cam.imagingStop({ token: 'video_source_1' });
  check((await lib.state(0)).focus_rate === 0, 'focus stopped');

  // A fault from the device reaches the application as an error.
  await lib.fault('onvif-no-stop', 'on');
  let stopFailed = false;
  await cam.stop({}).catch(() => { stopFailed = true; });
  check(stopFailed, 'Stop unsupported surfaces as an error');
  await lib.fault('onvif-no-stop', 'off');

  // A device clock an hour off: the client reads the device's time first
  // and makes its tokens by it.
  await lib.fault('onvif-skew', '3600');
  const skewed = connect();
  await skewed.connect();
  await skewed.continuousMove({ x: 0, y: -0.25, zoom: 0 });
  check((await lib.state(0)).tilt_rate === -20, 'moved through a skewed clock');
  await skewed.stop({});
  await lib.fault('onvif-skew', '0');

  // Figures: ContinuousMove through the client against a bare HTTP round trip.
  const n = 40;
  const viaClient = await lib.timeCalls(n, (i) => cam.continuousMove({ x: 0, y: i % 2 ? 0.01 : -0.01, zoom: 0 }));
  await cam.stop({});
  const bare = await lib.bareRoundTrip(n);
  return { continuousMoveMs: viaClient, bareHttpMs: bare, ratio: viaClient / bare };
}

lib.run('onvif', main);
