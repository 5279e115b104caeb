// SPDX-License-Identifier: MIT
// The shell stand-ins against a private set of desktop entries and default
// applications (in the test's XDG folders), whose handlers write what they
// were given into a marker file; the recent files read back through GLib;
// type names against the shared MIME database. FindFilesAPI and the machine
// members on real folders, checked against what the system's own tools
// report.

#include "LinuxTestSupport.h"

#include "winapi/CWinAPI.h"
#include "winapi/RecordingWin32Api.h"

#include <glib.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tarnquill::test {
namespace {

namespace fs = std::filesystem;

fs::path dataHome()
{
    return std::getenv("XDG_DATA_HOME");
}

fs::path markers()
{
    return dataHome() / "markers";
}

// A handler that writes its argument into markers/<name>.
void writeHandler(const std::string& name, const std::string& mimeTypes, const char* fieldCode)
{
    std::ofstream(dataHome() / "applications" / ("tq-" + name + ".desktop"))
        << "[Desktop Entry]\nType=Application\nName=Marker " << name
        << "\nExec=/usr/bin/python3 -c \"import sys; open(sys.argv[1], 'w').write(sys.argv[2])\" "
        << (markers() / name).string() << " " << fieldCode << "\nMimeType=" << mimeTypes << "\n";
}

// The first comment of a type in the shared MIME database: what a file
// manager shows as the type's name, untranslated.
std::string mimeComment(const std::string& type)
{
    const std::string xml = readFile("/usr/share/mime/" + type + ".xml").value_or("");
    const std::size_t start = xml.find("<comment>") + 9;
    return xml.substr(start, xml.find("</comment>", start) - start);
}

class LinuxShellTest : public ::testing::Test, protected StandIns {
protected:
    static void SetUpTestSuite()
    {
        // Before GIO reads the applications for the first time.
        fs::create_directories(dataHome() / "applications");
        fs::create_directories(markers());
        writeHandler("text", "text/plain;", "%f");
        writeHandler("mail", "x-scheme-handler/mailto;", "%u");
        writeHandler("files", "inode/directory;", "%u");
        const fs::path config = std::getenv("XDG_CONFIG_HOME");
        fs::create_directories(config);
        std::ofstream(config / "mimeapps.list") << "[Default Applications]\ntext/plain=tq-text.desktop\n"
                                                   "x-scheme-handler/mailto=tq-mail.desktop\n"
                                                   "inode/directory=tq-files.desktop\n";
    }

    LinuxShellTest()
    {
        for (const auto& entry : fs::directory_iterator(markers()))
            fs::remove(entry.path());
        writeFile(m_notes, "some notes\n");
    }

    int open(const std::string& file) { return m_api.ShellExecuteA(0, "Open", file, std::nullopt, std::nullopt, 1); }

    // What the handler `name` was given, once it has run.
    std::string marker(const std::string& name)
    {
        const fs::path path = markers() / name;
        EXPECT_TRUE(waitUntil([&] { return fs::exists(path) && fs::file_size(path) > 0; })) << name;
        return readFile(path).value_or("");
    }

    CWinAPI m_winapi{m_api};
    const std::string m_notes = (m_folder / "notes.txt").string();
};

TEST_F(LinuxShellTest, OpenStartsTheDefaultApplicationOrAnswersAsWindows)
{
    EXPECT_GT(m_api.ShellExecuteA(0, "Open", m_notes, std::nullopt, std::nullopt, SW_SHOWMAXIMIZED), 32);
    EXPECT_EQ(marker("text"), m_notes);

    std::string address = "someone@example.org";
    m_winapi.SendEmail(address, 0);
    EXPECT_EQ(marker("mail"), "mailto:someone@example.org");

    m_winapi.ShowRecycleBin(0);
    EXPECT_EQ(marker("files"), "trash:///");

    EXPECT_EQ(open((m_folder / "gone.txt").string()), 2);
    EXPECT_EQ(open((m_folder / "no" / "x.txt").string()), 3);
    EXPECT_EQ(open("nosuchscheme://x"), 31);
}

TEST_F(LinuxShellTest, AFileWithoutHandlerGetsTheChooserAndTheChoiceOpensIt)
{
    const std::string data = (m_folder / "data.qqq").string();
    writeFile(data, std::string("\x01\x02\x00\xff", 4));
    EXPECT_EQ(open(data), 31);
    m_winapi.ExecuteFile(data, 0);
    QDialog* chooser = nullptr;
    ASSERT_TRUE(waitUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == "openWithChooser" && widget->isVisible())
                chooser = qobject_cast<QDialog*>(widget);
        return chooser != nullptr;
    }));
    auto* list = chooser->findChild<QListWidget*>();
    ASSERT_NE(list, nullptr);
    const auto found = list->findItems("Marker text", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    list->setCurrentItem(found.front());
    chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
    EXPECT_EQ(marker("text"), data);
}

