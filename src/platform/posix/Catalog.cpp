#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/dos.h"
#include "platform/locale.h"

// Catalog files are IFF FORM CTLG: big-endian integers, chunks padded to even sizes, an FVER
// version string, an optional CSET code set and a STRS run of (id, length, bytes) records.
// Anything truncated or inconsistent means no catalog at all.

struct locale::Catalog {
    std::map<int32_t, std::string> texts;
};

namespace {

constexpr size_t kMaxCatalogBytes = 4 << 20;
constexpr uint32_t kCodeSetLatin1 = 4;
constexpr uint32_t kCodeSetUtf8 = 106;

struct Reader {
    const unsigned char *data;
    size_t size;
};

bool Be32(const Reader &r, size_t at, uint32_t *out)
{
    if (at > r.size || r.size - at < 4)
        return false;
    const unsigned char *p = r.data + at;
    *out = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    return true;
}

bool IdIs(const Reader &r, size_t at, const char *id)
{
    return at + 4 <= r.size && memcmp(r.data + at, id, 4) == 0;
}

// "$VER: <name> <version>.<revision> (<date>)": the number after the second word.
bool VersionOf(const unsigned char *p, size_t len, long *version)
{
    std::string text(reinterpret_cast<const char *>(p), strnlen(reinterpret_cast<const char *>(p), len));
    size_t pos = text.find("$VER:");
    if (pos == std::string::npos)
        return false;
    pos += 5;
    for (int word = 0; word < 2; word++) {
        while (pos < text.size() && text[pos] == ' ')
            pos++;
        if (word == 1)
            break;
        while (pos < text.size() && text[pos] != ' ')
            pos++;
    }
    if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
        return false;
    *version = strtol(text.c_str() + pos, nullptr, 10);
    return true;
}

std::string Latin1ToUtf8(const std::string &in)
{
    std::string out;
    for (unsigned char c : in) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

bool ParseStrings(const Reader &r, size_t at, size_t end, std::map<int32_t, std::string> &texts)
{
    while (at < end) {
        uint32_t id, len;
        if (end - at < 8 || !Be32(r, at, &id) || !Be32(r, at + 4, &len))
            return false;
        at += 8;
        if (len > end - at)
            return false;
        std::string text(reinterpret_cast<const char *>(r.data + at), len);
        while (!text.empty() && text.back() == 0)
            text.pop_back();
        texts[static_cast<int32_t>(id)] = text;
        size_t padded = (static_cast<size_t>(len) + 3) & ~size_t(3);
        if (padded > end - at)
            padded = end - at; // the last record may stop without its padding
        at += padded;
    }
    return true;
}

// The conversions of a printf format up to its first NUL, "%%" left out.
std::string Conversions(const char *fmt)
{
    std::string out;
    for (const char *p = fmt; *p; p++) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            p++;
            continue;
        }
        const char *start = p++;
        while (*p && !strchr("diouxXeEfFgGaAcspn", *p))
            p++;
        out.append(start, *p ? static_cast<size_t>(p - start + 1) : static_cast<size_t>(p - start));
        out += '|';
        if (!*p)
            break;
    }
    return out;
}

} // namespace

namespace locale {

Catalog *ParseCatalog(const unsigned char *data, size_t size, int32_t version)
{
    Reader r {data, size};
    uint32_t formSize;
    if (!IdIs(r, 0, "FORM") || !Be32(r, 4, &formSize) || !IdIs(r, 8, "CTLG") || formSize < 4 || formSize > size - 8)
        return nullptr;
    size_t end = 8 + static_cast<size_t>(formSize);
    size_t at = 12;
    bool versionOk = false;
    uint32_t codeSet = 0;
    std::map<int32_t, std::string> texts;
    while (at < end) {
        uint32_t chunkSize;
        if (end - at < 8 || !Be32(r, at + 4, &chunkSize) || chunkSize > end - at - 8)
            return nullptr;
        size_t body = at + 8;
        if (IdIs(r, at, "FVER")) {
            long v;
            versionOk = VersionOf(data + body, chunkSize, &v) && v == version;
        } else if (IdIs(r, at, "CSET")) {
            if (chunkSize < 4 || !Be32(r, body, &codeSet))
                return nullptr;
        } else if (IdIs(r, at, "STRS")) {
            if (!ParseStrings(r, body, body + chunkSize, texts))
                return nullptr;
        }
        at = body + chunkSize + (chunkSize & 1);
    }
    if (!versionOk || (codeSet != 0 && codeSet != kCodeSetLatin1 && codeSet != kCodeSetUtf8))
        return nullptr;
    auto *cat = new Catalog;
    // Each text keeps a second NUL behind its own (see GetCatalogStr).
    for (auto &[id, text] : texts)
        cat->texts[id] = (codeSet == kCodeSetUtf8 ? text : Latin1ToUtf8(text)) + '\0';
    return cat;
}

const char *LanguageFromLocale(const char *localeName)
{
    static const struct {
        const char *code, *language;
    } kLanguages[] = {
        {"de", "deutsch"},
        {"en", "english"},
        {"fr", "français"},
        {"it", "italiano"},
        {"es", "español"},
        {"nl", "nederlands"},
        {"sv", "svenska"},
        {"da", "dansk"},
        {"nb", "norsk"},
        {"nn", "norsk"},
        {"no", "norsk"},
        {"fi", "suomi"},
        {"pl", "polski"},
        {"pt", "português"},
        {"cs", "czech"},
        {"hu", "magyar"},
        {"ru", "russian"},
        {"el", "greek"},
        {"tr", "türkçe"},
    };
    if (!localeName)
        return nullptr;
    size_t len = strcspn(localeName, "_.@");
    for (auto &l : kLanguages) {
        if (len == strlen(l.code) && strncmp(localeName, l.code, len) == 0)
            return l.language;
    }
    return nullptr;
}

static const char *UserLocale()
{
    for (const char *var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = getenv(var);
        if (value && *value)
            return value;
    }
    return nullptr;
}

static Catalog *LoadFile(const std::string &name, int32_t version)
{
    dos::File *file = dos::Open(name.c_str(), dos::MODE_OLDFILE);
    if (!file)
        return nullptr;
    std::vector<unsigned char> bytes;
    unsigned char buf[8192];
    int32_t n;
    while ((n = dos::Read(file, buf, sizeof(buf))) > 0 && bytes.size() <= kMaxCatalogBytes)
        bytes.insert(bytes.end(), buf, buf + n);
    dos::Close(file);
    if (bytes.size() > kMaxCatalogBytes)
        return nullptr;
    return ParseCatalog(bytes.data(), bytes.size(), version);
}

Catalog *OpenCatalog(const char *name, int32_t version)
{
    const char *language = LanguageFromLocale(UserLocale());
    if (!language || strcmp(language, "deutsch") == 0)
        return nullptr;
    for (const char *device : {"PROGDIR:", "LOCALE:"}) {
        std::string path = std::string(device) + "Catalogs/" + language + "/" + name;
        if (Catalog *cat = LoadFile(path, version))
            return cat;
    }
    return nullptr;
}

void CloseCatalog(Catalog *catalog)
{
    delete catalog;
}

const char *GetCatalogStr(Catalog *catalog, int32_t id, const char *def)
{
    if (!catalog)
        return def;
    auto it = catalog->texts.find(id);
    if (it == catalog->texts.end() || Conversions(it->second.c_str()) != Conversions(def))
        return def;
    return it->second.c_str();
}

} // namespace locale
