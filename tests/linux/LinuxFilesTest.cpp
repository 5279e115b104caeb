// SPDX-License-Identifier: MIT
// FindFilesAPI and the machine members over LinuxWin32Api's stand-ins on real
// folders, checked against what the system's own tools report. The lines a
// search lists are caught on their way to the list box.

#include "LinuxTestSupport.h"
#include "StandIns.h"

#include "RecordingWin32Api.h"
#include "winapi/CWinAPI.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

// The standard output of a command, without its last line break.
std::string commandOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[512];
        while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
            output += chunk;
        ::pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return output;
}

void writeFile(const fs::path& path, std::size_t bytes)
{
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
}

struct SearchResult {
    std::vector<std::string> lines;
    std::int16_t files = 0;
    std::int16_t dirs = 0;
    Variant total;
    int error = 0;
};

class LinuxFilesTest : public ::testing::Test, protected StandIns {
protected:
    LinuxFilesTest()
    {
        // The search's platform calls reach the stand-ins; its list box is this test.
        m_seam.onFindFirstFileA = [this](const std::string& p, Win32FindDataA& d) {
            return m_api.FindFirstFileA(p, d);
        };
        m_seam.onFindNextFileA = [this](HANDLE h, Win32FindDataA& d) { return m_api.FindNextFileA(h, d); };
        m_seam.onFindClose = [this](HANDLE h) { return m_api.FindClose(h); };
        m_seam.onGetFileAttributesA = [this](const std::string& p) { return m_api.GetFileAttributesA(p); };
        m_seam.onSendMessageText = [this](HWND, UINT, WPARAM, const std::string& line) {
            m_lines.push_back(line);
            return 0;
        };
        m_tree = m_folder.path() / "tree";
        fs::create_directories(m_tree / "sub");
        writeFile(m_tree / "a.txt", 10);
        writeFile(m_tree / "b.doc", 3);
        writeFile(m_tree / "sub" / "c.txt", 5);
    }


    SearchResult search(std::string path, const std::string& pattern, Bool16 pathFormat = kFalse,
                        Bool16 noSubfolders = kFalse, std::int16_t files = 0, std::int16_t dirs = 0)
    {
        m_lines.clear();
        SearchResult result;
        result.files = files;
        result.dirs = dirs;
        result.error = testing::runtimeErrorOf([&] {
            result.total = m_winapi.FindFilesAPI(path, pattern, result.files, result.dirs, 1, pathFormat, noSubfolders);
        });
        result.lines = m_lines;
        EXPECT_EQ(path.back(), '\\');
        return result;
    }

    testing::RecordingWin32Api m_seam;
    CWinAPI m_winapi{m_seam};
    std::vector<std::string> m_lines;
    fs::path m_tree;
};

// Windows' order of names, its wildcards and a file of 5 GB are checked
// against Wine's own search by the tool's find_files comparison.
TEST_F(LinuxFilesTest, TheSearchExampleWithEachOption)
{
    const std::string p = m_tree.string() + "\\";
    struct Row {
        const char* pattern;
        Bool16 pathFormat;
        Bool16 noSubfolders;
        std::vector<std::string> lines;
        std::int16_t dirs;
        double total;
    };
    const Row rows[] = {
        {"*.txt", kFalse, kFalse, {p + "a.txt", p + "sub\\c.txt"}, 1, 15},
        {"*.txt", kTrue, kFalse, {"a.txt\t" + p, "c.txt\t" + p + "sub\\"}, 1, 15},
        {"*.txt", kFalse, kTrue, {p + "a.txt"}, 0, 10},
        {"*", kFalse, kFalse, {p + "a.txt", p + "b.doc", p + "sub", p + "sub\\c.txt"}, 1, 18},
        {"?.DOC", kFalse, kFalse, {p + "b.doc"}, 1, 3},
    };
    for (const Row& row : rows) {
        const SearchResult result = search(m_tree.string(), row.pattern, row.pathFormat, row.noSubfolders, 3, 4);
        EXPECT_EQ(result.lines, row.lines) << row.pattern;
        EXPECT_EQ(result.files, 3 + static_cast<int>(row.lines.size())) << row.pattern;
        EXPECT_EQ(result.dirs, 4 + row.dirs) << row.pattern;
        EXPECT_EQ(result.total, Variant(row.total)) << row.pattern;
    }
    EXPECT_EQ(search(m_tree.string(), "*.none").total, Variant()) << "nothing matched: an empty total";
}

