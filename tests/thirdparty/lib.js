// What both client scripts share: the device under test (from the
// environment the run script sets), devsim's control port for the
// simulated state, the picture's brightness through ffmpeg, a bare HTTP
// round trip for comparison, and small checks that fail loudly.
'use strict';

const net = require('net');
const http = require('http');
const { execFileSync } = require('child_process');

const env = (name) => {
  const v = process.env[name];
  if (!v) throw new Error(`${name} not set (run through tests/thirdparty/run)`);
  return v;
};

const device = {
  host: env('ZV_DEVICE'),
  port: Number(env('ZV_ONVIF_PORT')),
  rtspPort: Number(env('ZV_RTSP_PORT')),
  controlPort: Number(env('ZV_CONTROL_PORT')),
  channels: Number(env('ZV_CHANNELS')),
  user: 'admin',
  password: 'admin',
};

let checks = 0;
function check(cond, what) {
  checks += 1;
  if (!cond) throw new Error(`check failed: ${what}`);
}
function checksMade() {
  return checks;
}

// One control-port command; the reply line.
function control(line) {
  return new Promise((resolve, reject) => {
    const s = net.connect(device.controlPort, '127.0.0.1');
    let got = '';
    s.setTimeout(5000, () => {
      s.destroy();
      reject(new Error(`control port: no reply to ${line}`));
    });
    s.on('data', (d) => {
      got += d;
      const nl = got.indexOf('\n');
      if (nl >= 0) {
        s.end();
        resolve(got.slice(0, nl));
      }
    });
    s.on('error', reject);
    s.write(`${line}\n`);
  });
}

// "OK a=1 b=x" of `state ADDR CH` (or any key=value reply) as numbers where they are.
async function keyValues(line) {
  const reply = await control(line);
  if (!reply.startsWith('OK')) throw new Error(`control: ${line} -> ${reply}`);
  const out = {};
  for (const kv of reply.slice(3).split(' ')) {
    const eq = kv.indexOf('=');
    if (eq > 0) {
      const v = kv.slice(eq + 1);
      out[kv.slice(0, eq)] = Number.isNaN(Number(v)) ? v : Number(v);
    }
  }
  return out;
}
const state = (ch) => keyValues(`state ${device.host} ${ch}`);
const counters = () => keyValues(`counters ${device.host}`);
async function fault(command, value) {
  const reply = await control(`${command} ${device.host} ${value}`);
  if (reply !== 'OK') throw new Error(`control: ${command} -> ${reply}`);
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Mean brightness (0..255) of a channel's snapshot, fetched and decoded by
// ffmpeg (with Digest, as the camera asks) and averaged down to one pixel.
function snapshotLuma(channel) {
  const url = `http://${device.user}:${device.password}@${device.host}:${device.port}` +
    `/snapshot/${channel + 1}.jpg`;
  const out = execFileSync('ffmpeg', ['-v', 'error', '-i', url, '-vf', 'scale=1:1:flags=area',
    '-pix_fmt', 'gray', '-f', 'rawvideo', '-'], { timeout: 20000 });
  if (out.length !== 1) throw new Error(`snapshot luma: ${out.length} bytes`);
  return out[0];
}

// Times n calls of fn (awaited one after the other); the median in ms.
async function timeCalls(n, fn) {
  const times = [];
  for (let i = 0; i < n; i += 1) {
    const t0 = process.hrtime.bigint();
    await fn(i);
    times.push(Number(process.hrtime.bigint() - t0) / 1e6);
  }
  times.sort((a, b) => a - b);
  return times[Math.floor(times.length / 2)];
}

// The floor: a bare HTTP POST of the smallest request (the open date and
// time call) on a kept-alive connection to the same server.
async function bareRoundTrip(n) {
  const agent = new http.Agent({ keepAlive: true, maxSockets: 1 });
  const body = '<?xml version="1.0" encoding="UTF-8"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope">' +
    '<s:Body><GetSystemDateAndTime xmlns="http://www.onvif.org/ver10/device/wsdl"/></s:Body></s:Envelope>';
  const post = () => new Promise((resolve, reject) => {
    const req = http.request({
      host: device.host, port: device.port, path: '/onvif/device_service', method: 'POST', agent,
      headers: { 'Content-Type': 'application/soap+xml; charset=utf-8', 'Content-Length': Buffer.byteLength(body) },
    }, (res) => {
      res.resume();
      res.on('end', () => (res.statusCode === 200 ? resolve() : reject(new Error(`HTTP ${res.statusCode}`))));
    });
    req.on('error', reject);
    req.end(body);
  });
  await post();  // connect first: the figure is the exchange, not the handshake
  const median = await timeCalls(n, post);
  agent.destroy();
  return median;
}

// Runs main, prints its figures as one JSON line, exits non-zero on failure.
function run(name, main) {
  main().then((figures) => {
    console.log(`${name}: ${checks} checks passed`);
    const rounded = Object.fromEntries(Object.entries(figures).map(([k, v]) => [k, Math.round(v * 1000) / 1000]));
    console.log(`FIGURES ${name} ${JSON.stringify(rounded)}`);
    process.exit(0);
  }, (err) => {
    console.error(`${name}: FAILED: ${err && err.stack ? err.stack : err}`);
    process.exit(1);
  });
}

module.exports = {
  device, check, checksMade, control, state, counters, fault, sleep, snapshotLuma, timeCalls,
  bareRoundTrip, run,
};
