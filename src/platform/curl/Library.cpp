// libcurl is opened on the first download of a feed given by address, not when the program starts: it
// brings some twenty libraries (TLS, Kerberos, LDAP, SSH, ...) whose loading alone costs a ticker that
// watches no such feed 6 MB of memory. These definitions stand for the library's functions that the HTTP
// host calls, and pass each call on. Without the library a transfer cannot be made (curl_easy_init gives
// null), and nothing else is called.

#include <cstdarg>
#include <curl/curl.h>
#include <dlfcn.h>

#undef curl_easy_setopt
#undef curl_easy_getinfo

namespace {

// The name the library's package installs it under, as the linker would have recorded it.
constexpr char kLibrary[] = "libcurl.so.4";

struct Api {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
    decltype(&curl_getdate) getdate;
};

template<typename Fn> bool Find(void *lib, const char *name, Fn *fn)
{
    *fn = reinterpret_cast<Fn>(dlsym(lib, name));
    return *fn != nullptr;
}

Api Open()
{
    Api api {};
    void *lib = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    const bool whole = lib && Find(lib, "curl_global_init", &api.global_init)
        && Find(lib, "curl_easy_init", &api.easy_init) && Find(lib, "curl_easy_cleanup", &api.easy_cleanup)
        && Find(lib, "curl_easy_setopt", &api.easy_setopt) && Find(lib, "curl_easy_getinfo", &api.easy_getinfo)
        && Find(lib, "curl_easy_strerror", &api.easy_strerror) && Find(lib, "curl_multi_init", &api.multi_init)
        && Find(lib, "curl_multi_add_handle", &api.multi_add_handle)
        && Find(lib, "curl_multi_remove_handle", &api.multi_remove_handle)
        && Find(lib, "curl_multi_perform", &api.multi_perform)
        && Find(lib, "curl_multi_info_read", &api.multi_info_read) && Find(lib, "curl_multi_poll", &api.multi_poll)
        && Find(lib, "curl_slist_append", &api.slist_append) && Find(lib, "curl_slist_free_all", &api.slist_free_all)
        && Find(lib, "curl_getdate", &api.getdate);
    return whole ? api : Api {};
}

const Api &Lib()
{
    static const Api api = Open();
    return api;
}

} // namespace

extern "C" {

CURL *curl_easy_init()
{
    return Lib().easy_init ? Lib().easy_init() : nullptr;
}

// The calls below come only with a handle that curl_easy_init gave, so the library is there.

CURLcode curl_global_init(long flags)
{
    return Lib().global_init(flags);
}

void curl_easy_cleanup(CURL *easy)
{
    Lib().easy_cleanup(easy);
}

// The option's number says the type of its value.
CURLcode curl_easy_setopt(CURL *easy, CURLoption option, ...)
{
    va_list ap;
    va_start(ap, option);
    CURLcode rc;
    switch (option / 10000 * 10000) {
    case CURLOPTTYPE_LONG:
        rc = Lib().easy_setopt(easy, option, va_arg(ap, long));
        break;
    case CURLOPTTYPE_OFF_T:
        rc = Lib().easy_setopt(easy, option, va_arg(ap, curl_off_t));
        break;
    case CURLOPTTYPE_FUNCTIONPOINT:
        rc = Lib().easy_setopt(easy, option, va_arg(ap, void (*)()));
        break;
    default: // object pointers and blobs
        rc = Lib().easy_setopt(easy, option, va_arg(ap, void *));
        break;
    }
    va_end(ap);
    return rc;
}

// Every piece of information is asked for with a pointer to where it goes.
CURLcode curl_easy_getinfo(CURL *easy, CURLINFO info, ...)
{
    va_list ap;
    va_start(ap, info);
    const CURLcode rc = Lib().easy_getinfo(easy, info, va_arg(ap, void *));
    va_end(ap);
    return rc;
}

const char *curl_easy_strerror(CURLcode code)
{
    return Lib().easy_strerror(code);
}

CURLM *curl_multi_init()
{
    return Lib().multi_init();
}

CURLMcode curl_multi_add_handle(CURLM *multi, CURL *easy)
{
    return Lib().multi_add_handle(multi, easy);
}

CURLMcode curl_multi_remove_handle(CURLM *multi, CURL *easy)
{
    return Lib().multi_remove_handle(multi, easy);
}

CURLMcode curl_multi_perform(CURLM *multi, int *running)
{
    return Lib().multi_perform(multi, running);
}

CURLMsg *curl_multi_info_read(CURLM *multi, int *left)
{
    return Lib().multi_info_read(multi, left);
}

CURLMcode curl_multi_poll(CURLM *multi, curl_waitfd extra[], unsigned int count, int timeoutMs, int *ready)
{
    return Lib().multi_poll(multi, extra, count, timeoutMs, ready);
}

curl_slist *curl_slist_append(curl_slist *list, const char *text)
{
    return Lib().slist_append ? Lib().slist_append(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist *list)
{
    if (Lib().slist_free_all)
        Lib().slist_free_all(list);
}

time_t curl_getdate(const char *text, const time_t *unused)
{
    return Lib().getdate(text, unused);
}

} // extern "C"
