// The colour values in the device's blocks: the pure edits on random blocks,
// sizes and channels, and the panel's round trip through a library whose
// answers (results, returned sizes, channel counts, contents) are random. A
// block is always exactly as large as said, so any stray access is caught.
#include <cstring>
#include <vector>

#include "ColorBlock.h"
#include "ColorConfig.h"
#include "FuzzCheck.h"
#include "Input.h"

namespace zv::fuzz {
namespace {

using Bytes = std::vector<uint8_t>;

int Channel(Input& in) {
    return in.Bool() ? in.Range(-2, 9) : in.Int<int>();
}

ColorValues Values(Input& in) {
    ColorValues v;
    v.nBrightness = in.Int<int>();
    v.nContrast = in.Int<int>();
    v.nHue = in.Int<int>();
    v.nSaturation = in.Int<int>();
    return v;
}

bool SameValues(const ColorValues& a, const ColorValues& b) {
    return a.nBrightness == b.nBrightness && a.nContrast == b.nContrast && a.nHue == b.nHue &&
           a.nSaturation == b.nSaturation;
}

bool Fits(size_t size, int channel) {
    return channel >= 0 && (static_cast<uint64_t>(channel) + 1) * proto::kChannelRecordSize <= size;
}

// What a write of `v` into `block` must give: the four bytes, nothing else.
Bytes Edited(Bytes block, int channel, const ColorValues& v) {
    uint8_t* r = block.data() + static_cast<size_t>(channel) * proto::kChannelRecordSize;
    r[proto::kBrightnessOffset] = static_cast<uint8_t>(v.nBrightness);
    r[proto::kContrastOffset] = static_cast<uint8_t>(v.nContrast);
    r[proto::kSaturationOffset] = static_cast<uint8_t>(v.nSaturation);
    r[proto::kHueOffset] = static_cast<uint8_t>(v.nHue);
    return block;
}

void CheckBlockEdits(Input& in) {
    size_t size;
    switch (in.Range(0, 2)) {
    case 0: size = in.Range<size_t>(0, 4 * proto::kChannelRecordSize + 2); break;
    case 1: size = proto::kChannelRecordSize * in.Range<size_t>(0, 6); break;
    default: size = in.Range<size_t>(0, 1 << 16); break;
    }
    const Bytes original = in.Bytes(size);  // may come out shorter
    const int channel = Channel(in);
    const ColorValues v = Values(in);
    const bool fits = Fits(original.size(), channel);

    FUZZ_CHECK(ChannelRecordCount(original.data(), original.size()) ==
               (original.size() > proto::kChannelCountOffset ? original[proto::kChannelCountOffset] : 0));
    FUZZ_CHECK(HasChannelRecord(original.size(), channel) == fits);

    const ColorValues untouched{-7, -8, -9, -10};
    ColorValues read = untouched;
    FUZZ_CHECK(ReadColorRecord(original.data(), original.size(), channel, read) == fits);
    if (!fits) {
        FUZZ_CHECK(SameValues(read, untouched));
    } else {
        const uint8_t* r = original.data() + static_cast<size_t>(channel) * proto::kChannelRecordSize;
        FUZZ_CHECK(read.nBrightness == r[proto::kBrightnessOffset] && read.nContrast == r[proto::kContrastOffset] &&
                   read.nSaturation == r[proto::kSaturationOffset] && read.nHue == r[proto::kHueOffset]);
    }
    FUZZ_CHECK(!ReadColorRecord(nullptr, original.size(), channel, read));
    FUZZ_CHECK(!WriteColorRecord(nullptr, original.size(), channel, v));

    Bytes block = original;
    FUZZ_CHECK(WriteColorRecord(block.data(), block.size(), channel, v) == fits);
    if (!fits) {
        FUZZ_CHECK(block == original);
        return;
    }
    FUZZ_CHECK(block == Edited(original, channel, v));
    ColorValues back = untouched;
    FUZZ_CHECK(ReadColorRecord(block.data(), block.size(), channel, back));
    FUZZ_CHECK(back.nBrightness == (v.nBrightness & 0xFF) && back.nContrast == (v.nContrast & 0xFF) &&
               back.nSaturation == (v.nSaturation & 0xFF) && back.nHue == (v.nHue & 0xFF));
}

// Configuration calls only. Each answer is drawn from the input: the result,
// how many bytes land in the caller's buffer (never more than it said it
// holds), what they are, and the size reported back, true or not.
class RandomConfigLibrary final : public INetLibrary {
public:
    RandomConfigLibrary(Input& in, int32_t login) : m_in(in), m_login(login) {}

