#include "platform/http.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <strings.h>

#include "platform/curl/Answer.h"
#include "platform/curl/Knobs.h"
#include "platform/host.h"

namespace http {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> connectTimeoutMs {http_host::DefaultConnectTimeoutMs};
std::atomic<int> silenceTimeoutMs {http_host::DefaultSilenceTimeoutMs};
std::atomic<int> downloadTimeoutMs {http_host::DefaultDownloadTimeoutMs};

constexpr int kMaxRedirects = 5;
// How often a download lets the GUI host repaint.
constexpr int kIdleSliceMs = 50;

// One multi handle for the whole run: it keeps the connections, the resolved names and the loaded
// trust store from one download to the next. Only the program's task downloads.
CURLM *Multi()
{
    static CURLM *multi = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return curl_multi_init();
    }();
    return multi;
}

bool IsScheme(const char *url, const char *scheme)
{
    const size_t n = strlen(scheme);
    return strncasecmp(url, scheme, n) == 0 && strncmp(url + n, "://", 3) == 0;
}

bool Append(const char *path, std::string *text)
{
    std::ifstream in(path, std::ios::binary);
    text->append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad() && in.is_open();
}

const char *Variable(const char *name)
{
    const char *value = getenv(name);
    return value && *value ? value : nullptr;
}

// The system's trust store, or what SSL_CERT_FILE and SSL_CERT_DIR name instead (libcurl leaves these
// variables to its command-line tool), and a further CA file besides. Where a directory of hashed
// certificates serves, the system's is read from there: a handshake then reads the few certificates it
// needs, not the whole bundle, which costs more than the rest of a first download. A CA file that must
// join another file goes to the library as one text with it. False when that CA file cannot be read.
bool SetTrust(CURL *easy, const char *caFile)
{
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    char *bundle = nullptr, *systemDir = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CAINFO, &bundle);
    curl_easy_getinfo(easy, CURLINFO_CAPATH, &systemDir);
    const char *dir = Variable("SSL_CERT_DIR");
    if (dir)
        curl_easy_setopt(easy, CURLOPT_CAPATH, dir);
    const char *file = Variable("SSL_CERT_FILE");
    if (!file && !dir && !systemDir)
        file = bundle;
    if (!caFile || !*caFile) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, file);
        return true;
    }
    if (!file) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile);
        return true;
    }
    std::string pem;
    Append(file, &pem);
    pem += '\n';
    if (!Append(caFile, &pem))
        return false;
    curl_blob blob {pem.data(), pem.size(), CURL_BLOB_COPY};
    curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
    return true;
}

curl_slist *ConditionHeaders(const Request &request)
{
    curl_slist *headers = nullptr;
    char line[ETAG_SIZE + DATE_SIZE + 32];
    if (request.etag && *request.etag) {
        snprintf(line, sizeof line, "If-None-Match: %s", request.etag);
        headers = curl_slist_append(headers, line);
    }
    if (request.lastModified && *request.lastModified) {
        snprintf(line, sizeof line, "If-Modified-Since: %s", request.lastModified);
        headers = curl_slist_append(headers, line);
    }
    return headers;
}

// One request without following redirects: the loop in Get follows them, so that it checks each one.
CURL *NewTransfer(const Request &request, const char *url, curl_slist *headers, Answer *answer, long remainingMs)
{
    CURL *easy = curl_easy_init();
    if (!easy)
        return nullptr;
    curl_easy_setopt(easy, CURLOPT_URL, url);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.userAgent);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // every coding the library can undo
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(connectTimeoutMs.load()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, remainingMs);
    // Silence: less than a byte a second for that long.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long((silenceTimeoutMs.load() + 999) / 1000));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, answer->errorBuffer);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, Answer::OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, answer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Answer::OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, answer);
    if (!SetTrust(easy, request.caFile)) {
        snprintf(answer->response->detail, DETAIL_SIZE, "%s: %s", request.caFile, strerror(errno));
        curl_easy_cleanup(easy);
        return nullptr;
    }
    return easy;
}

