// The simulated dome and its picture: PTZ codes move the right axis at the
// commanded speed until a stop, and every setting shows in the rendered
// picture.
#include <gtest/gtest.h>

#include <cmath>

#include "BitmapFont.h"
#include "Camera.h"
#include "ViewRenderer.h"

using namespace zv::devsim;

TEST(Dome, MovesAtCommandedSpeedUntilStopped) {
    Camera cam;
    cam.Advance(10.0);
    ASSERT_TRUE(cam.Command(kPtzUp, 0, 1, false, 10.0));
    cam.Advance(11.0);
    EXPECT_NEAR(cam.Position().tilt, Camera::LevelSpeed(1), 1e-9);
    // Device code 0 with the stop flag is a stop, not another move up.
    ASSERT_TRUE(cam.Command(kPtzUp, 0, 1, true, 11.5));
    const double stopped = cam.Position().tilt;
    EXPECT_NEAR(stopped, 1.5 * Camera::LevelSpeed(1), 1e-9);
    cam.Advance(20.0);
    EXPECT_EQ(cam.Position().tilt, stopped);
    EXPECT_FALSE(cam.Motion().Any());

    // The stop flag stops whatever code carries it.
    cam.Command(kPtzRight, 0, 8, false, 20.0);
    cam.Command(kPtzZoomIn, 0, 8, true, 20.5);
    cam.Advance(30);
    EXPECT_NEAR(cam.Position().pan, 0.5 * Camera::LevelSpeed(8), 1e-9);
    EXPECT_EQ(cam.Position().zoom, 1.0);
}

TEST(Dome, EachCodeDrivesItsAxis) {
    struct Case {
        uint32_t code;
        double PtzMotion::*axis;
        int sign;
    };
    const Case cases[] = {
        {kPtzUp, &PtzMotion::tilt, 1},           {kPtzDown, &PtzMotion::tilt, -1},
        {kPtzLeft, &PtzMotion::pan, -1},         {kPtzRight, &PtzMotion::pan, 1},
        {kPtzZoomOut, &PtzMotion::zoom, -1},     {kPtzZoomIn, &PtzMotion::zoom, 1},
        {kPtzFocusNear, &PtzMotion::focus, -1},  {kPtzFocusFar, &PtzMotion::focus, 1},
        {kPtzIrisSmaller, &PtzMotion::iris, -1}, {kPtzIrisLarger, &PtzMotion::iris, 1},
    };
    for (const Case& c : cases) {
        Camera cam;
        ASSERT_TRUE(cam.Command(c.code, 0, 3, false, 0));
        const PtzMotion& m = cam.Motion();
        EXPECT_GT((m.*c.axis) * c.sign, 0) << "code " << c.code;
        // Only that axis moves.
        const double total = std::fabs(m.pan) + std::fabs(m.tilt) + std::fabs(m.zoom) +
                             std::fabs(m.focus) + std::fabs(m.iris);
        EXPECT_EQ(total, std::fabs(m.*c.axis)) << "code " << c.code;
    }
    // Diagonals take their speed from param1 and move both axes.
    Camera cam;
    ASSERT_TRUE(cam.Command(kPtzLeftDown, 63, 0, false, 0));
    EXPECT_EQ(cam.Motion().pan, -Camera::RawSpeed(63));
    EXPECT_EQ(cam.Motion().tilt, -Camera::RawSpeed(63));
    ASSERT_TRUE(cam.Command(kPtzRightUp, 1, 8, false, 0));
    EXPECT_EQ(cam.Motion().pan, Camera::RawSpeed(1));
    EXPECT_LT(Camera::RawSpeed(1), Camera::RawSpeed(32));
    // Unknown codes are refused and leave the drive as it was.
    EXPECT_FALSE(cam.Command(0x24, 0, 0, false, 0));
    EXPECT_FALSE(cam.Command(10, 0, 0, false, 0));
    EXPECT_EQ(cam.Motion().pan, Camera::RawSpeed(1));
}

