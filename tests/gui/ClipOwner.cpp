// SPDX-License-Identifier: MIT
// Owns the X clipboard with a text and any extra targets until it is ended by
// its pid, for tests that need what xclip cannot offer: several targets at
// once, such as the hint a password manager puts beside a secret.
//
//   gui_clip_owner [TARGET=BYTES]...   (the text comes on stdin)
//
// Prints "owning clipboard" once the selection is its own.

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char* argv[])
{
    const std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());

    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    auto* data = new QMimeData;
    data->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    for (int i = 1; i < argc; ++i) {
        const std::string target(argv[i]);
        const auto equals = target.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "expected TARGET=BYTES, got %s\n", argv[i]);
            return 2;
        }
        data->setData(QString::fromStdString(target.substr(0, equals)),
                      QByteArray::fromStdString(target.substr(equals + 1)));
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data, QClipboard::Clipboard);
    if (!clipboard->ownsClipboard()) {
        std::fputs("could not take the clipboard\n", stderr);
        return 1;
    }
    // Like xclip: once another client takes the clipboard there is nothing
    // left to serve.
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
        if (!clipboard->ownsClipboard())
            QCoreApplication::quit();
    });
    std::puts("owning clipboard");
    std::fflush(stdout);
    return app.exec();
}
