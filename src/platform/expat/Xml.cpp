#include "platform/xml.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <expat.h>
#include <iconv.h>

// expat reads the document; iconv supplies the tables of the single-byte character sets that expat
// does not know itself. External entities stay unread because no handler for them is set, and
// parameter entities (through which an external DTD would be read) are never parsed. expat's own
// protection bounds the amplification of entities declared inside the document.

namespace {

struct Context {
    const xml::Handlers &handlers;
    void *user;
};

void Start(void *data, const XML_Char *name, const XML_Char **attributes)
{
    auto *c = static_cast<Context *>(data);
    c->handlers.start(c->user, name, attributes);
}

void End(void *data, const XML_Char *name)
{
    auto *c = static_cast<Context *>(data);
    c->handlers.end(c->user, name);
}

void Text(void *data, const XML_Char *text, int length)
{
    auto *c = static_cast<Context *>(data);
    c->handlers.text(c->user, text, size_t(length));
}

void Skipped(void *data, const XML_Char *name, int isParameterEntity)
{
    auto *c = static_cast<Context *>(data);
    if (!isParameterEntity)
        c->handlers.undeclaredEntity(c->user, name);
}

// Fills expat's table of a character set that it does not know: each byte's code point, or -1 for a
// byte the set leaves undefined. Sets of more than one byte per character are refused (expat then
// reports the encoding as unknown). expat itself refuses a table that does not keep ASCII in place.
int UnknownEncoding(void *, const XML_Char *name, XML_Encoding *info)
{
    iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd == iconv_t(-1))
        return XML_STATUS_ERROR;
    bool singleByte = true;
    for (int b = 0; b < 256 && singleByte; b++) {
        char in = char(b);
        char *inPtr = &in;
        size_t inLeft = 1;
        unsigned char out[4];
        char *outPtr = reinterpret_cast<char *>(out);
        size_t outLeft = sizeof(out);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1)) {
            // EILSEQ: a byte without a character; anything else: a byte that starts a longer sequence.
            singleByte = errno == EILSEQ;
            info->map[b] = -1;
        } else if (outLeft != 0) {
            singleByte = false;
        } else {
            info->map[b] = int(uint32_t(out[0]) | uint32_t(out[1]) << 8 | uint32_t(out[2]) << 16);
        }
    }
    iconv_close(cd);
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return singleByte ? XML_STATUS_OK : XML_STATUS_ERROR;
}

} // namespace

namespace xml {

bool Parse(const char *text, size_t length, const Handlers &handlers, void *user, Error *error)
{
    XML_Parser parser = XML_ParserCreateNS(nullptr, ' ');
    if (!parser) {
        *error = {"out of memory", 0};
        return false;
    }
    Context context {handlers, user};
    XML_SetUserData(parser, &context);
    XML_SetElementHandler(parser, Start, End);
    XML_SetCharacterDataHandler(parser, Text);
    if (handlers.undeclaredEntity)
        XML_SetSkippedEntityHandler(parser, Skipped);
    XML_SetUnknownEncodingHandler(parser, UnknownEncoding, nullptr);
    XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    // expat counts lengths in int.
    constexpr size_t chunk = INT_MAX / 2;
    bool ok = true;
    do {
        const size_t n = length < chunk ? length : chunk;
        length -= n;
        ok = XML_Parse(parser, text, int(n), length == 0) == XML_STATUS_OK;
        text += n;
    } while (ok && length > 0);
    if (!ok)
        *error = {XML_ErrorString(XML_GetErrorCode(parser)), XML_GetCurrentLineNumber(parser)};
    XML_ParserFree(parser);
    return ok;
}

} // namespace xml
