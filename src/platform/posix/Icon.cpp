#include "platform/icon.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/dos.h"

// The icon file is plain text, one tool type per line, as Workbench stores them.

namespace {

struct IconRec : icon::DiskObject {
    std::vector<std::string> lines;
    std::vector<char *> array;
};

// Tool types are a few short lines; of a larger file only the first 64 KB are read.
constexpr int32_t MaxIconBytes = 64 * 1024;

bool ReadIconFile(const std::string &name, std::vector<std::string> &lines)
{
    dos::File *file = dos::Open(name.c_str(), dos::MODE_OLDFILE);
    if (!file)
        return false;
    std::string text(MaxIconBytes, '\0');
    const int32_t n = dos::Read(file, text.data(), MaxIconBytes);
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    dos::Close(file);
    // A line cut at the limit is dropped, so that no tool type is read by halves.
    if (n == MaxIconBytes)
        text.erase(text.rfind('\n') + 1);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
        start = end + 1;
    }
    return true;
}

} // namespace

namespace icon {

DiskObject *GetDiskObject(const WBStartup *startup)
{
    if (!startup || !startup->sm_Name)
        return nullptr;
    auto *rec = new IconRec;
    bool found = false;
    for (char **tt = startup->sm_ToolTypes; tt && *tt; tt++) {
        rec->lines.emplace_back(*tt);
        found = true;
    }
    std::string file = std::string(startup->sm_Name) + ".info";
    if (ReadIconFile("ENVARC:" + file, rec->lines) || ReadIconFile("PROGDIR:" + file, rec->lines))
        found = true;
    if (!found) {
        delete rec;
        return nullptr;
    }
    for (auto &line : rec->lines)
        rec->array.push_back(line.data());
    rec->array.push_back(nullptr);
    rec->do_ToolTypes = rec->array.data();
    return rec;
}

void FreeDiskObject(DiskObject *icon)
{
    delete static_cast<IconRec *>(icon);
}

char *FindToolType(char **toolTypes, const char *key)
{
    size_t keyLen = strlen(key);
    for (char **tt = toolTypes; tt && *tt; tt++) {
        char *line = *tt;
        if (strncasecmp(line, key, keyLen) != 0)
            continue;
        if (line[keyLen] == '=')
            return line + keyLen + 1;
        if (line[keyLen] == 0)
            return line + keyLen;
    }
    return nullptr;
}

} // namespace icon
