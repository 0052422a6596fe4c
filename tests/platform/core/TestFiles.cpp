#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/TestPlatform.h"

// Temporary directories and whole-file helpers: these serve the host tests as well, beside the real
// platform, so they live apart from the test host's fakes.

namespace testplat {

TempDir::TempDir()
{
    // $TMPDIR when set, as elsewhere on Linux; the start bench points it at memory.
    const char *tmp = getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/tavrin-test-XXXXXX";
    m_path = mkdtemp(tmpl.data()) ? tmpl : "/tmp";
}

TempDir::~TempDir()
{
    std::error_code ec;
    if (m_path != "/tmp")
        std::filesystem::remove_all(m_path, ec);
}

static const char *const kDeviceVars[] = {"TAVRIN_ASSIGN_ENVARC", "TAVRIN_ASSIGN_RAM", "TAVRIN_ASSIGN_PROGDIR",
    "TAVRIN_ASSIGN_LOCALE", "TAVRIN_ASSIGN_TAVRIN"};

Devices::Devices(bool withHome)
{
    const std::string dirs[] = {envarc(), ram(), progdir(), m_root.path() + "/locale/", home()};
    for (size_t i = 0; i < 5; i++) {
        std::filesystem::create_directories(dirs[i]);
        if (i < 4 || withHome)
            setenv(kDeviceVars[i], dirs[i].c_str(), 1);
        else
            unsetenv(kDeviceVars[i]);
    }
    std::filesystem::permissions(ram(), std::filesystem::perms::owner_all);
}

Devices::~Devices()
{
    for (const char *var : kDeviceVars)
        unsetenv(var);
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string &path)
{
    return std::filesystem::exists(path);
}

std::string TestData(const std::string &name)
{
    const char *dir = getenv("TAVRIN_TEST_DATA");
    return ReadFile(std::string(dir ? dir : "tests/data") + "/" + name);
}

std::string BuildPath(const std::string &name)
{
    const char *dir = getenv("TAVRIN_BUILD_DIR");
    return std::string(dir ? dir : "build") + "/" + name;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::set<std::string> OpenDescriptors()
{
    std::set<std::string> open;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        // The directory being read is left out.
        if (!error && !(target.starts_with("/proc/") && target.ends_with("/fd")))
            open.insert(entry.path().filename().string() + " -> " + target);
    }
    return open;
}

} // namespace testplat
