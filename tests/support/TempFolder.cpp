// SPDX-License-Identifier: MIT
#include "support/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace tarnquill::test {

namespace fs = std::filesystem;

TempFolder::TempFolder(std::string_view prefix)
{
    // A random name made with create_directory (which fails on a name taken)
    // works the same on both systems; mkdtemp has no Windows counterpart.
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / (std::string(prefix) + "-" + std::to_string(random() % 1'000'000'000));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + base.string());
}

TempFolder::~TempFolder()
{
    if (const char* keep = std::getenv("TARNQUILL_KEEP_TEMP"); keep && std::string_view(keep) == "1")
        return;
    std::error_code error;
    // A test may have made files or folders read-only (on Windows a read-only
    // file cannot be deleted); give the owner back every right first.
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (!it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace tarnquill::test
