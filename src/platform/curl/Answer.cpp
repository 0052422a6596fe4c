#include "platform/curl/Answer.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <openssl/x509_vfy.h>
#include <strings.h>

namespace http {

namespace {

// The value of a header line `name: value` without the blanks around it, or null for another name.
const char *HeaderValue(const char *line, size_t length, const char *name, size_t *valueLength)
{
    const size_t n = strlen(name);
    if (length <= n || strncasecmp(line, name, n) != 0 || line[n] != ':')
        return nullptr;
    const char *value = line + n + 1, *end = line + length;
    while (value < end && (*value == ' ' || *value == '\t'))
        value++;
    while (end > value && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n'))
        end--;
    *valueLength = size_t(end - value);
    return value;
}

// A value that does not fit is not kept at all: a cut validator would never match.
void Keep(char *dst, size_t size, const char *value, size_t length)
{
    if (length >= size)
        length = 0;
    memcpy(dst, value, length);
    dst[length] = 0;
}

// Retry-After is a number of seconds or an HTTP date; -1 when it is neither.
long RetryAfter(const char *value, size_t length)
{
    char text[DATE_SIZE];
    Keep(text, sizeof text, value, length);
    if (!text[0])
        return -1;
    char *end = nullptr;
    errno = 0;
    const long seconds = strtol(text, &end, 10);
    if (text[0] >= '0' && text[0] <= '9' && !*end)
        return errno == ERANGE ? 86400L * 365 : seconds;
    const time_t when = curl_getdate(text, nullptr);
    if (when < 0)
        return -1;
    const time_t now = time(nullptr);
    return when > now ? long(when - now) : 0;
}

Failure ConnectFailure(CURL *easy)
{
    long error = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &error);
    if (error == ECONNREFUSED)
        return Failure::Refused;
    if (error == ETIMEDOUT)
        return Failure::TimedOut;
    return Failure::Unreachable;
}

// libcurl checks the certificate's name itself, before it asks for the chain's result: a name that does
// not match leaves the result at its "not yet checked" value, 1.
constexpr long kChainNotChecked = 1;

CertProblem Problem(CURL *easy)
{
    long result = X509_V_OK;
    curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &result);
    switch (result) {
    case kChainNotChecked:
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return CertProblem::OtherName;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return CertProblem::UnknownIssuer;
    default:
        return CertProblem::Other;
    }
}

Failure FailureOf(CURL *easy, CURLcode rc)
{
    switch (rc) {
    case CURLE_OK:
        return Failure::None;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return Failure::BadScheme;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return Failure::NameNotFound;
    case CURLE_COULDNT_CONNECT:
        return ConnectFailure(easy);
    case CURLE_OPERATION_TIMEDOUT:
        return Failure::TimedOut;
    case CURLE_PEER_FAILED_VERIFICATION:
        return Failure::Certificate;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return Failure::Broken;
    default:
        return Failure::Other;
    }
}

} // namespace

Answer::Answer(Response *r, char *b, size_t c)
    : response(r)
    , buffer(b)
    , capacity(c)
{
    response->length = 0;
    response->cut = false;
}

size_t Answer::OnHeader(char *data, size_t size, size_t count, void *userdata)
{
    auto *a = static_cast<Answer *>(userdata);
    Response *r = a->response;
    const size_t length = size * count;
    size_t n = 0;
    // Each answer (an interim one, a redirect) starts with its status line and brings its own fields.
    if (length > 5 && strncmp(data, "HTTP/", 5) == 0) {
        const char *blank = static_cast<const char *>(memchr(data, ' ', length));
        a->status = blank ? strtol(blank + 1, nullptr, 10) : 0;
        r->etag[0] = r->lastModified[0] = 0;
        r->retryAfter = -1;
    } else if (const char *value = HeaderValue(data, length, "ETag", &n)) {
        Keep(r->etag, sizeof r->etag, value, n);
    } else if (const char *value = HeaderValue(data, length, "Last-Modified", &n)) {
        Keep(r->lastModified, sizeof r->lastModified, value, n);
    } else if (const char *value = HeaderValue(data, length, "Retry-After", &n)) {
        r->retryAfter = RetryAfter(value, n);
    }
    return length;
}

// Only a 2xx answer's body is kept. One that does not fit fills the buffer and ends the transfer.
size_t Answer::OnBody(char *data, size_t size, size_t count, void *userdata)
{
    auto *a = static_cast<Answer *>(userdata);
    Response *r = a->response;
    const size_t length = size * count;
    if (a->status < 200 || a->status > 299)
        return length;
    const size_t room = a->capacity - r->length;
    const size_t taken = length < room ? length : room;
    memcpy(a->buffer + r->length, data, taken);
    r->length += taken;
    if (taken == length)
        return length;
    r->cut = true;
    return 0;
}

void Answer::Fail(CURL *easy, CURLcode rc)
{
    response->failure = FailureOf(easy, rc);
    if (rc == CURLE_OK)
        return;
    if (response->failure == Failure::Certificate)
        response->problem = Problem(easy);
    snprintf(response->detail, DETAIL_SIZE, "%s", errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc));
}

} // namespace http
