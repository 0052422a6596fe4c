#pragma once

// What one transfer brings back: the status line and header lines the feed's reader cares for, the body
// as far as it fits, and the reason of a failure in the transport's terms.

#include <cstddef>
#include <curl/curl.h>

#include "platform/http.h"

namespace http {

struct Answer {
    Response *response;
    char *buffer; // room for `capacity` bytes of the body and its NUL
    size_t capacity;
    long status = 0; // of the answer whose header lines are coming in
    char errorBuffer[CURL_ERROR_SIZE] = "";

    Answer(Response *r, char *b, size_t c);

    // libcurl's header and write callbacks; `userdata` is the Answer.
    static size_t OnHeader(char *data, size_t size, size_t count, void *userdata);
    static size_t OnBody(char *data, size_t size, size_t count, void *userdata);

    // Turns the result of the transfer into response->failure with its problem and detail.
    void Fail(CURL *easy, CURLcode rc);
};

} // namespace http
