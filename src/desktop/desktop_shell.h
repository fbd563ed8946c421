#pragma once
// The shell call carried out on a freedesktop.org desktop: a document or a folder opens in
// the application the desktop associates with its MIME type, an address in the handler of
// its scheme, "notepad" in the desktop's plain-text editor, and a program named with
// parameters is started directly. A text file that nothing is associated with still opens
// in the user's text editor: the desktop's one for plain text, else $VISUAL or $EDITOR in a
// terminal, else a known editor, else the program's own read-only viewer. Nothing is
// waited for. What to start, or which shell
// error to give, is decided here from what the Desktop interface reports, so the decision
// is tested without starting anything.

#include "desktop/document_opener.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform {

enum class PathState { File, Directory, Missing, FolderMissing, AccessDenied };

// The launch part of a desktop file's "[Desktop Entry]" group.
struct DesktopEntry {
    std::string location; // the desktop file itself, for the %k field code
    std::string name;
    std::string icon;
    std::string exec; // string escapes already resolved; quoting and field codes not yet
    std::string workingFolder;
    bool terminal = false;
    bool hidden = false;
};

// Nothing when the text has no "[Desktop Entry]" group.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string location);

// The command line that opens `item` with the entry: the Exec value split by its quoting
// rules and its field codes expanded, `item` always one argument of its own. `item` is an
// absolute local path when `itemIsLocalFile`, an address otherwise; an empty item opens the
// application alone. Nothing when Exec is empty or its quoting is broken.
std::optional<std::vector<std::string>> expandExec(const DesktopEntry& entry, const std::string& item,
                                                   bool itemIsLocalFile);

// "file:///tmp/a%20b%23c.txt" for "/tmp/a b#c.txt".
std::string fileUrlFor(std::string_view absolutePath);
// The local path a "file:" address names; nothing for other addresses or remote hosts.
std::optional<std::string> localPathOfFileUrl(std::string_view url);
// The lower-case scheme of an address ("https", "mailto"); empty when `target` is none.
std::string urlScheme(std::string_view target);
// Parameters in the classic command-line form: blanks separate, double quotes group, \"
// is a quote.
std::vector<std::string> splitCommandLine(std::string_view parameters);
// `path` made absolute against `base` (itself absolute).
std::string absolutePath(std::string_view path, std::string_view base);

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual std::string currentFolder() const = 0;
    virtual PathState pathState(const std::string& absolutePath) const = 0;
    // The file's MIME type, then the types it derives from, most specific first.
    virtual std::vector<std::string> mimeTypesOf(const std::string& absolutePath) const = 0;
    // The desktop-file id the desktop opens a MIME type (or "x-scheme-handler/<scheme>")
    // with; empty when there is none.
    virtual std::string defaultApplication(const std::string& mimeType) const = 0;
    virtual std::optional<DesktopEntry> desktopEntry(const std::string& id) const = 0;
    // The absolute path of a program named bare (searched on the PATH) or by its path;
    // empty when there is no such executable.
    virtual std::string findExecutable(const std::string& program) const = 0;
    // Starts argv[0] with the other arguments, without a shell and without waiting.
    virtual bool startDetached(const std::vector<std::string>& argv, const std::string& workingFolder) = 0;
    // The variable's value; empty when it is not set.
    virtual std::string environmentVariable(const std::string& name) const = 0;
    // Shows the text file in a read-only window of the program and returns at once. A file
    // that cannot be shown raises a VbError naming it.
    virtual void showInViewer(const std::string& absolutePath) = 0;
};

struct LaunchPlan {
    std::int32_t result = shellresult::Accepted; // the shell error when nothing is to start
    std::vector<std::string> argv;
    std::string workingFolder;
    // When set, nothing is started: the program's own viewer shows this file.
    std::string viewedFile;

    friend bool operator==(const LaunchPlan&, const LaunchPlan&) = default;
};

LaunchPlan planShellExecute(const ShellRequest& request, const Desktop& desktop);

class DesktopShell final : public Shell {
public:
    explicit DesktopShell(Desktop& desktop) : desktop_(desktop) {}
    // The show mode is not passed on: a desktop gives no way to start another program's
    // window hidden or in a chosen state.
    std::int32_t ShellExecuteA(const ShellRequest& request) override;

private:
    Desktop& desktop_;
};

} // namespace quillon::platform
