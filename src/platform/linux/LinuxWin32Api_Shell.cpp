// SPDX-License-Identifier: MIT
// The shell: opening files and addresses with the desktop's default
// applications, starting command lines, the open-with chooser, the recent
// files, file type names and the system folders.

#include "platform/linux/LinuxWin32Api.h"

#include "platform/linux/WindowsPaths.h"

// GIO before Qt: Qt's `signals` keyword would rename a field of GIO's headers.
#include <gio/gio.h>

#include "platform/linux/QtHandleTable.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QPainter>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace tarnquill {

namespace {

// ShellExecute's answers: above 32 is success, below it an error.
constexpr HINSTANCE kShellSuccess = 42;
constexpr HINSTANCE kFileNotFound = 2;       // SE_ERR_FNF
constexpr HINSTANCE kPathNotFound = 3;       // SE_ERR_PNF
constexpr HINSTANCE kAccessDenied = 5;       // SE_ERR_ACCESSDENIED
constexpr HINSTANCE kNoAssociation = 31;     // SE_ERR_NOASSOC
// WinExec's: above 31 is success.
constexpr UINT kExecSuccess = 33;
constexpr UINT kExecBadFormat = 11;          // ERROR_BAD_FORMAT

constexpr const char* kOpenWithCommand = "rundll32.exe shell32.dll,openas_rundll ";
constexpr const char* kRecycleBinClass = "645ff040-5081-101b-9f08-00aa002f954e";

// SHGetFileInfo's answer with SHGFI_SYSICONINDEX: the image list of that size.
constexpr std::int32_t kSmallImageList = 0x5EC1;
constexpr std::int32_t kLargeImageList = 0x5EC2;

template <typename T>
struct GObjectUnref {
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using GRef = std::unique_ptr<T, GObjectUnref<T>>;

struct GFreeText {
    void operator()(char* text) const { g_free(text); }
};
using GText = std::unique_ptr<char, GFreeText>;

bool haveWidgets()
{
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The arguments of a Windows command line, as the C runtime splits them:
// the program name up to the first blank (or between quotes, taken as they
// stand); then 2n backslashes before a quote are n backslashes and the
// quote opens or closes a quoted run, 2n+1 are n and a literal quote, other
// backslashes are literal, and "" inside quotes is one quote.
std::vector<std::string> splitCommandLine(const std::string& line)
{
    std::vector<std::string> arguments;
    std::size_t i = 0;
    std::string program;
    if (i < line.size() && line[i] == '"') {
        const std::size_t end = line.find('"', i + 1);
        program = line.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
        i = end == std::string::npos ? line.size() : end + 1;
    }
    while (i < line.size() && line[i] != ' ' && line[i] != '\t')
        program += line[i++];
    arguments.push_back(program);

    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= line.size())
            break;
        std::string argument;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            if (line[i] == '\\') {
                std::size_t slashes = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    argument.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        argument += '"';
                        ++i;
                    }
                } else {
                    argument.append(slashes, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    argument += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument += line[i++];
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

// A program started with an argument vector, never through a shell; GLib
// reaps it. The answer is WinExec's.
UINT spawn(const std::vector<std::string>& arguments, const std::optional<std::string>& folder = std::nullopt)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    GError* error = nullptr;
    const gboolean started = g_spawn_async(folder ? folder->c_str() : nullptr, argv.data(), nullptr,
                                           G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, &error);
    if (started)
        return kExecSuccess;
    UINT answer = static_cast<UINT>(ERROR_FILE_NOT_FOUND);
    if (error->domain == G_SPAWN_ERROR && error->code == G_SPAWN_ERROR_ACCES)
        answer = static_cast<UINT>(ERROR_ACCESS_DENIED);
    else if (error->domain == G_SPAWN_ERROR && error->code == G_SPAWN_ERROR_NOEXEC)
        answer = kExecBadFormat;
    g_error_free(error);
    return answer;
}

// A path of the seam as an absolute Linux path (relative ones from `folder`,
// else from the working folder); nullopt for a drive that does not exist.
std::optional<std::string> absolutePath(const std::string& path, const std::optional<std::string>& folder = {})
{
    auto mapped = windowspaths::toLinux(path);
    if (!mapped || mapped->empty())
        return std::nullopt;
    if (mapped->front() != '/') {
        std::string base;
        if (folder && !folder->empty())
            base = windowspaths::toLinux(*folder).value_or("");
        if (base.empty()) {
            const GText here(g_get_current_dir());
            base = here.get();
        }
        *mapped = base + "/" + *mapped;
    }
    return mapped;
}

std::string contentTypeOf(GFile* file)
{
    const GRef<GFileInfo> info(
        g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    const char* type = info ? g_file_info_get_content_type(info.get()) : nullptr;
    return type != nullptr ? type : "application/octet-stream";
}

HINSTANCE launch(GAppInfo* application, GList* files, GList* uris)
{
    GError* error = nullptr;
    const gboolean launched = files != nullptr ? g_app_info_launch(application, files, nullptr, &error)
                                               : g_app_info_launch_uris(application, uris, nullptr, &error);
    if (launched)
        return kShellSuccess;
    g_error_free(error);
    return kFileNotFound;
}

HINSTANCE openUri(const std::string& uri, const char* handlerType = nullptr)
{
    const GText scheme(g_uri_parse_scheme(uri.c_str()));
    const GRef<GAppInfo> application(handlerType != nullptr
                                         ? g_app_info_get_default_for_type(handlerType, FALSE)
                                         : g_app_info_get_default_for_uri_scheme(scheme.get()));
    if (!application)
        return kNoAssociation;
    GList uris{const_cast<char*>(uri.c_str()), nullptr, nullptr};
    return launch(application.get(), nullptr, &uris);
}

// A scheme of two letters or more: a one-letter one is a drive ("C:").
bool isAddress(const std::string& file)
{
    const GText scheme(g_uri_parse_scheme(file.c_str()));
    return scheme && std::strlen(scheme.get()) > 1;
}

void putField(char* field, std::size_t size, const std::string& text)
{
    // Cut on a character boundary, leaving room for the NUL.
    std::size_t length = std::min(text.size(), size - 1);
    while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

// The system folder functions' answer: the path and its NUL when they fit,
// else the size needed (with the NUL) and the buffer untouched.
UINT folderReply(const std::string& folder, std::string& buffer, UINT size)
{
    if (folder.size() + 1 > std::min<std::size_t>(size, buffer.size()))
        return static_cast<UINT>(folder.size() + 1);
    buffer.replace(0, folder.size(), folder);
    buffer[folder.size()] = '\0';
    return static_cast<UINT>(folder.size());
}

// The applications that declare the file's type, then the others that a
// menu shows; the one chosen opens the file. Not modal: WinExec does not wait.
void showOpenWithChooser(const std::string& path)
{
    const GRef<GFile> file(g_file_new_for_path(path.c_str()));
    const std::string type = contentTypeOf(file.get());
    std::vector<GRef<GAppInfo>> applications;
    const auto take = [&](GList* list) {
        for (GList* item = list; item != nullptr; item = item->next) {
            auto* application = G_APP_INFO(item->data);
            const bool known = std::any_of(applications.begin(), applications.end(), [&](const GRef<GAppInfo>& a) {
                return g_app_info_equal(a.get(), application);
            });
            if (!known && g_app_info_should_show(application))
                applications.emplace_back(G_APP_INFO(g_object_ref(application)));
        }
        g_list_free_full(list, g_object_unref);
    };
    take(g_app_info_get_all_for_type(type.c_str()));
    take(g_app_info_get_all());

    auto* dialog = new QDialog;
    dialog->setObjectName(QStringLiteral("openWithChooser"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const GText baseName(g_path_get_basename(path.c_str()));
    dialog->setWindowTitle(QStringLiteral("Open With"));
    auto* layout = new QVBoxLayout(dialog);
    const QString prompt = QStringLiteral("Choose the application to open \"%1\"");
    layout->addWidget(new QLabel(prompt.arg(QString::fromUtf8(baseName.get())), dialog));
    auto* list = new QListWidget(dialog);
    for (const GRef<GAppInfo>& application : applications) {
        auto* item = new QListWidgetItem(QString::fromUtf8(g_app_info_get_name(application.get())), list);
        item->setData(Qt::UserRole, QString::fromUtf8(g_app_info_get_id(application.get())));
    }
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, dialog);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    const auto open = [dialog, list, path] {
        if (const QListWidgetItem* item = list->currentItem()) {
            const QByteArray id = item->data(Qt::UserRole).toString().toUtf8();
            for (GList* all = g_app_info_get_all(), *entry = all; entry != nullptr; entry = entry->next) {
                auto* application = G_APP_INFO(entry->data);
                if (id == g_app_info_get_id(application)) {
                    const GRef<GFile> chosen(g_file_new_for_path(path.c_str()));
                    GList files{chosen.get(), nullptr, nullptr};
                    launch(application, &files, nullptr);
                }
                if (entry->next == nullptr)
                    g_list_free_full(all, g_object_unref);
            }
        }
        dialog->accept();
    };
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, open);
    QObject::connect(list, &QListWidget::itemActivated, dialog, open);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

std::string recentFilesPath()
{
    const GText path(g_build_filename(g_get_user_data_dir(), "recently-used.xbel", nullptr));
    return path.get();
}

} // namespace

HINSTANCE LinuxWin32Api::ShellExecuteA(HWND, const std::optional<std::string>& operation, const std::string& file,
                                       const std::optional<std::string>& parameters,
                                       const std::optional<std::string>& directory, int)
{
    const std::string verb = operation ? lower(*operation) : "open";
    if (verb != "open" && verb != "explore" && !verb.empty())
        return kNoAssociation;
    const std::string program = lower(file);
    if (program == "explorer.exe" || program == "explorer") {
        const std::string arguments = lower(parameters.value_or(""));
        if (arguments.find(kRecycleBinClass) != std::string::npos)
            return openUri("trash:///", "inode/directory");
        const std::vector<std::string> split = splitCommandLine("explorer " + parameters.value_or(""));
        const std::string folder = split.size() > 1 ? split[1] : std::string(g_get_home_dir());
        const auto path = absolutePath(folder, directory);
        if (!path)
            return kPathNotFound;
        const GText uri(g_filename_to_uri(path->c_str(), nullptr, nullptr));
        return uri ? openUri(uri.get(), "inode/directory") : kPathNotFound;
    }
    if (isAddress(file))
        return openUri(file);

    const auto path = absolutePath(file, directory);
    if (!path)
        return kPathNotFound;
    struct stat info {};
    if (::stat(path->c_str(), &info) != 0) {
        const GText parent(g_path_get_dirname(path->c_str()));
        return g_file_test(parent.get(), G_FILE_TEST_IS_DIR) ? kFileNotFound : kPathNotFound;
    }
    if (S_ISREG(info.st_mode) && ::access(path->c_str(), X_OK) == 0) {
        // A program runs, with the parameters as its command line.
        std::vector<std::string> arguments = splitCommandLine("program " + parameters.value_or(""));
        arguments.front() = *path;
        const auto folder = directory ? windowspaths::toLinux(*directory) : std::nullopt;
        const UINT started = spawn(arguments, folder);
        return started > 31 ? kShellSuccess : started == ERROR_ACCESS_DENIED ? kAccessDenied : kFileNotFound;
    }
    const GRef<GFile> target(g_file_new_for_path(path->c_str()));
    const std::string type = contentTypeOf(target.get());
    const GRef<GAppInfo> application(g_app_info_get_default_for_type(type.c_str(), FALSE));
    if (!application)
        return kNoAssociation;
    GList files{target.get(), nullptr, nullptr};
    return launch(application.get(), &files, nullptr);
}

UINT LinuxWin32Api::WinExec(const std::string& cmdLine, UINT)
{
    const std::size_t prefix = std::strlen(kOpenWithCommand);
    if (lower(cmdLine.substr(0, prefix)) == kOpenWithCommand) {
        // The file is the rest of the line as it stands, as the shell takes it.
        const auto path = absolutePath(cmdLine.substr(prefix));
        if (!path || !haveWidgets())
            return static_cast<UINT>(ERROR_FILE_NOT_FOUND);
        showOpenWithChooser(*path);
        return kExecSuccess;
    }
    std::vector<std::string> arguments = splitCommandLine(cmdLine);
    if (arguments.front().empty())
        return static_cast<UINT>(ERROR_FILE_NOT_FOUND);
    // A program named with a folder is a path of the seam; a bare name is
    // looked up in PATH.
    if (arguments.front().find_first_of("\\/:") != std::string::npos) {
        const auto path = absolutePath(arguments.front());
        if (!path)
            return static_cast<UINT>(ERROR_PATH_NOT_FOUND);
        arguments.front() = *path;
    }
    return spawn(arguments);
}

void LinuxWin32Api::SHAddToRecentDocs(UINT uFlags, const std::optional<std::string>& path)
{
    // The freedesktop recent files, as GTK keeps them: GLib's bookmark file,
    // written whole into a temporary file and renamed.
    const std::string store = recentFilesPath();
    GBookmarkFile* bookmarks = g_bookmark_file_new();
    if (!path) {
        g_bookmark_file_to_file(bookmarks, store.c_str(), nullptr);
        g_bookmark_file_free(bookmarks);
        return;
    }
    const auto absolute = absolutePath(*path);
    if (uFlags != SHARD_PATH || !absolute || !g_file_test(absolute->c_str(), G_FILE_TEST_EXISTS)) {
        g_bookmark_file_free(bookmarks);
        return;
    }
    g_bookmark_file_load_from_file(bookmarks, store.c_str(), nullptr);
    const GText uri(g_filename_to_uri(absolute->c_str(), nullptr, nullptr));
    const GRef<GFile> file(g_file_new_for_path(absolute->c_str()));
    const GText mime(g_content_type_get_mime_type(contentTypeOf(file.get()).c_str()));
    if (uri) {
        g_bookmark_file_set_mime_type(bookmarks, uri.get(), mime ? mime.get() : "application/octet-stream");
        // This program as the application that used the file, as GTK names it.
        const char* program = g_get_prgname() != nullptr ? g_get_prgname() : "tarnquill";
        const char* name = g_get_application_name() != nullptr ? g_get_application_name() : program;
        const std::string exec = std::string("'") + program + " %u'";
        g_bookmark_file_add_application(bookmarks, uri.get(), name, exec.c_str());
        g_bookmark_file_to_file(bookmarks, store.c_str(), nullptr);
    }
    g_bookmark_file_free(bookmarks);
}

std::int32_t LinuxWin32Api::SHGetFileInfoA(const std::string& path, DWORD, ShFileInfoA& info, UINT, UINT uFlags)
{
    const auto absolute = absolutePath(path);
    if (!absolute)
        return 0;
    const GRef<GFile> file(g_file_new_for_path(absolute->c_str()));
    const GRef<GFileInfo> details(g_file_query_info(
        file.get(),
        G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE "," G_FILE_ATTRIBUTE_STANDARD_DISPLAY_NAME "," G_FILE_ATTRIBUTE_STANDARD_ICON,
        G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (!details)
        return 0;
    if ((uFlags & SHGFI_DISPLAYNAME) != 0) {
        const char* name = g_file_info_get_display_name(details.get());
        putField(info.szDisplayName.data(), info.szDisplayName.size(), name != nullptr ? name : "");
    }
    if ((uFlags & SHGFI_TYPENAME) != 0) {
        const char* type = g_file_info_get_content_type(details.get());
        const GText description(g_content_type_get_description(type != nullptr ? type : "application/octet-stream"));
        putField(info.szTypeName.data(), info.szTypeName.size(), description ? description.get() : "");
    }
    if ((uFlags & SHGFI_SYSICONINDEX) != 0) {
        // The image list is the theme's icons by name; the index is the
        // first of the file's icon names, kept for ImageList_Draw.
        GIcon* icon = g_file_info_get_icon(details.get());
        std::vector<std::string> names;
        if (icon != nullptr && G_IS_THEMED_ICON(icon)) {
            for (const gchar* const* name = g_themed_icon_get_names(G_THEMED_ICON(icon)); *name != nullptr; ++name)
                names.emplace_back(*name);
        }
        names.emplace_back("text-x-generic");
        const auto known = std::find(m_iconNames.begin(), m_iconNames.end(), names);
        info.iIcon = static_cast<std::int32_t>(known - m_iconNames.begin());
        if (known == m_iconNames.end())
            m_iconNames.push_back(names);
        return (uFlags & SHGFI_SMALLICON) != 0 ? kSmallImageList : kLargeImageList;
    }
    return 1;
}

BOOL LinuxWin32Api::ImageList_Draw(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, UINT)
{
    if ((himl != kSmallImageList && himl != kLargeImageList) || i < 0 ||
        static_cast<std::size_t>(i) >= m_iconNames.size())
        return FALSE;
    QPaintDevice* target = m_handles.paintTarget(hdcDst);
    if (target == nullptr || !haveWidgets())
        return FALSE;
    QIcon icon;
    for (const std::string& name : m_iconNames[static_cast<std::size_t>(i)]) {
        icon = QIcon::fromTheme(QString::fromStdString(name));
        if (!icon.isNull())
            break;
    }
    if (icon.isNull())
        return FALSE;
    const int size = himl == kSmallImageList ? 16 : 32;
    QPainter painter(target);
    painter.drawPixmap(x, y, icon.pixmap(size, size));
    return TRUE;
}

UINT LinuxWin32Api::GetWindowsDirectoryA(std::string& buffer, UINT uSize)
{
    return folderReply("/usr", buffer, uSize);
}

UINT LinuxWin32Api::GetSystemDirectoryA(std::string& buffer, UINT uSize)
{
    return folderReply("/usr/bin", buffer, uSize);
}

DWORD LinuxWin32Api::GetTempPathA(DWORD nBufferLength, std::string& buffer)
{
    std::string folder = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && tmp[0] == '/')
        folder = tmp;
    if (folder.back() != '/')
        folder += '/';
    return folderReply(folder, buffer, nBufferLength);
}

} // namespace tarnquill
