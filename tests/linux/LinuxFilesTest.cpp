// SPDX-License-Identifier: MIT
// FindFilesAPI and the machine members over LinuxWin32Api's stand-ins on real
// folders, checked against what the system's own tools report.

#include "LinuxTestSupport.h"

#include "winapi/CWinAPI.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

class LinuxFilesTest : public ::testing::Test, protected StandIns {
protected:
    LinuxFilesTest()
    {
        fs::create_directories(m_tree / "sub");
        writeFile(m_tree / "a.txt", std::string(10, 'x'));
        writeFile(m_tree / "sub" / "c.txt", "xxxxx");
    }

    // The lines a search of the tree lists into a list box.
    std::vector<std::string> listed(const std::string& pattern)
    {
        QListWidget list;
        std::string path = m_tree.string();
        std::int16_t files = 0, dirs = 0;
        m_winapi.FindFilesAPI(path, pattern, files, dirs, m_handles.addWindow(list));
        std::vector<std::string> lines;
        for (int row = 0; row < list.count(); ++row)
            lines.push_back(list.item(row)->text().toStdString());
        return lines;
    }

    CWinAPI m_winapi{m_api};
    fs::path m_tree = m_folder / "tree";
};

// The order of names, the wildcards and each option of the search are
// compared with Wine's own search (tests/tools, find_files); here what only
// real Linux folders have.
TEST_F(LinuxFilesTest, ASymbolicLinkLoopEnds)
{
    fs::create_directory_symlink("..", m_tree / "sub" / "up");
    fs::create_directories(m_tree / "other");
    fs::create_directory_symlink("../sub", m_tree / "other" / "tosub");
    fs::create_directory_symlink("../other", m_tree / "sub" / "toother");
    // sub is searched as itself and once more through other\tosub; each way
    // the next link back (toother, tosub) closes the loop.
    const std::string p = m_tree.string() + "\\";
    EXPECT_EQ(listed("c.txt"), (std::vector<std::string>{p + "other\\tosub\\c.txt", p + "sub\\c.txt"}));
}

TEST_F(LinuxFilesTest, AnUnreadableFolderContributesNothing)
{
    // Root reads every folder: the search runs as an ordinary user in a child.
    fs::permissions(m_folder.path(), fs::perms::all);
    writeFile(m_tree / "sub" / "d.txt", "d");
    fs::permissions(m_tree / "sub", fs::perms::none);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        std::string path = m_tree.string();
        std::int16_t files = 0, dirs = 0;
        const Variant total = m_winapi.FindFilesAPI(path, "*.txt", files, dirs);
        // a.txt only, and sub is still a folder.
        ::_exit(files == 1 && dirs == 1 && total == Variant(10.0) ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    fs::permissions(m_tree / "sub", fs::perms::owner_all);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(LinuxFilesTest, DiskSpaceIsWhatDfReports)
{
    const auto df = [] {
        const std::string table = output({"df", "-B1", "--output=size,avail", "/"});
        std::istringstream line(table.substr(table.rfind('\n') + 1));
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
    const std::string folder = m_tree.string();
    std::string path = folder;
    std::string label(64, ' ');
    std::string system(32, ' ');
    std::int32_t serial = 0, longest = 0, flags = 0;
    m_winapi.DiskVolumeInfo(path, label, 64, serial, longest, flags, system, 32);
    EXPECT_EQ(system.substr(0, system.find('\0')), output({"findmnt", "-n", "-o", "FSTYPE", "-T", folder}));
    EXPECT_EQ(std::to_string(longest), output({"stat", "-f", "-c", "%l", folder}));
    const std::string source = output({"findmnt", "-n", "-o", "SOURCE", "-T", folder});
    if (source.rfind("/dev/", 0) == 0)
        EXPECT_EQ(label.substr(0, label.find('\0')), output({"blkid", "-o", "value", "-s", "LABEL", source}));
    else
        EXPECT_EQ(label.substr(0, 1), std::string(1, '\0')) << "no device: no label";
    const bool readOnly = output({"findmnt", "-n", "-o", "OPTIONS", "-T", folder}).rfind("ro", 0) == 0;
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
    EXPECT_EQ(m_winapi.ComputerName(0), output({"hostname"}));
    EXPECT_EQ(m_winapi.ComputerName(2), output({"id", "-un"}));

    std::string small(2, ' ');
    DWORD size = 2;
    EXPECT_EQ(m_api.GetUserNameA(small, size), 0);
    EXPECT_EQ(size, output({"id", "-un"}).size() + 1) << "the size needed, with its NUL";
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
    writeFile(m_folder / "hostnamed_mock.py", kHostnameMock);
    MockBus hostnamed(m_folder, "DBUS_SYSTEM_BUS_ADDRESS", {"--template", (m_folder / "hostnamed_mock.py").string()},
                      QStringLiteral("org.freedesktop.hostname1"));
    ASSERT_TRUE(hostnamed.isUp());
    const auto hostName = [] {
        return output({"gdbus", "call", "--system", "--dest", "org.freedesktop.hostname1", "--object-path",
                       "/org/freedesktop/hostname1", "--method", "org.freedesktop.DBus.Properties.Get",
                       "org.freedesktop.hostname1", "StaticHostname"});
    };
    EXPECT_EQ(m_winapi.ComputerName(1, "tarnquill-next"), "");
    EXPECT_EQ(hostName(), "(<'tarnquill-next'>,)");
    EXPECT_EQ(m_api.SetComputerNameA("refused"), 0) << "the service's refusal is access denied";
    EXPECT_EQ(hostName(), "(<'tarnquill-next'>,)");
}

} // namespace
} // namespace tarnquill::test
