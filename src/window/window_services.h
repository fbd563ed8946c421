#pragma once
// The platform services the window works through. The program hands it the Qt ones; tests
// hand it fakes, so no test ever waits on a modal window.

#include "desktop/clipboard.h"
#include "desktop/common_dialogs.h"
#include "desktop/document_opener.h"
#include "desktop/file_dialogs.h"
#include "desktop/message_boxes.h"
#include "desktop/settings_store.h"
#include "io/program_folder.h"

#include <string>

namespace quillon::window {

struct WindowServices {
    platform::FileDialogs& fileDialogs;
    platform::ColourDialog& colourDialog;
    platform::FontDialog& fontDialog;
    platform::MessageBoxes& messageBoxes;
    platform::DocumentOpener& documentOpener;
    lang::SettingsStore& settings;
    platform::Clipboard& clipboard;
    // Where header.txt, footer.txt, links.ini and the language files are read from and
    // English.lng is written to: the executable's folder, or the user's and the installed
    // data folder once installed.
    files::ProgramFolder programFolder;
    // Every error the window's procedures trap goes to the standard error box.
    platform::MessageBoxErrorReporter errorReporter{messageBoxes};
};

} // namespace quillon::window