TEST_F(LinuxFilesTest, CountersOverflowPastInt16AndKeepWhatWasListed)
{
    const std::string p = m_tree.string() + "\\";
    SearchResult result = search(m_tree.string(), "*.txt", kFalse, kFalse, 32766, 0);
    EXPECT_EQ(result.error, RuntimeError::kOverflow);
    EXPECT_EQ(result.files, 32767);
    EXPECT_EQ(result.lines, std::vector<std::string>{p + "a.txt"});

    result = search(m_tree.string(), "*.txt", kFalse, kFalse, 0, 32767);
    EXPECT_EQ(result.error, RuntimeError::kOverflow);
    EXPECT_EQ(result.dirs, 32767);
    EXPECT_TRUE(result.lines.empty()) << "the subfolders are counted before this folder's matches";
}

TEST_F(LinuxFilesTest, ASymbolicLinkLoopEnds)
{
    fs::create_directory_symlink("..", m_tree / "sub" / "up");
    fs::create_directories(m_tree / "other");
    fs::create_directory_symlink("../sub", m_tree / "other" / "tosub");
    fs::create_directory_symlink("../other", m_tree / "sub" / "toother");
    const SearchResult result = search(m_tree.string(), "c.txt");
    // sub is searched as itself and once more through other\tosub; each way
    // the next link back (toother, tosub) closes the loop.
    const std::string p = m_tree.string() + "\\";
    EXPECT_EQ(result.lines, (std::vector<std::string>{p + "other\\tosub\\c.txt", p + "sub\\c.txt"}));
}

TEST_F(LinuxFilesTest, AnUnreadableFolderContributesNothing)
{
    // Root reads every folder: the search runs as an ordinary user in a child.
    fs::permissions(m_folder.path(), fs::perms::all);
    writeFile(m_tree / "sub" / "d.txt", 7);
    fs::permissions(m_tree / "sub", fs::perms::none);
    int answer[3] = {};
    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        const SearchResult result = search(m_tree.string(), "*.txt");
        const int sent[3] = {static_cast<int>(result.lines.size()), result.dirs,
                             static_cast<int>(toDouble(result.total))};
        ::_exit(::write(channel[1], sent, sizeof sent) == sizeof sent ? 0 : 1);
    }
    ::close(channel[1]);
    ASSERT_EQ(::read(channel[0], answer, sizeof answer), static_cast<ssize_t>(sizeof answer));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    fs::permissions(m_tree / "sub", fs::perms::owner_all);
    EXPECT_EQ(answer[0], 1) << "a.txt only";
    EXPECT_EQ(answer[1], 1) << "sub is still a folder";
    EXPECT_EQ(answer[2], 10);
}

TEST_F(LinuxFilesTest, DiskSpaceIsWhatDfReports)
{
    m_seam.onGetDiskFreeSpaceA = [this](const std::string& root, DWORD& s, DWORD& b, DWORD& f, DWORD& t) {
        return m_api.GetDiskFreeSpaceA(root, s, b, f, t);
    };
    const auto df = [] {
        std::istringstream line(commandOutput("df -B1 --output=size,avail / | tail -n 1"));
        double size = 0;
        double avail = 0;
        line >> size >> avail;
        return std::pair{size, avail};
    };
    double dFree = 0;
    double dUsed = 0;
    double dTotal = 0;
    // The first character of a Linux path makes the root "/:\", the root folder.
    const auto [size, availBefore] = df();
    m_winapi.DiskSpace(m_tree.string(), dFree, dUsed, dTotal);
    const double availAfter = df().second;
    EXPECT_EQ(dTotal, size);
    // Other programs write meanwhile (builds share this disk): between the
    // two readings, give or take 256 MiB.
    EXPECT_GE(dFree, std::min(availBefore, availAfter) - (1 << 28));
    EXPECT_LE(dFree, std::max(availBefore, availAfter) + (1 << 28));
    EXPECT_EQ(dUsed, dTotal - dFree);

    m_winapi.DiskSpace("Q:\\", dFree, dUsed, dTotal);
    EXPECT_EQ(dFree + dUsed + dTotal, 0.0) << "no such drive";
}

