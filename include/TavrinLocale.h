#pragma once

// The user texts. Their numbers (LocaleIDs) and built-in defaults (STR_ and gb_CatalogDefaults,
// German for most) come from catalogs/Tavrin.cd, made into TavrinStrings.h at build time. Every text
// is looked up when it is used.

#include "Tavrin.h"
#include "TavrinStrings.h"

// The text for `id` from gb_Catalog, or its built-in default; never null.
CONST_STRPTR GetString(LONG id);