TEST(Dome, VelocitiesDriveInProportionUntilTheirGroupStops) {
    Camera cam;
    cam.Advance(0);
    cam.Drive(true, 0.5, -0.25, true, 1.0, 0, 0);
    EXPECT_EQ(cam.Motion().pan, 0.5 * Camera::kMaxPanTiltSpeed);
    EXPECT_EQ(cam.Motion().tilt, -0.25 * Camera::kMaxPanTiltSpeed);
    EXPECT_EQ(cam.Motion().zoom, Camera::kMaxZoomRate);
    // Out-of-range velocities are held to the fastest drive.
    cam.Drive(true, 3, -7, false, 0, 0, 0);
    EXPECT_EQ(cam.Motion().pan, Camera::kMaxPanTiltSpeed);
    EXPECT_EQ(cam.Motion().tilt, -Camera::kMaxPanTiltSpeed);
    EXPECT_EQ(cam.Motion().zoom, Camera::kMaxZoomRate);  // zoom not named: unchanged
    // The fastest velocity is level 8 of the codes.
    EXPECT_EQ(Camera::kMaxPanTiltSpeed, Camera::LevelSpeed(8));
    cam.Drive(true, 0, 0.25, false, 0, 0, 0);
    cam.Advance(1);
    EXPECT_NEAR(cam.Position().tilt, 0.25 * Camera::kMaxPanTiltSpeed, 1e-9);
    // Stopping pan/tilt leaves zoom driving, and the other way round.
    cam.Halt(true, false, false, 1);
    EXPECT_EQ(cam.Motion().tilt, 0);
    EXPECT_NE(cam.Motion().zoom, 0);
    cam.DriveFocus(-1, 1);
    EXPECT_EQ(cam.Motion().focus, -Camera::kMaxFocusRate);
    cam.Halt(false, true, false, 1);
    EXPECT_EQ(cam.Motion().zoom, 0);
    EXPECT_NE(cam.Motion().focus, 0);
    cam.Halt(false, false, true, 1);
    EXPECT_FALSE(cam.Motion().Any());
}

TEST(Dome, AVelocityDeadlineStopsItsAxesWhereItFalls) {
    Camera cam;
    cam.Advance(0);
    cam.Drive(true, 0, 1, false, 0, 0.25, 0);     // tilt for a quarter second
    cam.Drive(false, 0, 0, true, 1, 0.5, 0);      // zoom for half a second
    cam.Advance(10);                              // one step well past both
    EXPECT_NEAR(cam.Position().tilt, 0.25 * Camera::kMaxPanTiltSpeed, 1e-9);
    EXPECT_NEAR(std::log(cam.Position().zoom), 0.5 * Camera::kMaxZoomRate, 1e-9);
    EXPECT_FALSE(cam.Motion().Any());
    // A code replaces a timed move wholesale, its deadline included.
    cam.Drive(true, 0, -1, false, 0, 10.1, 10);
    cam.Command(kPtzUp, 0, 0, false, 10.05);
    cam.Advance(11);
    EXPECT_NEAR(cam.Position().tilt,
                0.25 * Camera::kMaxPanTiltSpeed - 0.05 * Camera::kMaxPanTiltSpeed +
                    0.95 * Camera::LevelSpeed(0),
                1e-9);
    EXPECT_TRUE(cam.Motion().Any());
}

TEST(Dome, PositionsWrapOrStopAtTheirLimits) {
    Camera cam;
    cam.Advance(0);
    cam.Command(kPtzLeft, 0, 8, false, 0);
    cam.Advance(1);
    EXPECT_NEAR(cam.Position().pan, 360 - Camera::LevelSpeed(8), 1e-9);
    cam.Command(kPtzUp, 0, 8, false, 1);
    cam.Advance(100);
    EXPECT_EQ(cam.Position().tilt, Camera::kTiltMax);
    cam.Command(kPtzZoomIn, 0, 8, false, 100);
    cam.Advance(200);
    EXPECT_EQ(cam.Position().zoom, Camera::kZoomMax);
    cam.Command(kPtzIrisSmaller, 0, 8, false, 200);
    cam.Advance(300);
    EXPECT_EQ(cam.Position().iris, 0);
    EXPECT_LT(cam.Exposure(), 0.5);
    cam.Command(kPtzFocusFar, 0, 8, false, 300);
    cam.Advance(400);
    EXPECT_EQ(cam.Position().focus, 1000);
    EXPECT_GT(cam.BlurRadius(), 3);
}