TEST_F(LinuxFilesTest, VolumeInfoIsWhatTheMountTableAndBlkidReport)
{
    m_seam.onGetVolumeInformationA = [this](const std::string& root, std::string& label, DWORD labelSize,
                                           DWORD& serial, DWORD& longest, DWORD& flags, std::string& system,
                                           DWORD systemSize) {
        return m_api.GetVolumeInformationA(root, label, labelSize, serial, longest, flags, system, systemSize);
    };
    const std::string folder = m_tree.string();
    std::string path = folder;
    std::string label(64, ' ');
    std::string system(32, ' ');
    std::int32_t serial = 0, longest = 0, flags = 0;
    m_winapi.DiskVolumeInfo(path, label, 64, serial, longest, flags, system, 32);
    EXPECT_EQ(system.substr(0, system.find('\0')), commandOutput("findmnt -n -o FSTYPE -T " + folder));
    EXPECT_EQ(std::to_string(longest), commandOutput("stat -f -c %l " + folder));
    const std::string source = commandOutput("findmnt -n -o SOURCE -T " + folder);
    if (source.rfind("/dev/", 0) == 0)
        EXPECT_EQ(label.substr(0, label.find('\0')), commandOutput("blkid -o value -s LABEL " + source));
    else
        EXPECT_EQ(label.substr(0, 1), std::string(1, '\0')) << "no device: no label";
    const bool readOnly = commandOutput("findmnt -n -o OPTIONS -T " + folder).rfind("ro", 0) == 0;
    EXPECT_EQ((flags & 0x80000) != 0, readOnly);
    EXPECT_EQ(path, folder);

    // A label buffer too small for the file system's name fails the call and leaves the buffers.
    std::string tiny(1, ' ');
    DWORD s = 0, l = 0, f = 0;
    std::string noLabel;
    EXPECT_EQ(m_api.GetVolumeInformationA(folder, noLabel, 0, s, l, f, tiny, 1), 0);
    EXPECT_EQ(tiny, " ");
}

TEST_F(LinuxFilesTest, ComputerAndUserNamesAreTheHostsAndTheAccounts)
{
    m_seam.onGetComputerNameA = [this](std::string& b, DWORD& n) { return m_api.GetComputerNameA(b, n); };
    m_seam.onGetUserNameA = [this](std::string& b, DWORD& n) { return m_api.GetUserNameA(b, n); };
    EXPECT_EQ(m_winapi.ComputerName(0), commandOutput("hostname"));
    EXPECT_EQ(m_winapi.ComputerName(2), commandOutput("id -un"));

    std::string small(2, ' ');
    DWORD size = 2;
    EXPECT_EQ(m_api.GetUserNameA(small, size), 0);
    EXPECT_EQ(size, commandOutput("id -un").size() + 1) << "the size needed, with its NUL";
    EXPECT_EQ(small, "  ");
}

// systemd's host-name service as far as SetComputerNameA uses it, for
// python-dbusmock: the static host name, and a refusal for one name.
constexpr const char* kHostnameMock = R"py(import dbus
BUS_NAME = 'org.freedesktop.hostname1'
MAIN_OBJ = '/org/freedesktop/hostname1'
MAIN_IFACE = 'org.freedesktop.hostname1'
SYSTEM_BUS = True

def load(mock, parameters):
    mock.AddProperties(MAIN_IFACE, dbus.Dictionary({'StaticHostname': 'before'}, signature='sv'))
    mock.AddMethods(MAIN_IFACE, [('SetStaticHostname', 'sb', '',
        "if args[0] == 'refused':\n"
        "    raise dbus.exceptions.DBusException('not allowed', name='org.freedesktop.DBus.Error.AccessDenied')\n"
        "self.Set('org.freedesktop.hostname1', 'StaticHostname', args[0])")])
)py";

TEST_F(LinuxFilesTest, SetComputerNameSetsTheStaticHostNameThroughTheHostNameService)
{
    // A private bus stands in for the system bus; the machine's own host
    // name is never asked for a change.
    const fs::path socket = m_folder.path() / "system_bus_socket";
    const std::string address = "unix:path=" + socket.string();
    ChildProcess bus("dbus-daemon", {"--nofork", "--config-file=/usr/share/dbus-1/session.conf",
                                     QString::fromStdString("--address=" + address)});
    ASSERT_TRUE(waitUntil([&] { return fs::exists(socket); }));
    const char* previous = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string saved = previous != nullptr ? previous : "";
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    std::ofstream(m_folder.path() / "hostnamed_mock.py") << kHostnameMock;
    ChildProcess mock("/usr/bin/python3", {"-m", "dbusmock", "--template",
                                           QString::fromStdString((m_folder.path() / "hostnamed_mock.py").string())});
    const std::string read = "gdbus call --system --dest org.freedesktop.hostname1 --object-path "
                             "/org/freedesktop/hostname1 --method org.freedesktop.DBus.Properties.Get "
                             "org.freedesktop.hostname1 StaticHostname 2>/dev/null";
    EXPECT_TRUE(waitUntil([&] { return !commandOutput(read).empty(); }));

    m_seam.onSetComputerNameA = [this](const std::string& name) { return m_api.SetComputerNameA(name); };
    EXPECT_EQ(m_winapi.ComputerName(1, "tarnquill-next"), "");
    EXPECT_EQ(commandOutput(read), "(<'tarnquill-next'>,)");
    EXPECT_EQ(m_api.SetComputerNameA("refused"), 0) << "the service's refusal is access denied";
    EXPECT_EQ(commandOutput(read), "(<'tarnquill-next'>,)");

    if (previous != nullptr)
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", saved.c_str(), 1);
    else
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

} // namespace
} // namespace tarnquill::test