// Runs one transfer to its end. The wait repaints through the idle hook at least every 50 ms and ends at
// once when a quit is pending (CURLE_ABORTED_BY_CALLBACK then).
CURLcode Perform(CURL *easy)
{
    CURLM *multi = Multi();
    curl_multi_add_handle(multi, easy);
    CURLcode result = CURLE_ABORTED_BY_CALLBACK;
    auto lastIdle = Clock::now();
    while (!exec_host::QuitPending()) {
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        CURLMsg *msg = curl_multi_info_read(multi, &left);
        if (msg && msg->msg == CURLMSG_DONE) {
            result = msg->data.result;
            break;
        }
        curl_waitfd quit {exec_host::QuitFd(), CURL_WAIT_POLLIN, 0};
        curl_multi_poll(multi, &quit, 1, kIdleSliceMs, nullptr);
        const auto idle = net_host::IdleHook();
        if (idle && Clock::now() - lastIdle >= std::chrono::milliseconds(kIdleSliceMs)) {
            idle();
            lastIdle = Clock::now();
        }
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

void Copy(char *dst, size_t size, const char *src)
{
    if (src && strlen(src) < size)
        snprintf(dst, size, "%s", src);
    else
        dst[0] = 0;
}

bool IsRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Where the answer of `easy` sends the client next, or null when it is no redirect.
const char *RedirectTarget(CURL *easy, long status)
{
    char *target = nullptr;
    if (!IsRedirect(status) || curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &target) != CURLE_OK)
        return nullptr;
    return target;
}

long RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 1 ? long(left) : 1L;
}

// One hop: the transfer's result in `response`; the next address in `next`, or empty when this was the
// last hop.
void Hop(const Request &request, const char *url, Clock::time_point deadline, Answer *answer, char *next)
{
    Response *response = answer->response;
    next[0] = 0;
    curl_slist *headers = ConditionHeaders(request);
    CURL *easy = NewTransfer(request, url, headers, answer, RemainingMs(deadline));
    if (!easy) {
        response->failure = Failure::Other;
        curl_slist_free_all(headers);
        return;
    }
    const CURLcode rc = Perform(easy);
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response->status);
    char *effective = nullptr;
    curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective);
    Copy(response->url, URL_SIZE, effective);
    if (rc == CURLE_WRITE_ERROR && response->cut)
        response->failure = Failure::None;
    else
        answer->Fail(easy, rc);
    if (response->failure == Failure::None) {
        if (const char *target = RedirectTarget(easy, response->status)) {
            Copy(next, URL_SIZE, target);
            if (!next[0])
                response->failure = Failure::Redirect;
        } else if (response->status != 304 && (response->status < 200 || response->status > 299)) {
            response->failure = Failure::Status;
        }
    }
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
}

} // namespace

bool IsHttpAddress(const char *url)
{
    return IsScheme(url, "http") || IsScheme(url, "https");
}

Response Get(const Request &request, char *buffer, size_t capacity)
{
    Response response {};
    response.retryAfter = -1;
    buffer[0] = 0;
    Copy(response.url, URL_SIZE, request.url);
    if (!IsHttpAddress(request.url)) {
        response.failure = Failure::BadScheme;
        return response;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(downloadTimeoutMs.load());
    char url[URL_SIZE], next[URL_SIZE];
    Copy(url, sizeof url, request.url);
    for (int hop = 0;; hop++) {
        Answer answer {&response, buffer, capacity};
        Hop(request, url, deadline, &answer, next);
        if (response.failure != Failure::None || !next[0])
            break;
        // The refused address is reported, not the one that pointed there.
        const bool down = IsScheme(url, "https") && !IsScheme(next, "https");
        Copy(response.url, URL_SIZE, next);
        if (down || !IsHttpAddress(next)) {
            response.failure = Failure::Redirect;
            break;
        }
        if (hop == kMaxRedirects) {
            response.failure = Failure::TooManyRedirects;
            break;
        }
        memcpy(url, next, sizeof url);
    }
    if (response.failure != Failure::None)
        response.length = 0;
    buffer[response.length] = 0;
    return response;
}

} // namespace http

void http_host::SetTimeouts(int connectMs, int silenceMs, int downloadMs)
{
    http::connectTimeoutMs.store(connectMs);
    http::silenceTimeoutMs.store(silenceMs);
    http::downloadTimeoutMs.store(downloadMs);
}
