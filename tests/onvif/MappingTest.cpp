// The PTZ codes as continuous moves, and the colour bytes against imaging
// levels: every byte written reads back as written from a device that
// keeps its own scale, hue is the library's own.
#include <gtest/gtest.h>

#include <cmath>

#include "ColorMap.h"
#include "PtzMapping.h"

using namespace zv::onvif;

namespace {

PtzSpaces Generic() {
    PtzSpaces s;
    s.panTilt = s.hasZoom = true;
    return s;
}

TEST(PtzMapping, DirectionsDiagonalsAndZoomAtEachSpeedLevel) {
    struct Case {
        uint32_t code;
        double x, y, z;
    } cases[] = {{kPtzUp, 0, 1, 0},        {kPtzDown, 0, -1, 0},       {kPtzLeft, -1, 0, 0},
                 {kPtzRight, 1, 0, 0},     {kPtzLeftUp, -1, 1, 0},     {kPtzRightUp, 1, 1, 0},
                 {kPtzLeftDown, -1, -1, 0}, {kPtzRightDown, 1, -1, 0}, {kPtzZoomIn, 0, 0, 1},
                 {kPtzZoomOut, 0, 0, -1}};
    for (const Case& c : cases)
        for (uint8_t level = 0; level <= 10; ++level) {
            const PtzRequest r = MapPtzCode(c.code, level, false, Generic());
            ASSERT_EQ(r.kind, PtzRequest::Kind::Move) << c.code;
            const double f = level == 0 ? 1.0 / 8 : std::min(level, uint8_t(8)) / 8.0;
            EXPECT_DOUBLE_EQ(r.x, c.x * f) << c.code << " level " << int(level);
            EXPECT_DOUBLE_EQ(r.y, c.y * f);
            EXPECT_DOUBLE_EQ(r.z, c.z * f);
            EXPECT_TRUE(r.panTilt && r.zoom) << "both groups named: a new code replaces the drive";
        }
}

TEST(PtzMapping, StopFocusIrisAndUnknownCodes) {
    EXPECT_EQ(MapPtzCode(kPtzUp, 4, true, Generic()).kind, PtzRequest::Kind::Stop);
    EXPECT_EQ(MapPtzCode(kPtzRight, 4, true, Generic()).kind, PtzRequest::Kind::Stop) << "the flag wins";
    PtzRequest f = MapPtzCode(kPtzFocusNear, 8, false, Generic());
    EXPECT_EQ(f.kind, PtzRequest::Kind::Focus);
    EXPECT_DOUBLE_EQ(f.focus, -1);
    EXPECT_DOUBLE_EQ(MapPtzCode(kPtzFocusFar, 2, false, Generic()).focus, 0.25);
    EXPECT_EQ(MapPtzCode(kPtzIrisLarger, 4, false, Generic()).kind, PtzRequest::Kind::Unsupported);
    EXPECT_EQ(MapPtzCode(kPtzIrisSmaller, 4, false, Generic()).kind, PtzRequest::Kind::Unsupported);
    EXPECT_EQ(MapPtzCode(0x24, 4, false, Generic()).kind, PtzRequest::Kind::Invalid);
    EXPECT_EQ(MapPtzCode(99, 4, false, Generic()).kind, PtzRequest::Kind::Invalid);
}

TEST(PtzMapping, ScaledToTheNodesSpaceAndGroupsItLacks) {
    PtzSpaces s;
    s.panTilt = true;
    s.panX = {-100, 50, true};
    s.panY = {-30, 30, true};
    PtzRequest r = MapPtzCode(kPtzLeftUp, 4, false, s);
    ASSERT_EQ(r.kind, PtzRequest::Kind::Move);
    EXPECT_DOUBLE_EQ(r.x, -50);
    EXPECT_DOUBLE_EQ(r.y, 15);
    EXPECT_FALSE(r.zoom) << "a group the node lacks is not named";
    EXPECT_DOUBLE_EQ(MapPtzCode(kPtzRight, 8, false, s).x, 50);
    EXPECT_EQ(MapPtzCode(kPtzZoomIn, 4, false, s).kind, PtzRequest::Kind::Unsupported);
    // A one-sided range: nothing moves the other way, and nothing leaves it.
    s.panX = {0, 10, true};
    EXPECT_DOUBLE_EQ(MapPtzCode(kPtzLeft, 8, false, s).x, 0);
}

// devsim's own scale: byte = round(level * 2.54); a level reads back whole
// when that gives the byte, else to a tenth.
double DevsimRead(double levelSent) {
    const long byte = std::lround(levelSent * 2.54);
    const double whole = std::round(byte / 2.54);
    if (std::lround(whole * 2.54) == byte) return std::min(100.0, whole);
    return std::min(100.0, std::round(byte / 0.254) / 10);
}

TEST(ColorMap, EveryByteWrittenReadsBackAsWrittenFromADeviceWithItsOwnScale) {
    for (int field = 0; field < 3; ++field) {
        ColorMap m;
        for (int b = 0; b < 256; ++b) {
            const double level = m.ToLevel(field, uint8_t(b));
            m.Remember(field, uint8_t(b), level);
            ASSERT_EQ(m.ToByte(field, DevsimRead(level)), b) << "field " << field << " byte " << b;
            // A device that keeps whole levels only.
            ASSERT_EQ(m.ToByte(field, std::round(level)), b);
        }
    }
    ColorMap m;
    EXPECT_EQ(m.ToLevel(kBrightness, 255), 100) << "255 is the device's maximum";
    EXPECT_EQ(m.ToLevel(kBrightness, 0), 0);
    EXPECT_EQ(m.ToByte(kBrightness, 100), 255);
    EXPECT_EQ(m.ToByte(kBrightness, 50), 128);
}

TEST(ColorMap, RangesFromTheDeviceAndChangesMadeElsewhere) {
    ColorMap m;
    ImagingRanges r;
    r.brightness = {-50, 50, true};
    r.contrast = {0, 1, true};
    m.SetRanges(r);
    EXPECT_DOUBLE_EQ(m.ToLevel(kBrightness, 255), 50);
    EXPECT_DOUBLE_EQ(m.ToLevel(kBrightness, 0), -50);
    EXPECT_EQ(m.ToByte(kContrast, 0.5), 128);
    EXPECT_DOUBLE_EQ(m.ToLevel(kSaturation, 255), 100) << "no range reported: 0..100";
    EXPECT_EQ(m.ToByte(kBrightness, 1000), 255) << "out of range clamps";
    EXPECT_EQ(m.ToByte(kBrightness, -1000), 0);
    // Written 200; another client then sets the level well away: the cache gives way.
    m.Remember(kBrightness, 200, m.ToLevel(kBrightness, 200));
    EXPECT_EQ(m.ToByte(kBrightness, m.ToLevel(kBrightness, 200)), 200);
    EXPECT_EQ(m.ToByte(kBrightness, 0), 128);
    m.Forget();
    EXPECT_EQ(m.ToByte(kBrightness, m.ToLevel(kBrightness, 201)), 201);
}

}  // namespace
