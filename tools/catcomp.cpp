// Compiles a catalog description (.cd) and a translation (.ct) into a locale catalog file
// (IFF FORM CTLG), or a description into the program's C++ header and source of its text numbers
// and built-in defaults. Usage:
//   catcomp Tavrin.cd english/Tavrin.ct Tavrin.catalog
//   catcomp --code Tavrin.cd TavrinStrings.h TavrinStrings.cpp

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
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

struct Text {
    std::string name;
    long id;
    std::string text;
};

bool IsIdentifier(const std::string &name)
{
    if (name.empty() || isdigit(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name) {
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_')
            return false;
    }
    return true;
}

// "NAME (number/min/max)" and the text on the lines that follow. A name or number given twice would
// hide one text behind the other, so it stops the build.
std::vector<Text> ReadDescription(const char *path)
{
    std::vector<Text> texts;
    std::set<std::string> names;
    std::set<long> ids;
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
        char *end;
        long id = strtol(line.c_str() + open + 1, &end, 10);
        if (!IsIdentifier(name) || end == line.c_str() + open + 1 || id <= 0)
            Fail("bad description line: " + line);
        if (!names.insert(name).second || !ids.insert(id).second)
            Fail("name or number given twice: " + line);
        texts.push_back({name, id, TakeText(lines, i)});
    }
    return texts;
}

std::map<std::string, long> IdsByName(const std::vector<Text> &texts)
{
    std::map<std::string, long> ids;
    for (const Text &t : texts)
        ids[t.name] = t.id;
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

// Writes through a temporary file, so a failed run never leaves half a file for the build to take.
void WriteFile(const std::string &path, const std::string &bytes)
{
    std::string tmp = path + ".tmp";
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out || rename(tmp.c_str(), path.c_str()) != 0)
        Fail("cannot write " + path);
}

std::string CompileCatalog(const Translation &t)
{
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
    return file + form;
}

// A C++ string literal of the bytes; octal escapes keep it independent of the source character set
// and cannot run into a following digit, since they always take three.
std::string Literal(const std::string &bytes)
{
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x7f) {
            char octal[5];
            snprintf(octal, sizeof octal, "\\%03o", c);
            out += octal;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + '"';
}

std::string Header(const std::vector<Text> &texts, const std::string &from)
{
    std::ostringstream h;
    h << "// Made by catcomp from " << from << "; change the description, not this file.\n"
      << "#pragma once\n\n#include <cstdint>\n\n"
      << "// Numbers of the user texts: the keys of the catalog file, never renumbered.\n"
      << "enum LocaleIDs : int32_t {\n";
    for (const Text &t : texts)
        h << "    " << t.name << " = " << t.id << ",\n";
    h << "};\n\n// The built-in default of every number.\n";
    for (const Text &t : texts)
        h << "extern const char *const STR_" << t.name << ";\n";
    h << "\nstruct CatalogDefault {\n"
      << "    int32_t id;\n"
      << "    const char *text;\n"
      << "    uint32_t length; // bytes without the final NUL; a text may hold one inside\n"
      << "};\n\n"
      << "// Every number with its default, in the order of the description.\n"
      << "extern const CatalogDefault gb_CatalogDefaults[];\n"
      << "extern const uint32_t gb_CatalogDefaultCount;\n";
    return h.str();
}

std::string Source(const std::vector<Text> &texts, const std::string &from, const std::string &header)
{
    std::ostringstream c;
    c << "// Made by catcomp from " << from << "; change the description, not this file.\n"
      << "#include \"" << header << "\"\n\n";
    for (const Text &t : texts)
        c << "static const char DEF_" << t.name << "[] = " << Literal(t.text) << ";\n";
    c << '\n';
    for (const Text &t : texts)
        c << "const char *const STR_" << t.name << " = DEF_" << t.name << ";\n";
    c << "\nconst CatalogDefault gb_CatalogDefaults[] = {\n";
    for (const Text &t : texts)
        c << "    {" << t.name << ", DEF_" << t.name << ", sizeof(DEF_" << t.name << ") - 1},\n";
    c << "};\n\nconst uint32_t gb_CatalogDefaultCount = " << texts.size() << ";\n";
    return c.str();
}

std::string BaseName(const std::string &path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && strcmp(argv[1], "--code") == 0) {
        auto texts = ReadDescription(argv[2]);
        WriteFile(argv[3], Header(texts, BaseName(argv[2])));
        WriteFile(argv[4], Source(texts, BaseName(argv[2]), BaseName(argv[3])));
        return 0;
    }
    if (argc != 4)
        Fail("usage: catcomp <description.cd> <translation.ct> <output.catalog>\n"
             "       catcomp --code <description.cd> <header.h> <source.cpp>");
    Translation t = ReadTranslation(argv[2], IdsByName(ReadDescription(argv[1])));
    WriteFile(argv[3], CompileCatalog(t));
    return 0;
}
