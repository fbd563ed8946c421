#include "desktop/desktop_shell.h"

#include "base/ascii_text.h"

#include <algorithm>
#include <array>
#include <utility>

namespace quillon::platform {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The escapes of a desktop file's string values. Any other backslash pair is left for the
// Exec quoting rules, which many files rely on writing as \" directly.
std::string unescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[i + 1];
            const char* replacement = nullptr;
            switch (next) {
            case 's':
                replacement = " ";
                break;
            case 'n':
                replacement = "\n";
                break;
            case 't':
                replacement = "\t";
                break;
            case 'r':
                replacement = "\r";
                break;
            case '\\':
                replacement = "\\";
                break;
            default:
                break;
            }
            if (replacement != nullptr) {
                out += replacement;
                ++i;
                continue;
            }
        }
        out += value[i];
    }
    return out;
}

std::optional<std::vector<std::string>> splitExec(std::string_view exec) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size() &&
                std::string_view("\"`$\\").find(exec[i + 1]) != std::string_view::npos) {
                word += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (isBlank(c)) {
            if (inWord) {
                words.push_back(std::move(word));
                word.clear();
                inWord = false;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::string percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
            hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The notepad of the classic desktop; any of these names means the plain-text editor.
bool namesNotepad(std::string_view target) {
    return equalsIgnoringAsciiCase(target, "notepad") || equalsIgnoringAsciiCase(target, "notepad.exe");
}

// Editors tried, in this order, when the desktop names no usable one for plain text.
constexpr std::array<std::string_view, 10> KnownTextEditors{
    "gnome-text-editor", "gedit",   "kate", "kwrite", "mousepad", "pluma", "xed",
    "featherpad",        "leafpad", "geany"};

constexpr std::string_view RawBytesType = "application/octet-stream";

constexpr std::array<std::string_view, 2> TerminalEmulators{"x-terminal-emulator", "xterm"};

// The user's own editors, most wanted first; they run in a terminal.
constexpr std::array<std::string_view, 2> EditorVariables{"VISUAL", "EDITOR"};

bool isTextType(const std::vector<std::string>& types) {
    return std::ranges::any_of(types, [](const std::string& type) { return type.starts_with("text/"); });
}

class Planner {
public:
    Planner(const ShellRequest& request, const Desktop& desktop) : request_(request), desktop_(desktop) {}

    LaunchPlan plan() {
        const std::string verb = asciiLower(request_.operation);
        if (!verb.empty() && verb != "open") {
            return failed(shellresult::NoAssociation);
        }
        const std::string& target = request_.target;
        if (target.empty()) {
            return failed(shellresult::FileNotFound);
        }
        cwd_ = desktop_.currentFolder();
        if (!request_.folder.empty()) {
            workingFolder_ = absolutePath(request_.folder, cwd_);
            if (desktop_.pathState(workingFolder_) != PathState::Directory) {
                return failed(shellresult::PathNotFound);
            }
        }
        if (namesNotepad(target)) {
            return textEditor();
        }
        if (std::string scheme = urlScheme(target); !scheme.empty()) {
            if (scheme == "file") {
                if (std::optional<std::string> path = localPathOfFileUrl(target)) {
                    return document(*path);
                }
            } else if (desktop_.pathState(absolutePath(target, cwd_)) != PathState::File) {
                return address(target, scheme);
            }
        }
        const std::string path = absolutePath(target, cwd_);
        const PathState state = desktop_.pathState(path);
        if (startsWithIgnoringCase(target, "www.") &&
            (state == PathState::Missing || state == PathState::FolderMissing)) {
            return address("http://" + target, "http");
        }
        // Only the call form with parameters or a folder starts a program, so that a view
        // button given a typed name never runs it.
        if (!request_.parameters.empty() || !request_.folder.empty()) {
            const bool bareName = target.find('/') == std::string::npos;
            const std::string candidate = state == PathState::File ? path : bareName ? target : std::string();
            if (std::string program = candidate.empty() ? std::string() : desktop_.findExecutable(candidate);
                !program.empty()) {
                LaunchPlan plan = started({std::move(program)});
                for (std::string& argument : splitCommandLine(request_.parameters)) {
                    plan.argv.push_back(std::move(argument));
                }
                return plan;
            }
        }
        return document(path);
    }

private:
    LaunchPlan failed(std::int32_t result) const {
        LaunchPlan plan;
        plan.result = result;
        return plan;
    }

    LaunchPlan started(std::vector<std::string> argv, const std::string& entryFolder = {}) const {
        LaunchPlan plan;
        plan.argv = std::move(argv);
        plan.workingFolder = !workingFolder_.empty() ? workingFolder_ : entryFolder;
        return plan;
    }

    // The command that opens `item` with the application of desktop-file id `id`; nothing
    // when the entry is missing or names a program that is not there.
    std::optional<LaunchPlan> withApplication(const std::string& id, const std::string& item, bool local) {
        const std::optional<DesktopEntry> entry = desktop_.desktopEntry(id);
        if (!entry || entry->hidden) {
            return std::nullopt;
        }
        std::optional<std::vector<std::string>> argv = expandExec(*entry, item, local);
        if (!argv || argv->empty()) {
            return std::nullopt;
        }
        std::string program = desktop_.findExecutable(argv->front());
        if (program.empty()) {
            return std::nullopt;
        }
        argv->front() = std::move(program);
        if (entry->terminal) {
            const std::string terminal = terminalEmulator();
            if (terminal.empty()) {
                return std::nullopt;
            }
            argv->insert(argv->begin(), {terminal, "-e"});
        }
        return started(std::move(*argv), entry->workingFolder);
    }

    std::string terminalEmulator() const {
        for (std::string_view name : TerminalEmulators) {
            if (std::string terminal = desktop_.findExecutable(std::string(name)); !terminal.empty()) {
                return terminal;
            }
        }
        return {};
    }

    // $VISUAL or $EDITOR, which may carry options ("emacs -nw"), in a terminal.
    std::optional<LaunchPlan> editorOfTheUser(const std::string& file) const {
        for (std::string_view variable : EditorVariables) {
            std::vector<std::string> argv =
                splitCommandLine(desktop_.environmentVariable(std::string(variable)));
            if (argv.empty()) {
                continue;
            }
            std::string program = desktop_.findExecutable(argv.front());
            const std::string terminal = program.empty() ? std::string() : terminalEmulator();
            if (terminal.empty()) {
                continue;
            }
            argv.front() = std::move(program);
            argv.insert(argv.begin(), {terminal, "-e"});
            if (!file.empty()) {
                argv.push_back(file);
            }
            return started(std::move(argv));
        }
        return std::nullopt;
    }

    // The first usable application among the defaults of `types`.
    std::optional<LaunchPlan> withDefaultOf(const std::vector<std::string>& types, const std::string& item,
                                            bool local) {
        for (const std::string& type : types) {
            const std::string id = desktop_.defaultApplication(type);
            if (id.empty()) {
                continue;
            }
            if (std::optional<LaunchPlan> plan = withApplication(id, item, local)) {
                return plan;
            }
            associationBroken_ = true;
        }
        return std::nullopt;
    }

    std::int32_t noApplication() const {
        return associationBroken_ ? shellresult::IncompleteAssociation : shellresult::NoAssociation;
    }

    LaunchPlan textEditor() {
        // The classic editor takes its whole command line as one file name, quotes optional.
        std::string file = request_.parameters;
        if (!file.empty()) {
            const std::string asGiven = absolutePath(file, workingFolder_.empty() ? cwd_ : workingFolder_);
            if (file.size() >= 2 && file.front() == '"' && file.back() == '"' &&
                desktop_.pathState(asGiven) != PathState::File) {
                file = file.substr(1, file.size() - 2);
            }
            file = absolutePath(file, workingFolder_.empty() ? cwd_ : workingFolder_);
        }
        return inTextEditor(file);
    }

    LaunchPlan inTextEditor(const std::string& file) {
        if (std::optional<LaunchPlan> plan = withDefaultOf({"text/plain"}, file, true)) {
            return std::move(*plan);
        }
        if (std::optional<LaunchPlan> plan = editorOfTheUser(file)) {
            return std::move(*plan);
        }
        for (std::string_view editor : KnownTextEditors) {
            if (std::string program = desktop_.findExecutable(std::string(editor)); !program.empty()) {
                std::vector<std::string> argv{std::move(program)};
                if (!file.empty()) {
                    argv.push_back(file);
                }
                return started(std::move(argv));
            }
        }
        // The viewer shows what exists; an editor would have created a missing file.
        if (!file.empty() && desktop_.pathState(file) == PathState::File) {
            LaunchPlan plan;
            plan.viewedFile = file;
            return plan;
        }
        return failed(noApplication());
    }

    LaunchPlan address(const std::string& url, const std::string& scheme) {
        std::vector<std::string> types{"x-scheme-handler/" + scheme};
        const bool web = scheme == "http" || scheme == "https";
        if (web) {
            types.emplace_back("text/html");
        }
        if (std::optional<LaunchPlan> plan = withDefaultOf(types, url, false)) {
            return std::move(*plan);
        }
        if (web) {
            if (std::string browser = desktop_.findExecutable("x-www-browser"); !browser.empty()) {
                return started({std::move(browser), url});
            }
        }
        return failed(noApplication());
    }

    LaunchPlan document(const std::string& path) {
        switch (desktop_.pathState(path)) {
        case PathState::Missing:
            return failed(shellresult::FileNotFound);
        case PathState::FolderMissing:
            return failed(shellresult::PathNotFound);
        case PathState::AccessDenied:
            return failed(shellresult::AccessDenied);
        case PathState::File:
        case PathState::Directory:
            break;
        }
        // Every type derives from raw bytes in the end; a viewer of raw bytes is no
        // association for a file the desktop knows more about.
        std::vector<std::string> types = desktop_.mimeTypesOf(path);
        if (types.size() > 1) {
            std::erase(types, std::string(RawBytesType));
        }
        if (std::optional<LaunchPlan> plan = withDefaultOf(types, path, true)) {
            return std::move(*plan);
        }
        if (isTextType(types) && desktop_.pathState(path) == PathState::File) {
            return inTextEditor(path);
        }
        return failed(noApplication());
    }

    const ShellRequest& request_;
    const Desktop& desktop_;
    std::string cwd_;
    std::string workingFolder_;
    bool associationBroken_ = false;
};

} // namespace

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text, std::string location) {
    DesktopEntry entry;
    entry.location = std::move(location);
    bool found = false;
    bool inEntry = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            inEntry = line == "[Desktop Entry]";
            found = found || inEntry;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inEntry || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string value = unescapeValue(trimmed(line.substr(equals + 1)));
        if (key == "Exec") {
            entry.exec = value;
        } else if (key == "Name") {
            entry.name = value;
        } else if (key == "Icon") {
            entry.icon = value;
        } else if (key == "Path") {
            entry.workingFolder = value;
        } else if (key == "Terminal") {
            entry.terminal = value == "true";
        } else if (key == "Hidden") {
            entry.hidden = value == "true";
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return entry;
}

std::optional<std::vector<std::string>> expandExec(const DesktopEntry& entry, const std::string& item,
                                                   bool itemIsLocalFile) {
    std::optional<std::vector<std::string>> words = splitExec(entry.exec);
    if (!words || words->empty()) {
        return std::nullopt;
    }
    const std::string asFile = item;
    const std::string asUrl = itemIsLocalFile && !item.empty() ? fileUrlFor(item) : item;
    bool itemPlaced = false;
    std::vector<std::string> argv;
    for (const std::string& word : *words) {
        if (word == "%f" || word == "%F" || word == "%u" || word == "%U") {
            if (!item.empty() && !itemPlaced) {
                argv.push_back(word == "%f" || word == "%F" ? asFile : asUrl);
            }
            itemPlaced = true;
            continue;
        }
        if (word == "%i") {
            if (!entry.icon.empty()) {
                argv.emplace_back("--icon");
                argv.push_back(entry.icon);
            }
            continue;
        }
        std::string expanded;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 == word.size()) {
                expanded += word[i];
                continue;
            }
            switch (word[++i]) {
            case '%':
                expanded += '%';
                break;
            case 'f':
            case 'F':
                expanded += asFile;
                itemPlaced = true;
                break;
            case 'u':
            case 'U':
                expanded += asUrl;
                itemPlaced = true;
                break;
            case 'c':
                expanded += entry.name;
                break;
            case 'k':
                expanded += entry.location;
                break;
            default:
                // Deprecated and unknown codes are dropped, as desktop files expect.
                break;
            }
        }
        argv.push_back(std::move(expanded));
    }
    // An application that declares no file argument is still given the item, as the
    // desktops themselves do.
    if (!itemPlaced && !item.empty()) {
        argv.push_back(itemIsLocalFile ? asFile : asUrl);
    }
    return argv;
}

