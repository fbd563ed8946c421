#include "desktop/desktop_shell.h"

#include <gtest/gtest.h>

#include <map>

namespace quillon::platform {

void PrintTo(const LaunchPlan& plan, std::ostream* out) {
    *out << "{result " << plan.result << ", argv";
    for (const std::string& argument : plan.argv) {
        *out << " [" << argument << "]";
    }
    *out << ", folder [" << plan.workingFolder << "]}";
}

namespace {

using Argv = std::vector<std::string>;

TEST(DesktopEntry, ReadsTheLaunchKeysOfTheDesktopEntryGroupOnly) {
    const auto entry = parseDesktopEntry("# comment\n"
                                         "[Desktop Entry]\n"
                                         "Name=Text Editor\n"
                                         "Name[fr]=Editeur\n"
                                         "Exec = gedit --new-window %U\n"
                                         "Icon=accessories-text-editor\n"
                                         "Path=/srv/work\\sarea\n"
                                         "Terminal=false\n"
                                         "\n"
                                         "[Desktop Action new-window]\n"
                                         "Exec=gedit --other\n"
                                         "Terminal=true\n",
                                         "/usr/share/applications/gedit.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Text Editor");
    EXPECT_EQ(entry->exec, "gedit --new-window %U");
    EXPECT_EQ(entry->icon, "accessories-text-editor");
    EXPECT_EQ(entry->workingFolder, "/srv/work area");
    EXPECT_FALSE(entry->terminal);
    EXPECT_FALSE(entry->hidden);
    EXPECT_EQ(entry->location, "/usr/share/applications/gedit.desktop");

    const auto other =
        parseDesktopEntry("[Desktop Entry]\r\nExec=vim %F\r\nTerminal=true\r\nHidden=true\r\n", "");
    EXPECT_TRUE(other->terminal);
    EXPECT_TRUE(other->hidden);
    EXPECT_FALSE(parseDesktopEntry("[Other]\nExec=x\n", ""));
}

DesktopEntry entryWith(std::string exec) {
    DesktopEntry entry;
    entry.exec = std::move(exec);
    entry.name = "Editor";
    entry.icon = "editor-icon";
    entry.location = "/apps/editor.desktop";
    return entry;
}

TEST(ExpandExec, FieldCodesAndQuotingFollowTheDesktopEntryRules) {
    struct Case {
        const char* exec;
        const char* item;
        bool local;
        std::optional<Argv> argv;
    };
    const Case cases[] = {
        {"gedit %F", "/tmp/a b#c.txt", true, Argv{"gedit", "/tmp/a b#c.txt"}},
        {"gedit %f", "/tmp/-rf", true, Argv{"gedit", "/tmp/-rf"}},
        {"firefox %u", "/tmp/a b#c.html", true, Argv{"firefox", "file:///tmp/a%20b%23c.html"}},
        {"firefox %U", "https://example.org/?q=1", false, Argv{"firefox", "https://example.org/?q=1"}},
        {"mail %f", "mailto:a@b.org;c@d.org", false, Argv{"mail", "mailto:a@b.org;c@d.org"}},
        // No file code: the item is still given, as the desktops do.
        {"plain-editor", "/tmp/x.txt", true, Argv{"plain-editor", "/tmp/x.txt"}},
        // An empty item leaves the codes out.
        {"gedit --new %U", "", true, Argv{"gedit", "--new"}},
        {"editor %i --name=%c %k %% %d %f", "/x", true,
         Argv{"editor", "--icon", "editor-icon", "--name=Editor", "/apps/editor.desktop", "%", "", "/x"}},
        {"editor --file=%f", "/tmp/a b", true, Argv{"editor", "--file=/tmp/a b"}},
        {"\"/opt/My Editor/bin/ed\" \"arg with \\\"quote\\\" and \\\\ \\$x\" %f", "/y", true,
         Argv{"/opt/My Editor/bin/ed", "arg with \"quote\" and \\ $x", "/y"}},
        {"  ed   %f  ", "/y", true, Argv{"ed", "/y"}},
        // Only one item: a second list code adds nothing.
        {"ed %F %U", "/y", true, Argv{"ed", "/y"}},
        {"", "/x", true, std::nullopt},
        {"   ", "/x", true, std::nullopt},
        {"ed \"unterminated %f", "/x", true, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(expandExec(entryWith(c.exec), c.item, c.local), c.argv) << c.exec;
    }
}

TEST(FileUrls, EncodeEverythingButThePlainCharactersAndDecodeBack) {
    EXPECT_EQ(fileUrlFor("/tmp/a b#c?d%e\"f'g.txt"), "file:///tmp/a%20b%23c%3Fd%25e%22f%27g.txt");
    EXPECT_EQ(fileUrlFor("/tmp/caf\xC3\xA9"), "file:///tmp/caf%C3%A9");
    EXPECT_EQ(localPathOfFileUrl("file:///tmp/a%20b%23c.txt"), "/tmp/a b#c.txt");
    EXPECT_EQ(localPathOfFileUrl("FILE://localhost/tmp/x"), "/tmp/x");
    EXPECT_EQ(localPathOfFileUrl("file:/tmp/x#frag"), "/tmp/x");
    EXPECT_EQ(localPathOfFileUrl("file:///tmp/100%"), "/tmp/100%");
    EXPECT_FALSE(localPathOfFileUrl("file://server/share/x"));
    EXPECT_FALSE(localPathOfFileUrl("http://example.org/"));
}

TEST(CommandLines, SchemesSplittingAndAbsolutePaths) {
    EXPECT_EQ(urlScheme("https://example.org"), "https");
    EXPECT_EQ(urlScheme("MAILTO:someone@example.org"), "mailto");
    EXPECT_EQ(urlScheme("svn+ssh://host"), "svn+ssh");
    // Drive letters, paths and names are no schemes.
    for (const char* none : {"C:\\Program Files\\a.txt", "/tmp/a:b", "my file:x", "1abc:x", "notepad"}) {
        EXPECT_EQ(urlScheme(none), "") << none;
    }
    EXPECT_EQ(splitCommandLine(""), Argv{});
    EXPECT_EQ(splitCommandLine("  -q   /tmp/x  "), (Argv{"-q", "/tmp/x"}));
    EXPECT_EQ(splitCommandLine("\"/tmp/a b.txt\" -n"), (Argv{"/tmp/a b.txt", "-n"}));
    EXPECT_EQ(splitCommandLine("--title=\"My Page\""), (Argv{"--title=My Page"}));
    EXPECT_EQ(splitCommandLine("say \\\"hi\\\" \"\""), (Argv{"say", "\"hi\"", ""}));
    EXPECT_EQ(absolutePath("/a/b", "/c"), "/a/b");
    EXPECT_EQ(absolutePath("b.txt", "/c"), "/c/b.txt");
    EXPECT_EQ(absolutePath("-rf", "/c/"), "/c/-rf");
}

template <typename Value>
std::optional<Value> find(const std::map<std::string, Value>& table, const std::string& key) {
    const auto found = table.find(key);
    return found == table.end() ? std::nullopt : std::optional<Value>(found->second);
}

// A desktop described by tables; it starts nothing.
class TableDesktop final : public Desktop {
public:
    std::string cwd = "/home/ann";
    std::map<std::string, PathState> paths;
    std::map<std::string, std::vector<std::string>> mimeTypes;
    std::map<std::string, std::string> defaults;
    std::map<std::string, DesktopEntry> entries;
    std::map<std::string, std::string> executables;
    bool startWorks = true;
    std::vector<std::pair<Argv, std::string>> started;

    std::string currentFolder() const override { return cwd; }
    PathState pathState(const std::string& path) const override {
        return find(paths, path).value_or(PathState::Missing);
    }
    std::vector<std::string> mimeTypesOf(const std::string& path) const override {
        return find(mimeTypes, path).value_or(std::vector<std::string>{"application/octet-stream"});
    }
    std::string defaultApplication(const std::string& type) const override {
        return find(defaults, type).value_or("");
    }
    std::optional<DesktopEntry> desktopEntry(const std::string& id) const override {
        return find(entries, id);
    }
    std::string findExecutable(const std::string& program) const override {
        return find(executables, program).value_or("");
    }
    bool startDetached(const Argv& argv, const std::string& folder) override {
        started.emplace_back(argv, folder);
        return startWorks;
    }

    void addApplication(const std::string& id, const std::string& exec, const std::string& program,
                        bool terminal = false) {
        DesktopEntry entry;
        entry.exec = exec;
        entry.terminal = terminal;
        entries[id] = entry;
        executables[program] = "/usr/bin/" + program;
    }
};

LaunchPlan starts(Argv argv, std::string folder = "") {
    return LaunchPlan{shellresult::Accepted, std::move(argv), std::move(folder)};
}
LaunchPlan fails(std::int32_t result) {
    return LaunchPlan{result, {}, {}};
}

class PlanShellExecute : public testing::Test {
protected:
    PlanShellExecute() {
        for (const char* folder : {"/home/ann", "/tmp", "/home/ann/site"}) {
            desktop.paths[folder] = PathState::Directory;
        }
        desktop.mimeTypes["/home/ann/site"] = {"inode/directory"};
        desktop.paths["/home/ann/site/page one.html"] = PathState::File;
        desktop.mimeTypes["/home/ann/site/page one.html"] = {"text/html", "text/plain"};
        desktop.paths["/home/ann/Form1.frm"] = PathState::File;
        desktop.mimeTypes["/home/ann/Form1.frm"] = {"text/x-vb", "text/plain"};
        desktop.paths["/home/ann/data.bin"] = PathState::File;
        desktop.paths["/home/ann/\"odd\""] = PathState::File;
        desktop.paths["/home/ann/site/missing/x.html"] = PathState::FolderMissing;
        desktop.paths["/root/secret.txt"] = PathState::AccessDenied;
        desktop.paths["/home/ann/bin/tool"] = PathState::File;
        desktop.executables["/home/ann/bin/tool"] = "/home/ann/bin/tool";
        desktop.executables["convert"] = "/usr/bin/convert";
        desktop.executables["reboot"] = "/usr/sbin/reboot";
        desktop.addApplication("firefox.desktop", "firefox %u", "firefox");
        desktop.addApplication("org.gnome.gedit.desktop", "gedit %U", "gedit");
        desktop.addApplication("thunderbird.desktop", "thunderbird %u", "thunderbird");
        desktop.addApplication("nautilus.desktop", "nautilus --new-window %U", "nautilus");
        desktop.defaults["text/html"] = "firefox.desktop";
        desktop.defaults["text/plain"] = "org.gnome.gedit.desktop";
        desktop.defaults["inode/directory"] = "nautilus.desktop";
        desktop.defaults["x-scheme-handler/https"] = "firefox.desktop";
        desktop.defaults["x-scheme-handler/mailto"] = "thunderbird.desktop";
    }

    LaunchPlan plan(std::string target, std::string parameters = "", std::string folder = "",
                    std::string operation = "open") {
        return planShellExecute(shellRequestFor(target, ShowDefault, parameters, folder, operation, 0),
                                desktop);
    }

    TableDesktop desktop;
};

TEST_F(PlanShellExecute, EachKindOfTargetGetsItsApplicationOrTheShellsError) {
    struct Case {
        const char* target;
        const char* parameters;
        const char* folder;
        const char* operation;
        LaunchPlan plan;
    };
    const std::string awkward = "/home/ann/My \"quoted\" #1 'file'.txt";
    const std::string page = "file:///home/ann/site/page%20one.html";
    const std::string form = "file:///home/ann/Form1.frm";
    const Case cases[] = {
        // A document opens in the application of its type, or of the type it derives from.
        {"/home/ann/site/page one.html", "", "", "open", starts({"/usr/bin/firefox", page})},
        {"site/page one.html", "", "", "open", starts({"/usr/bin/firefox", page})},
        {"Form1.frm", "", "", "open", starts({"/usr/bin/gedit", form})},
        {"/home/ann/Form1.frm", "ignored", "", "open", starts({"/usr/bin/gedit", form})},
        {"/home/ann/site", "", "", "open",
         starts({"/usr/bin/nautilus", "--new-window", "file:///home/ann/site"})},
        {"file:///home/ann/site/page%20one.html", "", "", "open", starts({"/usr/bin/firefox", page})},
        {"/home/ann/data.bin", "", "", "open", fails(shellresult::NoAssociation)},
        // File errors follow the shell's codes.
        {"/home/ann/not yet written.html", "", "", "open", fails(shellresult::FileNotFound)},
        {"file:///home/ann/nothing.html", "", "", "open", fails(shellresult::FileNotFound)},
        {"/home/ann/site/missing/x.html", "", "", "open", fails(shellresult::PathNotFound)},
        {"/root/secret.txt", "", "", "open", fails(shellresult::AccessDenied)},
        {"", "", "", "open", fails(shellresult::FileNotFound)},
        {"notepad", "x.txt", "/no/such/folder", "open", fails(shellresult::PathNotFound)},
        // Only the open verb is known.
        {"/home/ann/Form1.frm", "", "", "OPEN", starts({"/usr/bin/gedit", form})},
        {"/home/ann/Form1.frm", "", "", "", starts({"/usr/bin/gedit", form})},
        {"/home/ann/Form1.frm", "", "", "print", fails(shellresult::NoAssociation)},
        // Addresses open in the handler of their scheme; no handler for http itself: the
        // application for pages serves.
        {"https://example.org/a b?c=d#e", "", "", "open",
         starts({"/usr/bin/firefox", "https://example.org/a b?c=d#e"})},
        {"mailto:ann@example.org;bob@example.org", "", "", "open",
         starts({"/usr/bin/thunderbird", "mailto:ann@example.org;bob@example.org"})},
        {"www.example.org", "", "", "open", starts({"/usr/bin/firefox", "http://www.example.org"})},
        {"http://example.org", "", "", "open", starts({"/usr/bin/firefox", "http://example.org"})},
        {"gopher://old.example.org", "", "", "open", fails(shellresult::NoAssociation)},
        // Notepad opens the file in the plain-text editor as one argument.
        {"notepad", awkward.c_str(), "", "open", starts({"/usr/bin/gedit", fileUrlFor(awkward)})},
        {"NOTEPAD.EXE", "header.txt", "", "open", starts({"/usr/bin/gedit", "file:///home/ann/header.txt"})},
        // Quotes around the whole name are the command line's, unless the name has them.
        {"notepad", "\"/tmp/a b.txt\"", "", "open", starts({"/usr/bin/gedit", "file:///tmp/a%20b.txt"})},
        {"notepad", "\"odd\"", "", "open", starts({"/usr/bin/gedit", "file:///home/ann/%22odd%22"})},
        // A leading "-" cannot pass for an option once the path is absolute.
        {"notepad", "-rf", "/tmp", "open", starts({"/usr/bin/gedit", "file:///tmp/-rf"}, "/tmp")},
        {"notepad", "", "", "open", starts({"/usr/bin/gedit"})},
        // A program is started directly only when given parameters.
        {"convert", "\"in put.png\" out.jpg", "", "open",
         starts({"/usr/bin/convert", "in put.png", "out.jpg"})},
        {"bin/tool", "-v", "/home/ann", "open", starts({"/home/ann/bin/tool", "-v"}, "/home/ann")},
        {"reboot", "", "", "open", fails(shellresult::FileNotFound)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plan(c.target, c.parameters, c.folder, c.operation), c.plan)
            << c.target << " [" << c.parameters << "] in [" << c.folder << "] " << c.operation;
    }
}

TEST_F(PlanShellExecute, RawBytesViewerServesOnlyFilesThatAreNothingElse) {
    desktop.addApplication("hexedit.desktop", "hexedit %f", "hexedit");
    desktop.defaults["application/octet-stream"] = "hexedit.desktop";
    desktop.paths["/home/ann/notes.tex"] = PathState::File;
    desktop.mimeTypes["/home/ann/notes.tex"] = {"text/x-tex", "application/octet-stream"};
    EXPECT_EQ(plan("/home/ann/notes.tex"), fails(shellresult::NoAssociation));
    EXPECT_EQ(plan("/home/ann/data.bin"), starts({"/usr/bin/hexedit", "/home/ann/data.bin"}));
}

TEST_F(PlanShellExecute, ApplicationThatCannotRunIsAnIncompleteAssociation) {
    desktop.paths["/home/ann/pic.png"] = PathState::File;
    desktop.mimeTypes["/home/ann/pic.png"] = {"image/png"};
    desktop.defaults["image/png"] = "gone.desktop";
    EXPECT_EQ(plan("/home/ann/pic.png"), fails(shellresult::IncompleteAssociation));
    for (const char* exec : {"not-installed %f", "firefox \"broken", "firefox %f"}) {
        desktop.entries["gone.desktop"] = entryWith(exec);
        desktop.entries["gone.desktop"].hidden = std::string_view(exec) == "firefox %f";
        EXPECT_EQ(plan("/home/ann/pic.png"), fails(shellresult::IncompleteAssociation)) << exec;
    }
}

TEST_F(PlanShellExecute, WebAddressFallsBackToTheBrowserCommand) {
    desktop.defaults.erase("text/html");
    desktop.executables["x-www-browser"] = "/usr/bin/x-www-browser";
    EXPECT_EQ(plan("http://example.org"), starts({"/usr/bin/x-www-browser", "http://example.org"}));
}

TEST_F(PlanShellExecute, TerminalEditorRunsInATerminalOrFallsBackToAKnownEditor) {
    desktop.defaults["text/plain"] = "vim.desktop";
    desktop.addApplication("vim.desktop", "vim %F", "vim", /*terminal=*/true);
    desktop.executables["xterm"] = "/usr/bin/xterm";
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), starts({"/usr/bin/xterm", "-e", "/usr/bin/vim", "/tmp/x.txt"}));
    desktop.executables.erase("xterm");
    desktop.executables.erase("gedit");
    desktop.executables["mousepad"] = "/usr/bin/mousepad";
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), starts({"/usr/bin/mousepad", "/tmp/x.txt"}));
    desktop.executables.erase("mousepad");
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), fails(shellresult::IncompleteAssociation));
    desktop.defaults.erase("text/plain");
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), fails(shellresult::NoAssociation));
}

TEST_F(PlanShellExecute, ShellStartsThePlanOrGivesItsError) {
    DesktopShell shell(desktop);
    const auto open = [&](const char* target) {
        return shell.ShellExecuteA(shellRequestFor(target, ShowDefault, "", "", "open", 0));
    };
    EXPECT_EQ(open("/home/ann/Form1.frm"), shellresult::Accepted);
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].first, (Argv{"/usr/bin/gedit", "file:///home/ann/Form1.frm"}));
    EXPECT_EQ(open("/home/ann/none"), shellresult::FileNotFound);
    desktop.startWorks = false;
    EXPECT_EQ(open("/home/ann/Form1.frm"), shellresult::OtherFailure);
    EXPECT_EQ(desktop.started.size(), 2u);
}

} // namespace
} // namespace quillon::platform
