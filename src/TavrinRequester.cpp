#include <cstdarg>
#include <cstdio>

#include "Tavrin.h"
#include "TavrinLocale.h"
#include "platform/dos.h"
#include "platform/requester.h"

// Holds the body of the requester being shown; a longer text is cut at 1023 characters.
static char textbuffer[1024];

LONG DisplayRequester(ULONG, CONST_STRPTR text, CONST_STRPTR button, ...)
{
    va_list ap;
    va_start(ap, button);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    vsnprintf(textbuffer, sizeof(textbuffer), text, ap);
#pragma GCC diagnostic pop
    va_end(ap);

    // Every kind looks the same: the kind only documents the caller's intent.
    requester::Object *req = requester::NewRequester("Tavrin", textbuffer, button);
    if (!req) {
        dos::PutStr(GetString(ERR_CanNotCreateRequester));
        return 0;
    }
    LONG result = requester::OpenRequester(req);
    requester::DisposeObject(req);
    return result;
}
