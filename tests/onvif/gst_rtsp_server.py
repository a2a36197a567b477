#!/usr/bin/env python3
"""A third-party RTSP peer for GstRtspTest: GStreamer's RTSP server on
127.0.0.1 behind a Digest login, with two mounts made from files the test
prepared:

  /mjpeg  the JPEG frames of DIR/mjpeg.mkv, as they are, as RTP/JPEG
  /h264   the H.264 stream of DIR/h264.mkv as RTP/H.264

Prints the bound port on a line of its own once it listens, and exits when
its standard input closes (the test ended, however it ended) or on SIGTERM;
with --cleanup it then removes DIR, which a test that crashed cannot.
Exit 3 when GStreamer's RTSP server or a needed element is missing.
"""

import argparse
import shutil
import signal
import sys

try:
    import gi

    gi.require_version("Gst", "1.0")
    gi.require_version("GstRtsp", "1.0")
    gi.require_version("GstRtspServer", "1.0")
    from gi.repository import GLib, Gst, GstRtsp, GstRtspServer
except (ImportError, ValueError) as e:
    print("missing: %s" % e, file=sys.stderr)
    sys.exit(3)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--dir", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--address", default="127.0.0.1",
                    help="where to listen: a camera's own address, as a camera's streams are on its host")
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--cleanup", action="store_true", help="remove DIR on exit")
    args = ap.parse_args()

    Gst.init(None)
    for element in ("filesrc", "matroskademux", "rtpjpegpay", "h264parse", "rtph264pay"):
        if Gst.ElementFactory.find(element) is None:
            print("missing: GStreamer element %s" % element, file=sys.stderr)
            return 3

    server = GstRtspServer.RTSPServer()
    server.set_address(args.address)
    server.set_service(str(args.port))

    # Digest only: a client that would fall back to Basic gets no chance to.
    auth = GstRtspServer.RTSPAuth()
    auth.set_supported_methods(GstRtsp.RTSPAuthMethod.DIGEST)
    token = GstRtspServer.RTSPToken()
    token.set_string("media.factory.role", args.user)
    auth.add_digest(args.user, args.password, token)
    server.set_auth(auth)

    pipelines = {
        # The container gives every frame its time, so they go out at the
        # stream's pace (loose JPEG files would go out as fast as they read).
        "/mjpeg": '( filesrc location="%s/mjpeg.mkv" ! matroskademux '
                  "! rtpjpegpay name=pay0 pt=26 )" % args.dir,
        # The parameter sets go in the description and again before every
        # key frame.
        "/h264": '( filesrc location="%s/h264.mkv" ! matroskademux '
                 "! h264parse ! video/x-h264,stream-format=byte-stream,alignment=au "
                 "! rtph264pay name=pay0 pt=96 config-interval=-1 )" % args.dir,
    }
    mounts = server.get_mount_points()
    for path, launch in pipelines.items():
        factory = GstRtspServer.RTSPMediaFactory()
        factory.set_launch(launch)
        factory.set_protocols(GstRtsp.RTSPLowerTrans.TCP)
        # Every client its own pipeline, from the first frame.
        factory.set_shared(False)
        perms = GstRtspServer.RTSPPermissions()
        perms.add_permission_for_role(args.user, "media.factory.access", True)
        perms.add_permission_for_role(args.user, "media.factory.construct", True)
        factory.set_permissions(perms)
        mounts.add_factory(path, factory)

    loop = GLib.MainLoop()
    if server.attach(None) == 0:
        print("cannot listen on 127.0.0.1:%d" % args.port, file=sys.stderr)
        return 1

    def stdin_closed(_fd, _cond):
        loop.quit()
        return False

    GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR,
                      stdin_closed)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: loop.quit() or False)

    print(server.get_bound_port(), flush=True)
    try:
        loop.run()
    finally:
        if args.cleanup:
            shutil.rmtree(args.dir, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
