#include "platform/qt/QtWindowText.h"

#include <cstddef>
#include <cstring>

namespace tavrin::qt {

namespace {

enum class Utf8 { Valid, CutAtEnd, Invalid };

// Length of the UTF-8 sequence that `lead` starts, 0 when it cannot start one.
size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xc2 && lead <= 0xdf)
        return 2;
    if (lead >= 0xe0 && lead <= 0xef)
        return 3;
    if (lead >= 0xf0 && lead <= 0xf4)
        return 4;
    return 0;
}

// The allowed range of the byte after `lead`: it excludes overlong forms, surrogates and code points
// above U+10FFFF.
bool SecondByteFits(unsigned char lead, unsigned char second)
{
    unsigned char low = 0x80, high = 0xbf;
    if (lead == 0xe0)
        low = 0xa0;
    else if (lead == 0xed)
        high = 0x9f;
    else if (lead == 0xf0)
        low = 0x90;
    else if (lead == 0xf4)
        high = 0x8f;
    return second >= low && second <= high;
}

// Checks `text`; for a text that is valid up to an incomplete last character, `validLength` is the
// length without it. A lone lead byte at the end of an otherwise plain ASCII text is no cut character but
// an ISO-8859-1 letter ("Caf\xe9"), so that text counts as invalid.
Utf8 CheckUtf8(const unsigned char *text, size_t length, size_t *validLength)
{
    size_t i = 0;
    bool sawMultibyte = false;
    while (i < length) {
        const size_t need = SequenceLength(text[i]);
        if (need == 0)
            return Utf8::Invalid;
        size_t have = 1;
        while (have < need && i + have < length) {
            const unsigned char next = text[i + have];
            const bool fits = have == 1 ? SecondByteFits(text[i], next) : (next >= 0x80 && next <= 0xbf);
            if (!fits)
                return Utf8::Invalid;
            have++;
        }
        if (have < need) {
            *validLength = i;
            return (sawMultibyte || have > 1) ? Utf8::CutAtEnd : Utf8::Invalid;
        }
        sawMultibyte = sawMultibyte || need > 1;
        i += need;
    }
    *validLength = length;
    return Utf8::Valid;
}

} // namespace

QString ProgramText(const char *text)
{
    if (!text)
        return {};
    const size_t length = std::strlen(text);
    size_t validLength = 0;
    const auto bytes = reinterpret_cast<const unsigned char *>(text);
    if (CheckUtf8(bytes, length, &validLength) == Utf8::Invalid)
        return QString::fromLatin1(text, static_cast<qsizetype>(length));
    return QString::fromUtf8(text, static_cast<qsizetype>(validLength));
}

QString MnemonicLabel(const char *label)
{
    QString shown = LiteralLabel(label);
    const qsizetype marker = shown.indexOf(QLatin1Char('_'));
    if (marker >= 0 && marker + 1 < shown.size())
        shown[marker] = QLatin1Char('&');
    return shown;
}

QString LiteralLabel(const char *text)
{
    QString shown = ProgramText(text);
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return shown;
}

} // namespace tavrin::qt