std::string fileUrlFor(std::string_view absolutePath) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : absolutePath) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                           byte == '~' || byte == '/';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += digits[byte >> 4];
            url += digits[byte & 0x0F];
        }
    }
    return url;
}

std::optional<std::string> localPathOfFileUrl(std::string_view url) {
    if (!startsWithIgnoringCase(url, "file:")) {
        return std::nullopt;
    }
    std::string_view rest = url.substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        std::string_view host = rest.substr(0, rest.find('/'));
        if (!host.empty() && !equalsIgnoringAsciiCase(host, "localhost")) {
            return std::nullopt;
        }
        rest.remove_prefix(host.size());
    }
    if (!rest.starts_with('/')) {
        return std::nullopt;
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    return percentDecoded(rest);
}

std::string urlScheme(std::string_view target) {
    const std::size_t colon = target.find(':');
    // One letter before the colon is a drive, not a scheme.
    if (colon == std::string_view::npos || colon < 2) {
        return {};
    }
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (!letter(target.front())) {
        return {};
    }
    for (const char c : target.substr(1, colon - 1)) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return {};
        }
    }
    return asciiLower(target.substr(0, colon));
}

std::vector<std::string> splitCommandLine(std::string_view parameters) {
    std::vector<std::string> arguments;
    std::string argument;
    bool inArgument = false;
    bool quoted = false;
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const char c = parameters[i];
        if (c == '\\' && i + 1 < parameters.size() && parameters[i + 1] == '"') {
            argument += '"';
            inArgument = true;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && isBlank(c)) {
            if (inArgument) {
                arguments.push_back(std::move(argument));
                argument.clear();
                inArgument = false;
            }
        } else {
            argument += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string absolutePath(std::string_view path, std::string_view base) {
    if (path.starts_with('/')) {
        return std::string(path);
    }
    std::string joined(base);
    if (joined.empty() || joined.back() != '/') {
        joined += '/';
    }
    joined += path;
    return joined;
}

LaunchPlan planShellExecute(const ShellRequest& request, const Desktop& desktop) {
    return Planner(request, desktop).plan();
}

std::int32_t DesktopShell::ShellExecuteA(const ShellRequest& request) {
    const LaunchPlan plan = planShellExecute(request, desktop_);
    if (!plan.viewedFile.empty()) {
        desktop_.showInViewer(plan.viewedFile);
        return shellresult::Accepted;
    }
    if (plan.argv.empty()) {
        return plan.result;
    }
    return desktop_.startDetached(plan.argv, plan.workingFolder) ? shellresult::Accepted
                                                                 : shellresult::OtherFailure;
}

} // namespace quillon::platform
