#include "Panorama.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "BitmapFont.h"

namespace zv::devsim {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Smooth ridge line, periodic over 360 degrees (whole-number frequencies) so
// the panorama has no seam.
double Ridge(double panDeg, const double (&amp)[4], const int (&freq)[4], double phase) {
    const double a = panDeg * kPi / 180.0;
    double h = 0;
    for (int i = 0; i < 4; ++i) h += amp[i] * std::sin(freq[i] * a + phase * (i + 1));
    return h;
}

uint8_t Mix(uint8_t a, uint8_t b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return static_cast<uint8_t>(a + (b - a) * t + 0.5);
}

Rgb Mix(Rgb a, Rgb b, double t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }

}  // namespace

const Panorama& Panorama::Shared() {
    static const Panorama p;
    return p;
}

Panorama::Panorama() : m_img(kWidth, kHeight) {
    DrawLandscape();
    DrawFarm();
    DrawSigns();
}

void Panorama::DrawLandscape() {
    static const double kFarAmp[4] = {3.0, 2.0, 1.2, 0.6};
    static const int kFarFreq[4] = {3, 7, 13, 29};
    static const double kNearAmp[4] = {1.2, 0.8, 0.4, 0.2};
    static const int kNearFreq[4] = {2, 5, 11, 23};
    const Rgb skyTop{40, 80, 170}, skyLow{170, 205, 240};
    const Rgb rock{105, 110, 125}, snow{240, 242, 248};
    const Rgb hill{60, 120, 55};
    const Rgb fieldA{95, 160, 60}, fieldB{175, 160, 80}, far{120, 150, 110};
    const double sunPan = 135, sunTilt = 25, sunR = 3;

    // Everything that depends on the row alone is worked out once per row;
    // the world is drawn at every start-up and should not hold it up.
    struct RowInfo {
        double tilt;
        Rgb sky;
        double cloud;  // cloud band strength from the tilt
        Rgb rockSnow;
        Rgb hillMix;
        int band;  // field row for ground rows
        double haze;
    };
    std::vector<RowInfo> rows(kHeight);
    for (int y = 0; y < kHeight; ++y) {
        RowInfo& r = rows[static_cast<size_t>(y)];
        r.tilt = kTopTilt - (y + 0.5) / kPxPerDegree;
        r.sky = Mix(skyLow, skyTop, r.tilt / kTopTilt);
        r.cloud = (r.tilt > 10 && r.tilt < 27) ? std::sin((r.tilt - 18) * kPi / 9.0) - 1.2 : -10;
        r.rockSnow = Mix(rock, snow, (r.tilt - 3) / 12);
        r.hillMix = Mix(hill, far, r.tilt / 3);
        // Fields in perspective: distance grows as the view nears the
        // horizon, so the checker rows shrink towards it.
        const double depth = 2.0 / std::tan(std::max(-r.tilt, 0.05) * kPi / 180.0);
        r.band = static_cast<int>(depth / 6.0);
        r.haze = 1.0 - std::min(1.0, -r.tilt / 6.0) * 0.8 - 0.2;
    }
    const Rgb hazyA[2] = {fieldB, fieldA};
    for (int x = 0; x < kWidth; ++x) {
        const double pan = (x + 0.5) / kPxPerDegree;
        const double mountain = 7.0 + Ridge(pan, kFarAmp, kFarFreq, 0.7);  // degrees above
        const double hills = 2.0 + Ridge(pan, kNearAmp, kNearFreq, 2.1);
        const double cloudCol = std::sin(pan * kPi / 20.0) * std::sin(pan * kPi / 57.0);
        const double dp = std::remainder(pan - sunPan, 360.0);
        const int strip = static_cast<int>(pan / 12.0);
        for (int y = 0; y < kHeight; ++y) {
            const RowInfo& r = rows[static_cast<size_t>(y)];
            Rgb c;
            if (r.tilt > mountain) {
                c = r.sky;
                const double dt = r.tilt - sunTilt;
                if (std::fabs(dp) < sunR * 3 && std::fabs(dt) < sunR * 3) {
                    const double d = std::sqrt(dp * dp + dt * dt);
                    if (d < sunR)
                        c = {255, 250, 215};
                    else if (d < sunR * 3)
                        c = Mix(c, Rgb{255, 240, 190}, (sunR * 3 - d) / (sunR * 4));
                }
                const double cloud = cloudCol + r.cloud;  // a few soft cloud banks
                if (cloud > 0) c = Mix(c, Rgb{250, 250, 252}, cloud * 2);
            } else if (r.tilt > hills) {
                c = (r.tilt > mountain - 1.5 && mountain > 8.5) ? snow : r.rockSnow;
            } else if (r.tilt > 0) {
                c = r.hillMix;
            } else {
                c = Mix(hazyA[(r.band + strip) & 1], far, r.haze);
            }
            m_img.Set(x, y, c);
        }
    }
}

