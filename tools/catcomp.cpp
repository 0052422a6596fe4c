// Compiles a catalog description (.cd) and a translation (.ct) into a locale catalog file
// (IFF FORM CTLG). Usage: catcomp Tavrin.cd english/Tavrin.ct Tavrin.catalog

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string &what)
{
    fprintf(stderr, "catcomp: %s\n", what.c_str());
    exit(1);
}

std::vector<std::string> ReadLines(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail(std::string("cannot open ") + path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Resolves \n, \t, \\, \e, octal \ooo and hex \xHH.
std::string Unescape(const std::string &in)
{
    std::string out;
    for (size_t i = 0; i < in.size(); i++) {
        if (in[i] != '\\' || i + 1 == in.size()) {
            out += in[i];
            continue;
        }
        char c = in[++i];
        if (c == 'n')
            out += '\n';
        else if (c == 't')
            out += '\t';
        else if (c == 'e')
            out += '\033';
        else if (c == 'x' && i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 && HexDigit(in[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2]));
            i += 2;
        } else if (c >= '0' && c <= '7') {
            int v = 0, n = 0;
            while (n < 3 && i < in.size() && in[i] >= '0' && in[i] <= '7') {
                v = v * 8 + (in[i++] - '0');
                n++;
            }
            i--;
            out += static_cast<char>(v);
        } else
            out += c;
    }
    return out;
}

// A text runs over following lines while a line ends in a single backslash.
std::string TakeText(const std::vector<std::string> &lines, size_t &i)
{
    std::string text;
    while (i < lines.size()) {
        std::string line = lines[i++];
        bool more = !line.empty() && line.back() == '\\' && (line.size() < 2 || line[line.size() - 2] != '\\');
        if (more)
            line.pop_back();
        text += line;
        if (!more)
            break;
    }
    return Unescape(text);
}

bool IsComment(const std::string &line)
{
    return line.empty() || line[0] == ';' || line[0] == '#';
}

std::map<std::string, long> ReadDescription(const char *path)
{
    std::map<std::string, long> ids;
    auto lines = ReadLines(path);
    for (size_t i = 0; i < lines.size();) {
        const std::string &line = lines[i++];
        if (IsComment(line))
            continue;
        auto open = line.find('(');
        if (open == std::string::npos)
            Fail("bad description line: " + line);
        std::string name = line.substr(0, open);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        ids[name] = strtol(line.c_str() + open + 1, nullptr, 10);
        TakeText(lines, i);
    }
    return ids;
}

struct Translation {
    std::string version, language;
    long codeset = 0;
    std::vector<std::pair<long, std::string>> texts;
};

Translation ReadTranslation(const char *path, const std::map<std::string, long> &ids)
{
    Translation t;
    auto lines = ReadLines(path);
    for (size_t i = 0; i < lines.size();) {
        const std::string &line = lines[i++];
        if (line.rfind("## version ", 0) == 0)
            t.version = line.substr(11);
        else if (line.rfind("## language ", 0) == 0)
            t.language = line.substr(12);
        else if (line.rfind("## codeset ", 0) == 0)
            t.codeset = strtol(line.c_str() + 11, nullptr, 10);
        if (IsComment(line))
            continue;
        auto it = ids.find(line);
        if (it == ids.end())
            Fail("unknown name in translation: " + line);
        t.texts.emplace_back(it->second, TakeText(lines, i));
    }
    if (t.version.empty() || t.language.empty())
        Fail("translation lacks ## version or ## language");
    return t;
}

void Be32(std::string &out, unsigned long v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xff);
}

void Chunk(std::string &out, const char *id, const std::string &body)
{
    out += id;
    Be32(out, body.size());
    out += body;
    if (body.size() & 1)
        out += '\0';
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        Fail("usage: catcomp <description.cd> <translation.ct> <output.catalog>");
    auto ids = ReadDescription(argv[1]);
    Translation t = ReadTranslation(argv[2], ids);

    std::string cset;
    Be32(cset, static_cast<unsigned long>(t.codeset));
    cset.resize(32, '\0');
    std::string strs;
    for (auto &[id, text] : t.texts) {
        Be32(strs, static_cast<unsigned long>(id));
        Be32(strs, text.size() + 1);
        strs += text;
        strs += '\0';
        while (strs.size() % 4)
            strs += '\0';
    }
    std::string form = "CTLG";
    Chunk(form, "FVER", t.version + '\0');
    Chunk(form, "LANG", t.language + '\0');
    Chunk(form, "CSET", cset);
    Chunk(form, "STRS", strs);
    std::string file = "FORM";
    Be32(file, form.size());
    file += form;

    std::string tmp = std::string(argv[3]) + ".tmp";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out || rename(tmp.c_str(), argv[3]) != 0)
        Fail(std::string("cannot write ") + argv[3]);
    return 0;
}