TEST_F(LinuxShellTest, WinExecSplitsTheWindowsWayAndStartsWithoutAShell)
{
    const std::string out = (markers() / "exec").string();
    const std::string line =
        "/usr/bin/python3 -c \"import sys; open(sys.argv[1], 'w').write('|'.join(sys.argv[2:]))\" " + out +
        " \"a b\" c\\\"d \"e\"\"f\" g\\\\h $HOME;x";
    EXPECT_GT(m_api.WinExec(line, SW_SHOWNORMAL), 31u);
    EXPECT_EQ(marker("exec"), "a b|c\"d|e\"f|g\\\\h|$HOME;x");
    EXPECT_EQ(m_api.WinExec("tarnquill-no-such-program x", SW_SHOWNORMAL), 2u);
}

TEST_F(LinuxShellTest, DocumentListWritesTheRecentFilesGtkReads)
{
    std::string func = "add";
    m_winapi.DocumentList(func, m_notes);

    const std::string store = (dataHome() / "recently-used.xbel").string();
    g_autoptr(GBookmarkFile) bookmarks = g_bookmark_file_new();
    ASSERT_TRUE(g_bookmark_file_load_from_file(bookmarks, store.c_str(), nullptr));
    g_autofree gchar* uri = g_filename_to_uri(m_notes.c_str(), nullptr, nullptr);
    g_autofree gchar* mime = g_bookmark_file_get_mime_type(bookmarks, uri, nullptr);
    EXPECT_STREQ(mime, "text/plain");
    gsize applications = 0;
    g_strfreev(g_bookmark_file_get_applications(bookmarks, uri, &applications, nullptr));
    EXPECT_EQ(applications, 1u);

    func = "Clear";
    m_winapi.DocumentList(func, "");
    g_autoptr(GBookmarkFile) cleared = g_bookmark_file_new();
    ASSERT_TRUE(g_bookmark_file_load_from_file(cleared, store.c_str(), nullptr));
    EXPECT_EQ(g_bookmark_file_get_size(cleared), 0);
}

