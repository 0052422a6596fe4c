#pragma once

// Realistic RSS feeds for the benchmark and the fuzz corpus: a channel header, then items with
// entity-laden titles, links, entity-escaped HTML descriptions of 200 to 3000 bytes, RFC 822 dates
// and guids. ISO-8859-1 text; the same seed always gives the same feed.

#include <cstddef>
#include <cstdint>
#include <string>

std::string GenerateFeed(size_t targetBytes, uint32_t seed = 1);

// A feed of `items` items like those above, each with a one-sentence description.
std::string GenerateSmallFeed(size_t items, uint32_t seed = 1);

// The same feed in UTF-8, as most sites serve theirs today.
std::string Utf8Feed(const std::string &latin1Feed);
