#pragma once

// HTTP and HTTPS downloads of feeds given by address. Names are resolved (IPv4 and IPv6), TLS is always
// verified, compressed answers are accepted, the proxy variables of the environment are honoured. At
// most 5 redirects are followed, each one only to http or https and never from https down to http. A
// download gives up after 15 s of connecting (with the TLS handshake), 30 s of silence or 60 s in all
// (all redirects together). The waits repaint through the host's idle hook and end at once when a quit
// is pending, as the socket waits of net.h do.

#include <cstddef>

namespace http {

// Why a download gave no usable answer.
enum class Failure {
    None,
    BadScheme, // the address is not http:// or https://
    NameNotFound,
    Refused,
    Unreachable,
    TimedOut, // connecting, a silent server, or the whole download
    Certificate, // the server's certificate is not trusted: `problem` and `detail` say why
    Redirect, // to an address that is not http or https, or from https down to http: `url` is it
    TooManyRedirects,
    Status, // an answer other than 2xx or 304: `status`
    Broken, // the connection broke off, or the answer could not be read: `detail`
    Other, // `detail` says what
};

// What is wrong with a certificate that is not trusted.
enum class CertProblem { None, OtherName, UnknownIssuer, Other };

struct Request {
    const char *url;
    const char *userAgent;
    const char *caFile; // a file of further CA certificates to trust besides the system's, or null
    const char *etag; // sent as If-None-Match unless null or empty
    const char *lastModified; // sent as If-Modified-Since unless null or empty
};

constexpr size_t URL_SIZE = 1024;
constexpr size_t ETAG_SIZE = 256;
constexpr size_t DATE_SIZE = 64;
constexpr size_t DETAIL_SIZE = 256;

struct Response {
    Failure failure;
    long status; // of the last answer, 0 when none came
    size_t length; // bytes of the body stored, after decompression (only for a 2xx answer)
    bool cut; // the body was longer than the room for it and ends there
    long retryAfter; // seconds the answer asked to wait before the next request (Retry-After), -1 when none
    CertProblem problem;
    char etag[ETAG_SIZE]; // validators of the answer, empty when none came or they do not fit
    char lastModified[DATE_SIZE];
    char url[URL_SIZE]; // where the answer came from, after redirects (empty when it does not fit)
    char detail[DETAIL_SIZE]; // the library's own words for a failure, empty when it has none
};

// TRUE for an address that begins with http:// or https:// (in any case of letters).
bool IsHttpAddress(const char *url);

// Fetches `request.url` into `buffer`, which holds `capacity` bytes and the NUL that ends the body. Only a
// 2xx answer's body is stored; a 304 leaves the buffer empty.
Response Get(const Request &request, char *buffer, size_t capacity);

} // namespace http
