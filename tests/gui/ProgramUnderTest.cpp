// SPDX-License-Identifier: MIT
#include "ProgramUnderTest.h"

#include "Screen.h"

#include "history/StoreFormat.h"

#include <cstdlib>
#include <stdexcept>

namespace tarnquill::test {

namespace fs = std::filesystem;

namespace {

// The start of a text, escaped, for a failure message.
std::string printable(const std::string& text)
{
    const std::string more = text.size() > 60 ? "... (" + std::to_string(text.size()) + " bytes)" : "";
    return ::testing::PrintToString(text.substr(0, 60)) + more;
}

} // namespace

std::string storeOf(const std::vector<std::string>& newestFirst)
{
    std::array<SharedText, kHistorySlots> slots;
    for (std::size_t i = 0; i < slots.size(); ++i)
        slots[i] = std::make_shared<const std::string>(i < newestFirst.size() ? newestFirst[i] : std::string());
    return encodeStore(slots);
}

std::string describeStore(const std::optional<std::string>& bytes)
{
    if (!bytes)
        return "no store file";
    std::string out = "store of " + std::to_string(bytes->size()) + " bytes:";
    const auto slots = decodeStore(*bytes);
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (!slots[i].empty())
            out += "\n  [" + std::to_string(i) + "] " + printable(slots[i]);
    return out;
}

Tarnquill::Tarnquill(const XvfbSession& session, const fs::path& root)
    : m_session(session)
    , m_root(root)
    , m_programFolder(root / "app")
    , m_home(root / "home")
    , m_runtime(root / "runtime")
    , m_system(root / "system")
{
    const char* built = std::getenv("TARNQUILL_BINARY");
    const fs::path source = built && *built ? built : TARNQUILL_BINARY;
    if (source.empty() || !fs::exists(source))
        throw std::runtime_error("the built program is missing: " + source.string());
    fs::create_directories(m_programFolder);
    m_program = m_programFolder / source.filename();
    fs::copy_file(source, m_program, fs::copy_options::overwrite_existing);

    m_env["HOME"] = m_home.string();
    for (const auto& [name, sub] : {std::pair{"XDG_CONFIG_HOME", ".config"}, {"XDG_DATA_HOME", ".local/share"},
                                    {"XDG_STATE_HOME", ".local/state"}, {"XDG_CACHE_HOME", ".cache"}}) {
        fs::create_directories(m_home / sub);
        m_env[name] = (m_home / sub).string();
    }
    fs::create_directories(m_runtime);
    fs::permissions(m_runtime, fs::perms::owner_all, fs::perm_options::replace);
    m_env["XDG_RUNTIME_DIR"] = m_runtime.string();
    // The exit writes the machine-wide Run value; as root the defaults are
    // the real /var/lib/tarnquill and /etc/xdg/autostart.
    fs::create_directories(m_system / "xdg/autostart");
    m_env["TARNQUILL_MACHINE_REGISTRY"] = (m_system / "registry.sqlite3").string();
    m_env["TARNQUILL_MACHINE_AUTOSTART"] = (m_system / "xdg/autostart").string();
    m_env["XDG_CONFIG_DIRS"] = (m_system / "xdg").string();
}

void Tarnquill::runAs(uid_t uid, gid_t gid)
{
    m_user = {uid, gid};
    // The other user needs to reach the program; everything under home and
    // runtime becomes theirs, the program folder stays root's and 0755.
    for (const fs::path& folder : {m_root, m_programFolder})
        fs::permissions(folder, static_cast<fs::perms>(0755));
    const std::string owner = std::to_string(uid) + ":" + std::to_string(gid);
    if (!m_session.run({"chown", "-R", owner, m_home.string(), m_runtime.string()}).ok())
        throw std::runtime_error("cannot hand the home to " + owner);
}

void Tarnquill::start(std::chrono::milliseconds timeout)
{
    std::vector<std::string> argv;
    if (m_user) {
        argv = {"setpriv", "--reuid=" + std::to_string(m_user->first), "--regid=" + std::to_string(m_user->second),
                "--clear-groups", "--"};
    }
    argv.push_back(m_program.string());
    SpawnOptions options;
    options.env = m_env;
    options.workingDirectory = m_root;
    // A file, not a pipe: a pipe nobody reads would stall the program once
    // Qt's warnings fill it.
    options.outputFile = m_root / "tarnquill.log";
    m_process = m_session.spawn(argv, options);

    // The loading window shows first, for a moment; the start is over when
    // the main window has taken its place.
    const bool shown = waitUntil(
        [&] {
            if (!m_process.running())
                return true;
            const auto windows = m_session.windowsOf(m_process.pid());
            return windows.size() == 1 && windowProperty(m_session, windows.front(), "WM_NAME") == "\"Tarnquill\"";
        },
        timeout);
    if (!m_process.running())
        throw std::runtime_error("tarnquill ended at start (" + m_process.wait(0ms)->describe() + "): " + log());
    if (!shown)
        throw std::runtime_error("tarnquill showed no main window within the timeout");
}

Process Tarnquill::startAgain(SpawnOptions options) const
{
    options.env.insert(m_env.begin(), m_env.end()); // what `options` sets stays
    return m_session.spawn({m_program.string()}, options);
}

std::string Tarnquill::newest() const
{
    const auto slots = decodeStore(store().value_or(""), 1);
    return slots.empty() ? std::string() : slots.front();
}

::testing::AssertionResult Tarnquill::copyRecorded(ClipboardOwner& clipboard, const std::string& text)
{
    clipboard.copy(text);
    if (waitUntil([&] { return newest() == text; }, 10s))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << printable(text) << " never became the newest entry; "
                                         << describeStore(store());
}

std::string Tarnquill::barrier(ClipboardOwner& clipboard)
{
    const std::string text = "barrier " + std::to_string(++m_barriers);
    EXPECT_TRUE(copyRecorded(clipboard, text));
    return text;
}

bool Tarnquill::waitUntilIdle(std::chrono::milliseconds timeout)
{
    auto before = cpuTime(m_process.pid());
    auto since = Clock::now();
    return waitUntil(
        [&] {
            const auto now = cpuTime(m_process.pid());
            if (now != before) {
                before = now;
                since = Clock::now();
            }
            return Clock::now() - since >= 100ms;
        },
        timeout);
}

} // namespace tarnquill::test