void Panorama::DrawFarm() {
    // A farmhouse with a red roof and two trees, near bearing 200.
    const int base = kTopTilt * kPxPerDegree + 2 * kPxPerDegree;
    const int x0 = 196 * kPxPerDegree;
    m_img.FillRect(x0, base - 40, 64, 40, Rgb{235, 225, 200});
    for (int i = 0; i < 24; ++i)
        m_img.FillRect(x0 - 6 + i * 3, base - 40 - i, 76 - i * 6, 1, Rgb{180, 40, 30});
    m_img.FillRect(x0 + 26, base - 22, 12, 22, Rgb{90, 55, 30});
    m_img.FillRect(x0 + 6, base - 32, 12, 10, Rgb{120, 170, 220});
    m_img.FillRect(x0 + 46, base - 32, 12, 10, Rgb{120, 170, 220});
    for (int t = 0; t < 2; ++t) {
        const int tx = x0 + 100 + t * 60;
        m_img.FillRect(tx, base - 24, 6, 24, Rgb{100, 70, 40});
        for (int i = 0; i < 30; ++i)
            m_img.FillRect(tx + 3 - i, base - 24 - 30 + i, 2 * i, 1, Rgb{30, 100, 40});
    }
}

void Panorama::DrawSigns() {
    // Bearing signs on posts every 30 degrees: the easiest way to read the
    // pan angle off a picture.
    const int ground = kTopTilt * kPxPerDegree + 6 * kPxPerDegree;
    for (int bearing = 0; bearing < 360; bearing += 30) {
        std::string label = std::to_string(bearing);
        if (bearing == 0) label = "N";
        if (bearing == 90) label = "E";
        if (bearing == 180) label = "S";
        if (bearing == 270) label = "W";
        const int cx = bearing * kPxPerDegree;
        const int tw = BitmapFont::TextWidth(label, 3);
        const int signW = tw + 12, signH = 3 * BitmapFont::kGlyphH + 12;
        const int signTop = ground - 60 - signH;
        for (int dx = -2; dx <= 2; ++dx)
            for (int y = signTop; y < ground; ++y)
                m_img.Set((cx + dx + kWidth) % kWidth, y, Rgb{80, 60, 40});
        for (int y = 0; y < signH; ++y)
            for (int x = 0; x < signW; ++x) {
                const bool border = y < 2 || x < 2 || y >= signH - 2 || x >= signW - 2;
                m_img.Set((cx - signW / 2 + x + kWidth) % kWidth, signTop + y,
                          border ? Rgb{30, 30, 30} : Rgb{250, 250, 250});
            }
        // Text may straddle the seam at bearing 0: draw it twice, shifted.
        for (int shift : {0, kWidth, -kWidth})
            BitmapFont::Draw(m_img, cx - tw / 2 + shift, signTop + 6, label, 3, Rgb{200, 20, 20});
    }
}

}  // namespace zv::devsim