namespace {

struct Picture {
    Image img{352, 288};
    explicit Picture(const ViewSettings& v) { ViewRenderer::Render(Panorama::Shared(), v, img); }
    double Mean(int c) const {
        double s = 0;
        for (size_t i = c; i < img.rgb.size(); i += 3) s += img.rgb[i];
        return s / (img.rgb.size() / 3);
    }
    // Sum of absolute horizontal differences: falls as the picture blurs.
    double Detail() const {
        double s = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 1; x < img.width; ++x) s += std::abs(img.At(x, y).g - img.At(x - 1, y).g);
        return s;
    }
    double Chroma() const {
        double s = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const Rgb p = img.At(x, y);
                s += std::abs(p.r - p.g) + std::abs(p.b - p.g);
            }
        return s;
    }
};

}  // namespace

TEST(Picture, ShowsPanTiltZoomFocusAndIris) {
    ViewSettings base;
    base.pan = 90;
    const Picture ref(base);
    ViewSettings moved = base;
    moved.pan = 100;
    EXPECT_NE(Picture(moved).img.rgb, ref.img.rgb);
    // Panning by a whole turn shows the same view: the world has no seam.
    moved.pan = 450;
    EXPECT_EQ(Picture(moved).img.rgb, ref.img.rgb);
    ViewSettings up = base;
    up.tilt = 20;
    EXPECT_GT(Picture(up).Mean(2), ref.Mean(2));  // more sky
    ViewSettings zoomed = base;
    zoomed.zoom = 4;
    EXPECT_NE(Picture(zoomed).img.rgb, ref.img.rgb);
    ViewSettings blurred = base;
    blurred.blurRadius = 4;
    EXPECT_LT(Picture(blurred).Detail(), ref.Detail() * 0.6);
    ViewSettings dark = base;
    dark.exposure = 0.25;
    EXPECT_LT(Picture(dark).Mean(1), ref.Mean(1) * 0.7);
}

TEST(Picture, AppliesTheChannelColorBytes) {
    ViewSettings base;
    base.pan = 200;
    const Picture ref(base);
    ViewSettings v = base;
    v.colour.brightness = 200;
    EXPECT_GT(Picture(v).Mean(1), ref.Mean(1) + 40);
    v = base;
    v.colour.contrast = 0;  // flat mid-grey
    const Picture flat(v);
    EXPECT_NEAR(flat.Mean(0), 128, 1);
    EXPECT_LT(flat.Detail(), 1);
    v = base;
    v.colour.saturation = 0;
    EXPECT_LT(Picture(v).Chroma(), ref.Chroma() * 0.05);
    v = base;
    v.colour.hue = 127;  // half a turn of hue
    const Picture turned(v);
    EXPECT_NE(turned.img.rgb, ref.img.rgb);
    EXPECT_NEAR(turned.Mean(0) + turned.Mean(1) + turned.Mean(2),
                ref.Mean(0) + ref.Mean(1) + ref.Mean(2), 40);
}

TEST(Picture, OverlayCarriesAddressTimeAndFrameNumber) {
    Image a(352, 288), b(352, 288);
    OverlayInfo info;
    info.address = "127.0.0.2";
    info.channel = 1;
    info.timestampUs = 1700000000123456ull;
    info.frameNo = 41;
    ViewRenderer::DrawOverlay(a, info);
    info.frameNo = 42;
    ViewRenderer::DrawOverlay(b, info);
    EXPECT_NE(a.rgb, b.rgb);
    // Only the bottom line (frame number) differs.
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 352; ++x) ASSERT_EQ(a.At(x, y).r, b.At(x, y).r) << x << "," << y;
    EXPECT_EQ(ViewRenderer::FormatTime(1700000000123456ull), "2023-11-14 22:13:20.123");
    EXPECT_EQ(ViewRenderer::FormatTime(951782400000000ull), "2000-02-29 00:00:00.000");
}
