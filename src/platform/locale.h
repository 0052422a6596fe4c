#pragma once

// Catalogs of translated texts in the locale catalog file format (IFF FORM CTLG).

#include <cstddef>
#include <cstdint>

namespace locale {

struct Catalog;

// Opens `name` for the user's language (LC_ALL, LC_MESSAGES, LANG) from PROGDIR:Catalogs/<language>/,
// then LOCALE:Catalogs/<language>/. Null when there is none, it is damaged, or its version is not
// exactly `version`. German is built into the program, so "deutsch" never opens a file.
Catalog *OpenCatalog(const char *name, int32_t version);
void CloseCatalog(Catalog *catalog);

// The catalog's text for `id`, or `def` itself. A catalog text whose printf conversions differ from
// those of `def` is not used, so a translation can never make a caller read arguments it did not pass.
// A catalog text is followed by a second NUL, so that a key text (key, NUL, label) can be told from
// a one-character text without reading past its end.
const char *GetCatalogStr(Catalog *catalog, int32_t id, const char *def);

// Parses a catalog image; exposed for the tests and the fuzzer. Null when it is not a valid catalog
// of that version.
Catalog *ParseCatalog(const unsigned char *data, size_t size, int32_t version);

// The language name for a locale name such as "de_DE.UTF-8" ("deutsch"), or null.
const char *LanguageFromLocale(const char *localeName);

} // namespace locale