TEST_F(LinuxShellTest, TypeNamesAreTheSharedMimeDatabasesCommentsAndTheTemporaryFolderIsTmpdir)
{
    const fs::path picture = m_folder / "pic.png";
    writeFile(picture, "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(m_winapi.RetrieveFileTypeName(m_notes), mimeComment("text/plain"));
    EXPECT_EQ(m_winapi.RetrieveFileTypeName(picture.string()), mimeComment("image/png"));
    EXPECT_EQ(m_winapi.RetrieveFileTypeName(m_folder.path().string()), mimeComment("inode/directory"));

    ScopedEnv temp("TMPDIR", m_folder.path().string());
    EXPECT_EQ(m_winapi.GetSystemFolders(2), Variant(m_folder.path().string() + "/"));
}

TEST_F(LinuxShellTest, RetrieveIconPaintsTheThemesIconIntoAPaintTarget)
{
    QIcon::setThemeName(QStringLiteral("Adwaita"));
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const HDC dc = m_handles.addPaintTarget(image);
    m_winapi.RetrieveIcon(m_notes, dc, 16);

    // Adwaita's text file icon, at 16 pixels from (0, 0); nothing beyond.
    QImage expected(40, 40, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    QPainter(&expected).drawPixmap(0, 0, QIcon::fromTheme(QStringLiteral("text-x-generic")).pixmap(16, 16));
    EXPECT_NE(image.pixel(8, 8), 0u);
    EXPECT_EQ(image, expected);

    m_winapi.RetrieveIcon(m_notes, dc, 24);
    EXPECT_EQ(image, expected) << "24 draws nothing";
}

// Whether the X server holds the key of `symbol` down now.
bool keyHeld(KeySym symbol)
{
    Display* display = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->display();
    char keys[32] = {};
    XSync(display, False);
    XQueryKeymap(display, keys);
    const KeyCode code = XKeysymToKeycode(display, symbol);
    return (keys[code / 8] & (1 << (code % 8))) != 0;
}

TEST_F(LinuxShellTest, LaunchPressesSuperAndLeavesNoKeyDown)
{
    m_api.keybd_event(VK_LWIN, 0, 0, 0);
    m_api.keybd_event('E', 0, 0, 0);
    EXPECT_TRUE(keyHeld(XK_Super_L));
    EXPECT_TRUE(keyHeld(XK_e));
    m_api.keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_FALSE(keyHeld(XK_Super_L));
    EXPECT_FALSE(keyHeld(XK_e)) << "the shortcut's key goes up with Super";

    m_winapi.Launch(4); // Super down twice, up once
    EXPECT_FALSE(keyHeld(XK_Super_L));
}

class LinuxFilesTest : public LinuxShellTest {
protected:
    LinuxFilesTest()
    {
        fs::create_directories(m_tree / "sub");
        writeFile(m_tree / "a.txt", std::string(10, 'x'));
        writeFile(m_tree / "sub" / "c.txt", "xxxxx");
    }

    // Searches the tree into a list box: the error number raised (0 for
    // none), the counters after the search and the lines listed.
    using Found = std::tuple<int, std::int16_t, std::int16_t, std::vector<std::string>>;
    Found search(const std::string& pattern, std::int16_t files = 0, std::int16_t dirs = 0)
    {
        QListWidget list;
        std::string path = m_tree.string();
        const int error = testing::runtimeErrorOf(
            [&] { m_winapi.FindFilesAPI(path, pattern, files, dirs, m_handles.addWindow(list)); });
        std::vector<std::string> lines;
        for (int row = 0; row < list.count(); ++row)
            lines.push_back(list.item(row)->text().toStdString());
        return {error, files, dirs, lines};
    }

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
    EXPECT_EQ(std::get<3>(search("c.txt")), (std::vector<std::string>{p + "other\\tosub\\c.txt", p + "sub\\c.txt"}));
}

// The counters are the caller's 16-bit variables: one more than they hold
// overflows, and what was listed before stays in the list.
TEST_F(LinuxFilesTest, CountersOverflowPastInt16AndKeepWhatWasListed)
{
    // a.txt is listed and counted to 32,767; sub\c.txt then overflows the count.
    EXPECT_EQ(search("*.txt", 32766, 0), Found(int(RuntimeError::kOverflow), 32767, 1, {m_tree.string() + "\\a.txt"}));
    // The subfolders are counted before this folder's matches are listed.
    const Found second = search("*.txt", 0, 32767);
    EXPECT_EQ(std::get<0>(second), RuntimeError::kOverflow);
    EXPECT_TRUE(std::get<3>(second).empty());
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
        double size = 0, avail = 0;
        line >> size >> avail;
        return std::pair{size, avail};
    };
    double dFree = 0, dUsed = 0, dTotal = 0;
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

// The names are the host's and the account's; SetComputerNameA sets the
// static host name through systemd's host-name service, here a mock of it.
TEST_F(LinuxFilesTest, ComputerAndUserNamesAreTheHostsAndTheAccountsAndSetGoesThroughTheHostNameService)
{
    EXPECT_EQ(m_winapi.ComputerName(0), output({"hostname"}));
    EXPECT_EQ(m_winapi.ComputerName(2), output({"id", "-un"}));

    std::string small(2, ' ');
    DWORD size = 2;
    EXPECT_EQ(m_api.GetUserNameA(small, size), 0);
    EXPECT_EQ(size, output({"id", "-un"}).size() + 1) << "the size needed, with its NUL";
    EXPECT_EQ(small, "  ");

    // The service as far as SetComputerNameA uses it: the static host name,
    // and a refusal for one name.
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
