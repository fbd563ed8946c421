#pragma once
// Every platform service the window uses, built once on the window and handed out through
// the interfaces, so the window and its tests see nothing of Qt's dialogs.

#include "desktop/desktop_shell.h"
#include "desktop/document_opener.h"
#include "desktop/qt/qt_clipboard.h"
#include "desktop/qt/qt_common_dialogs.h"
#include "desktop/qt/qt_desktop.h"
#include "desktop/qt/qt_file_dialogs.h"
#include "desktop/qt/qt_message_boxes.h"
#include "desktop/qt/qt_settings_store.h"

#include <QWidget>

namespace quillon::platform {

class QtPlatform {
public:
    // `window` parents every dialog and box; it must outlive this object's use.
    explicit QtPlatform(QWidget* window, std::string folder = applicationFolder());
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    FileDialogs& fileDialogs() { return fileDialogs_; }
    ColourDialog& colourDialog() { return commonDialog_; }
    FontDialog& fontDialog() { return commonDialog_; }
    MessageBoxes& messageBoxes() { return messageBoxes_; }
    DocumentOpener& documentOpener() { return opener_; }
    lang::SettingsStore& settingsStore() { return settings_; }
    Clipboard& clipboard() { return clipboard_; }

private:
    QtFileDialogs fileDialogs_;
    QtCommonDialog commonDialog_;
    QtMessageBoxes messageBoxes_;
    QtDesktop desktop_;
    DesktopShell shell_;
    ShellDocumentOpener opener_;
    QtSettingsStore settings_;
    QtClipboard clipboard_;
};

} // namespace quillon::platform
