#pragma once

// IFF 8SVX files built from numbers, for the reader's and the player's tests.

#include <cstdint>
#include <string>
#include <vector>

struct SvxImage {
    uint32_t oneShot;
    uint16_t rate = 8000;
    uint8_t compression = 0;
    uint32_t volume = 0x10000;
    std::vector<int> body;
    uint32_t chan = 0; // 0: no CHAN chunk
};

inline std::string SvxBe(uint32_t v, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; i--)
        out += static_cast<char>(v >> (8 * i));
    return out;
}

inline std::string SvxChunk(const std::string &id, const std::string &data)
{
    return id + SvxBe(uint32_t(data.size()), 4) + data + (data.size() % 2 ? std::string(1, '\0') : "");
}

inline std::string SvxFile(const SvxImage &img)
{
    std::string body;
    for (int b : img.body)
        body += static_cast<char>(b);
    const std::string vhdr = SvxBe(img.oneShot, 4) + SvxBe(0, 4) + SvxBe(0, 4) + SvxBe(img.rate, 2) + SvxBe(1, 1)
        + SvxBe(img.compression, 1) + SvxBe(img.volume, 4);
    std::string form = "8SVX" + SvxChunk("VHDR", vhdr) + (img.chan ? SvxChunk("CHAN", SvxBe(img.chan, 4)) : "")
        + SvxChunk("BODY", body);
    return "FORM" + SvxBe(uint32_t(form.size()), 4) + form;
}