    int32_t Init(DisconnectFn, uintptr_t) override { Fail("Init", __FILE__, __LINE__); }
    void Cleanup() override { Fail("Cleanup", __FILE__, __LINE__); }
    int32_t Login(const char*, uint16_t, const char*, const char*, unsigned char*, int*) override {
        Fail("Login", __FILE__, __LINE__);
    }
    void Logout(int32_t) override { Fail("Logout", __FILE__, __LINE__); }
    int32_t StartRealPlay(int32_t, int32_t, ZV_HWND) override { Fail("StartRealPlay", __FILE__, __LINE__); }
    int32_t StopRealPlay(int32_t) override { Fail("StopRealPlay", __FILE__, __LINE__); }
    int32_t OpenSound(int32_t) override { Fail("OpenSound", __FILE__, __LINE__); }
    int32_t CloseSound() override { Fail("CloseSound", __FILE__, __LINE__); }
    int32_t PtzControl(int32_t, int32_t, uint32_t, uint8_t, uint8_t, uint8_t, int32_t) override {
        Fail("PtzControl", __FILE__, __LINE__);
    }

    int32_t GetDevConfig(int32_t login, int32_t cmd, int32_t channel, void* buffer, int32_t size,
                         int32_t* returned, int32_t wait) override {
        FUZZ_CHECK(login == m_login && wait == CONFIG_WAIT_MS);
        FUZZ_CHECK(buffer != nullptr && returned != nullptr && size > 0);
        if (cmd == proto::kCfgDevice) {
            FUZZ_CHECK(gets == 0 && channel == 0 && size == proto::kDeviceBlockSize);
        } else {
            // The records block, sized as the device block just said.
            FUZZ_CHECK(gets == 1 && cmd == proto::kCfgChannel && channel == proto::kCfgAllChannels);
            FUZZ_CHECK(size == device[proto::kChannelCountOffset] * proto::kChannelRecordSize);
        }
        ++gets;
        const int32_t result = m_in.Bool() ? 1 : m_in.Int<int32_t>();
        const int32_t written = m_in.Bool() ? size : m_in.Range(0, size);
        auto* p = static_cast<uint8_t*>(buffer);
        const Bytes fill = m_in.Bytes(static_cast<size_t>(written));
        if (!fill.empty()) std::memcpy(p, fill.data(), fill.size());
        // A device block that announces a channel count the input picks.
        if (cmd == proto::kCfgDevice && m_in.Bool())
            p[proto::kChannelCountOffset] = m_in.Range<uint8_t>(0, 6);
        *returned = m_in.Bool() ? written : m_in.Int<int32_t>();
        (cmd == proto::kCfgDevice ? device : records).assign(p, p + size);
        (cmd == proto::kCfgDevice ? deviceWhole : recordsWhole) = result != 0 && *returned == size;
        return result;
    }
    void SetDevConfig(int32_t login, int32_t cmd, int32_t channel, void* buffer, int32_t size,
                      int32_t wait) override {
        FUZZ_CHECK(login == m_login && wait == CONFIG_WAIT_MS);
        FUZZ_CHECK(cmd == proto::kCfgChannel && channel == proto::kCfgAllChannels);
        FUZZ_CHECK(buffer != nullptr && size > 0 && static_cast<size_t>(size) == records.size());
        ++sets;
        const auto* p = static_cast<const uint8_t*>(buffer);
        written.assign(p, p + size);
    }

    // What the caller holds after each read, and what it wrote.
    Bytes device, records, written;
    int gets = 0, sets = 0;
    bool deviceWhole = false, recordsWhole = false;

private:
    Input& m_in;
    const int32_t m_login;
};

void CheckRoundTrip(Input& in) {
    const int32_t login = in.Int<int32_t>();
    RandomConfigLibrary net(in, login);
    CColorConfig config(net);
    const int channel = Channel(in);
    const bool apply = in.Bool();
    const ColorValues v = Values(in);
    const ColorValues untouched{-7, -8, -9, -10};
    ColorValues read = untouched;
    const bool ok = apply ? config.ApplyToDevice(login, channel, v)
                          : config.ReadDeviceValues(login, channel, read);

    // Both blocks whole, and a record for the channel: only then an answer.
    const int count = net.device.empty() ? 0 : net.device[proto::kChannelCountOffset];
    const bool channelKnown = channel >= 0 && channel < count;
    FUZZ_CHECK(net.gets == (net.deviceWhole && channelKnown ? 2 : 1));
    FUZZ_CHECK(ok == (net.gets == 2 && net.recordsWhole));
    if (apply) {
        FUZZ_CHECK(net.sets == (ok ? 1 : 0));
        // Everything as read, but for the channel's four bytes.
        if (ok) FUZZ_CHECK(net.written == Edited(net.records, channel, v));
        return;
    }
    FUZZ_CHECK(net.sets == 0);
    if (!ok) {
        FUZZ_CHECK(SameValues(read, untouched));
        return;
    }
    const uint8_t* r = net.records.data() + static_cast<size_t>(channel) * proto::kChannelRecordSize;
    FUZZ_CHECK(read.nBrightness == r[proto::kBrightnessOffset] && read.nContrast == r[proto::kContrastOffset] &&
               read.nSaturation == r[proto::kSaturationOffset] && read.nHue == r[proto::kHueOffset]);
}

}  // namespace
}  // namespace zv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zv::fuzz::Input in(data, size);
    if (in.Bool())
        zv::fuzz::CheckBlockEdits(in);
    else
        zv::fuzz::CheckRoundTrip(in);
    return 0;
}
