// SPDX-License-Identifier: MIT
// The shell stand-ins against a private set of desktop entries and default
// applications (in the test's XDG folders), whose handlers write what they
// were given into a marker file; the recent files read back through GLib;
// type names against the shared MIME database.

#include "LinuxTestSupport.h"

#include "winapi/CWinAPI.h"

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

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

TEST_F(LinuxShellTest, TypeNamesAreTheSharedMimeDatabasesComments)
{
    const fs::path picture = m_folder / "pic.png";
    writeFile(picture, "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(m_winapi.RetrieveFileTypeName(m_notes), mimeComment("text/plain"));
    EXPECT_EQ(m_winapi.RetrieveFileTypeName(picture.string()), mimeComment("image/png"));
    EXPECT_EQ(m_winapi.RetrieveFileTypeName(m_folder.path().string()), mimeComment("inode/directory"));
}

TEST_F(LinuxShellTest, TheTemporaryFolderIsTmpdirWithItsSlash)
{
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

} // namespace
} // namespace tarnquill::test
