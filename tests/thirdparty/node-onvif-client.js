// The npm `node-onvif` client against devsim: init (which reads the device
// information, profiles and PTZ configuration), stream and snapshot URLs,
// a snapshot fetched and decoded, ptzMove and ptzStop on two channels, each
// checked against the simulated state. This client has no imaging service;
// the `onvif` client script covers imaging.
'use strict';

const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const onvif = require('node-onvif');
const lib = require('./lib');

const { device, check } = lib;

async function main() {
  const cam = new onvif.OnvifDevice({
    xaddr: `http://${device.host}:${device.port}/onvif/device_service`,
    user: device.user, pass: device.password,
  });
  const info = await cam.init();
  check(info.Manufacturer === 'Zentavo' && info.Model === 'devsim', `information ${JSON.stringify(info)}`);

  const profiles = cam.getProfileList();
  check(profiles.length === device.channels, `${profiles.length} profiles`);
  const p = cam.getCurrentProfile();
  check(p.token === 'profile_1' && p.video.encoder.encoding === 'JPEG', 'first profile, JPEG');
  check(p.video.encoder.resolution.width === 352 && p.video.encoder.framerate === 25, 'resolution and rate');
  check(p.stream.rtsp === `rtsp://${device.host}:${device.rtspPort}/ch1`, `stream ${p.stream.rtsp}`);
  check(p.ptz.range.x.min === -1 && p.ptz.range.x.max === 1 && p.ptz.range.z.max === 1, 'PTZ ranges');

  // The snapshot: fetched with the camera's Digest challenge, a JPEG that decodes.
  const snap = await cam.fetchSnapshot();
  check(snap.headers['content-type'] === 'image/jpeg', 'snapshot content type');
  check(snap.body[0] === 0xFF && snap.body[1] === 0xD8, 'snapshot starts as a JPEG');
  const file = path.join(process.env.ZV_WORK_DIR || '.', 'node-onvif-snapshot.jpg');
  fs.writeFileSync(file, snap.body);
  const probe = execFileSync('ffprobe', ['-v', 'error', '-show_entries', 'stream=codec_name,width,height',
    '-of', 'csv=p=0', file]).toString().trim();
  check(probe === 'mjpeg,352,288', `snapshot decodes as ${probe}`);
  execFileSync('ffmpeg', ['-v', 'error', '-i', file, '-f', 'null', '-']);

  // ptzMove (with the client's own timeout) and ptzStop.
  const t0 = (await lib.state(0)).tilt;
  await cam.ptzMove({ speed: { x: 0, y: 0.5, z: 0 }, timeout: 30 });
  await lib.sleep(400);
  const moving = await lib.state(0);
  check(moving.moving === 1 && moving.tilt > t0 + 10, `tilt rose from ${t0} to ${moving.tilt}`);
  await cam.ptzStop();
  const stopped = await lib.state(0);
  await lib.sleep(300);
  check(stopped.moving === 0 && (await lib.state(0)).tilt === stopped.tilt, 'tilt frozen');

  // The second profile drives the second channel's dome only.
  cam.changeProfile('profile_2');
  await cam.ptzMove({ speed: { x: -1, y: 0, z: 1 }, timeout: 30 });
  const second = await lib.state(1);
  check(second.pan_rate === -80 && second.zoom_rate > 1, 'second dome moving');
  check((await lib.state(0)).moving === 0, 'first dome still');
  await cam.ptzStop();
  check((await lib.state(1)).moving === 0, 'second dome stopped');

  // Figures: ptzMove through the client against a bare HTTP round trip.
  const n = 40;
  const viaClient = await lib.timeCalls(n, (i) => cam.ptzMove({ speed: { x: 0, y: i % 2 ? 0.01 : -0.01, z: 0 }, timeout: 30 }));
  await cam.ptzStop();
  const bare = await lib.bareRoundTrip(n);
  return { continuousMoveMs: viaClient, bareHttpMs: bare, ratio: viaClient / bare };
}

lib.run('node-onvif', main);
