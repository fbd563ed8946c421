#include "desktop/desktop_shell.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace quillon::platform {

void PrintTo(const LaunchPlan& plan, std::ostream* out) {
    *out << "{result " << plan.result << ", argv";
    for (const std::string& argument : plan.argv) {
        *out << " [" << argument << "]";
    }
    *out << ", folder [" << plan.workingFolder << "], viewed [" << plan.viewedFile << "]}";
}

namespace {

using Argv = std::vector<std::string>;

TEST(DesktopEntry, ReadsTheLaunchKeysOfTheDesktopEntryGroupOnly) {
    const auto entry =
        parseDesktopEntry("# comment\n[Desktop Entry]\nName=Text Editor\nName[fr]=Editeur\n"
                          "Exec = gedit --new-window %U\nPath=/srv/work\\sarea\nTerminal=true\n"
                          "[Desktop Action new-window]\nExec=gedit --other\nHidden=true\n",
                          "/usr/share/applications/gedit.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Text Editor");
    EXPECT_EQ(entry->exec, "gedit --new-window %U");
    EXPECT_EQ(entry->workingFolder, "/srv/work area");
    EXPECT_TRUE(entry->terminal);
    EXPECT_FALSE(entry->hidden);
    EXPECT_FALSE(parseDesktopEntry("[Other]\nExec=x\n", ""));
}

DesktopEntry entryWith(std::string exec) {
    return DesktopEntry{"/apps/editor.desktop", "Editor", "editor-icon", std::move(exec), "", false, false};
}

TEST(ExpandExec, FieldCodesAndQuotingFollowTheDesktopEntryRules) {
    const struct {
        const char* exec;
        const char* item;
        bool local;
        std::optional<Argv> argv;
    } cases[] = {
        {"firefox %u", "/tmp/a b#c.html", true, Argv{"firefox", "file:///tmp/a%20b%23c.html"}},
        {"mail %f", "mailto:a@b.org;c@d.org", false, Argv{"mail", "mailto:a@b.org;c@d.org"}},
        // No file code: the item is still given, as the desktops do; an empty item leaves the codes out.
        {"plain-editor", "/tmp/x.txt", true, Argv{"plain-editor", "/tmp/x.txt"}},
        {"gedit --new %U", "", true, Argv{"gedit", "--new"}},
        {"editor %i --name=%c %k %% %d %F %U", "/x", true,
         Argv{"editor", "--icon", "editor-icon", "--name=Editor", "/apps/editor.desktop", "%", "", "/x"}},
        {"\"/opt/My Editor/bin/ed\" \"arg with \\\"quote\\\" and \\\\ \\$x\" %f", "/y", true,
         Argv{"/opt/My Editor/bin/ed", "arg with \"quote\" and \\ $x", "/y"}},
        {"", "/x", true, std::nullopt},
        {"ed \"unterminated %f", "/x", true, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(expandExec(entryWith(c.exec), c.item, c.local), c.argv) << c.exec;
    }
}

TEST(Addresses, FileUrlsSchemesCommandLinesAndAbsolutePaths) {
    EXPECT_EQ(fileUrlFor("/tmp/a b#c?d%e\"f'g.txt"), "file:///tmp/a%20b%23c%3Fd%25e%22f%27g.txt");
    EXPECT_EQ(localPathOfFileUrl("FILE://localhost/tmp/a%20b%23c.txt"), "/tmp/a b#c.txt");
    EXPECT_EQ(localPathOfFileUrl("file:///tmp/100%"), "/tmp/100%");
    EXPECT_FALSE(localPathOfFileUrl("file://server/share/x"));
    EXPECT_EQ(urlScheme("svn+ssh://host"), "svn+ssh");
    // Drive letters, paths and names are no schemes.
    for (const char* none : {"C:\\Program Files\\a.txt", "/tmp/a:b", "my file:x", "1abc:x"}) {
        EXPECT_EQ(urlScheme(none), "") << none;
    }
    EXPECT_EQ(splitCommandLine("  -q --title=\"My Page\" say \\\"hi\\\" \"\""),
              (Argv{"-q", "--title=My Page", "say", "\"hi\"", ""}));
    EXPECT_EQ(absolutePath("-rf", "/c/"), "/c/-rf");
}

// A desktop described by tables; it starts nothing. Files are text/plain unless told.
class TableDesktop final : public Desktop {
public:
    std::map<std::string, PathState> paths;
    std::map<std::string, std::vector<std::string>> mimeTypes;
    std::map<std::string, std::string> defaults;
    std::map<std::string, DesktopEntry> entries;
    std::map<std::string, std::string> executables;
    std::map<std::string, std::string> environment;
    bool startWorks = true;
    std::vector<Argv> started;
    std::vector<std::string> viewed;

    std::string currentFolder() const override { return "/home/ann"; }
    PathState pathState(const std::string& path) const override {
        return paths.contains(path) ? paths.at(path) : PathState::Missing;
    }
    std::vector<std::string> mimeTypesOf(const std::string& path) const override {
        return mimeTypes.contains(path) ? mimeTypes.at(path)
                                        : std::vector<std::string>{"application/octet-stream"};
    }
    std::string defaultApplication(const std::string& type) const override {
        return defaults.contains(type) ? defaults.at(type) : "";
    }
    std::optional<DesktopEntry> desktopEntry(const std::string& id) const override {
        return entries.contains(id) ? std::optional(entries.at(id)) : std::nullopt;
    }
    std::string findExecutable(const std::string& program) const override {
        return executables.contains(program) ? executables.at(program) : "";
    }
    bool startDetached(const Argv& argv, const std::string&) override {
        started.push_back(argv);
        return startWorks;
    }
    std::string environmentVariable(const std::string& name) const override {
        return environment.contains(name) ? environment.at(name) : "";
    }
    void showInViewer(const std::string& path) override { viewed.push_back(path); }

    void addFile(const std::string& path, std::vector<std::string> types) {
        paths[path] = PathState::File;
        mimeTypes[path] = std::move(types);
    }
    // An application in /usr/bin, made the default for `type`.
    void addApplication(const std::string& type, const std::string& exec, bool terminal = false) {
        const std::string program = exec.substr(0, exec.find(' '));
        entries[program + ".desktop"] = DesktopEntry{"", "", "", exec, "", terminal, false};
        executables[program] = "/usr/bin/" + program;
        defaults[type] = program + ".desktop";
    }
};

LaunchPlan starts(Argv argv, std::string folder = "") {
    return LaunchPlan{shellresult::Accepted, std::move(argv), std::move(folder), {}};
}
LaunchPlan fails(std::int32_t result) {
    return LaunchPlan{result, {}, {}, {}};
}
LaunchPlan views(std::string file) {
    return LaunchPlan{shellresult::Accepted, {}, {}, std::move(file)};
}

class PlanShellExecute : public testing::Test {
protected:
    PlanShellExecute() {
        for (const char* folder : {"/home/ann", "/tmp", "/home/ann/site"}) {
            desktop.paths[folder] = PathState::Directory;
        }
        desktop.mimeTypes["/home/ann/site"] = {"inode/directory"};
        desktop.addFile("/home/ann/site/page one.html", {"text/html", "text/plain"});
        desktop.addFile("/home/ann/Form1.frm", {"text/x-vb", "text/plain"});
        desktop.paths["/home/ann/data.bin"] = PathState::File;
        desktop.paths["/home/ann/site/missing/x.html"] = PathState::FolderMissing;
        desktop.paths["/root/secret.txt"] = PathState::AccessDenied;
        desktop.executables["convert"] = "/usr/bin/convert";
        desktop.addApplication("text/html", "firefox %u");
        desktop.addApplication("x-scheme-handler/https", "firefox %u");
        desktop.addApplication("text/plain", "gedit %U");
        desktop.addApplication("x-scheme-handler/mailto", "thunderbird %u");
        desktop.addApplication("inode/directory", "nautilus --new-window %U");
    }

    LaunchPlan plan(std::string target, std::string parameters = "", std::string folder = "",
                    std::string operation = "open") {
        return planShellExecute(shellRequestFor(target, ShowDefault, parameters, folder, operation, 0),
                                desktop);
    }

    TableDesktop desktop;
};

TEST_F(PlanShellExecute, EachKindOfTargetGetsItsApplicationOrTheShellsError) {
    const std::string awkward = "/home/ann/My \"quoted\" #1 'file'.txt";
    const std::string page = "file:///home/ann/site/page%20one.html";
    const struct {
        const char* target;
        const char* parameters;
        const char* folder;
        LaunchPlan plan;
    } cases[] = {
        // A document opens in the application of its type, or of the type it derives from.
        {"site/page one.html", "", "", starts({"/usr/bin/firefox", page})},
        {"Form1.frm", "", "", starts({"/usr/bin/gedit", "file:///home/ann/Form1.frm"})},
        {"/home/ann/site", "", "", starts({"/usr/bin/nautilus", "--new-window", "file:///home/ann/site"})},
        {"/home/ann/data.bin", "", "", fails(shellresult::NoAssociation)},
        // File errors follow the shell's codes.
        {"/home/ann/not yet written.html", "", "", fails(shellresult::FileNotFound)},
        {"/home/ann/site/missing/x.html", "", "", fails(shellresult::PathNotFound)},
        {"/root/secret.txt", "", "", fails(shellresult::AccessDenied)},
        {"notepad", "x.txt", "/no/such/folder", fails(shellresult::PathNotFound)},
        // Addresses open in the handler of their scheme; for http the application for pages.
        {"https://example.org/a b?c=d#e", "", "",
         starts({"/usr/bin/firefox", "https://example.org/a b?c=d#e"})},
        {"mailto:ann@example.org;bob@example.org", "", "",
         starts({"/usr/bin/thunderbird", "mailto:ann@example.org;bob@example.org"})},
        {"gopher://old.example.org", "", "", fails(shellresult::NoAssociation)},
        // Notepad opens the file in the plain-text editor as one argument; quotes around the
        // whole name are the command line's unless the name has them; "-rf" is no option.
        {"notepad", awkward.c_str(), "", starts({"/usr/bin/gedit", fileUrlFor(awkward)})},
        {"notepad", "\"/tmp/a b.txt\"", "", starts({"/usr/bin/gedit", "file:///tmp/a%20b.txt"})},
        {"notepad", "-rf", "/tmp", starts({"/usr/bin/gedit", "file:///tmp/-rf"}, "/tmp")},
        // A program is started directly only when given parameters.
        {"convert", "\"in put.png\" out.jpg", "", starts({"/usr/bin/convert", "in put.png", "out.jpg"})},
        {"convert", "", "", fails(shellresult::FileNotFound)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plan(c.target, c.parameters, c.folder), c.plan)
            << c.target << " [" << c.parameters << "] in [" << c.folder << "]";
    }
    // Only the open verb is known.
    EXPECT_EQ(plan("/home/ann/Form1.frm", "", "", "OPEN"), plan("/home/ann/Form1.frm"));
    EXPECT_EQ(plan("/home/ann/Form1.frm", "", "", "print"), fails(shellresult::NoAssociation));
}

TEST_F(PlanShellExecute, RawBytesViewerServesOnlyFilesThatAreNothingElseAndABrokenOneIsIncomplete) {
    desktop.addApplication("application/octet-stream", "hexedit %f");
    desktop.addFile("/home/ann/notes.tex", {"text/x-tex", "application/octet-stream"});
    EXPECT_EQ(plan("/home/ann/notes.tex"), starts({"/usr/bin/gedit", "file:///home/ann/notes.tex"}))
        << "a text file goes to the text editor";
    EXPECT_EQ(plan("/home/ann/data.bin"), starts({"/usr/bin/hexedit", "/home/ann/data.bin"}));
    for (const char* exec : {"not-installed %f", "firefox \"broken", "firefox %f"}) {
        desktop.entries["hexedit.desktop"] = entryWith(exec);
        desktop.entries["hexedit.desktop"].hidden = std::string_view(exec) == "firefox %f";
        EXPECT_EQ(plan("/home/ann/data.bin"), fails(shellresult::IncompleteAssociation)) << exec;
    }
}

TEST_F(PlanShellExecute, WithoutAnApplicationTheBrowserCommandOrATerminalOrAKnownEditorServes) {
    desktop.defaults.erase("text/html");
    desktop.executables["x-www-browser"] = "/usr/bin/x-www-browser";
    EXPECT_EQ(plan("http://example.org"), starts({"/usr/bin/x-www-browser", "http://example.org"}));
    desktop.addApplication("text/plain", "vim %F", /*terminal=*/true);
    desktop.executables["xterm"] = "/usr/bin/xterm";
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), starts({"/usr/bin/xterm", "-e", "/usr/bin/vim", "/tmp/x.txt"}));
    desktop.executables = {{"mousepad", "/usr/bin/mousepad"}};
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), starts({"/usr/bin/mousepad", "/tmp/x.txt"}));
    desktop.executables.clear();
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), fails(shellresult::IncompleteAssociation));
    desktop.defaults.erase("text/plain");
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), fails(shellresult::NoAssociation));
}

// A text file of a type nothing opens, or the notepad of the viewing buttons, falls back in
// this order; a file of another kind does not.
TEST_F(PlanShellExecute, ATextFileNothingOpensFallsBackToTheEditorsOfTheUserThenTheViewer) {
    const std::string module = "/home/ann/Module1.bas";
    desktop.addFile(module, {"text/x-vbasic", "text/plain"});
    desktop.defaults.erase("text/plain");
    desktop.executables.erase("gedit");
    desktop.executables.insert({{"xterm", "/usr/bin/xterm"},
                                {"vim", "/usr/bin/vim"},
                                {"nano", "/bin/nano"},
                                {"mousepad", "/usr/bin/mousepad"}});
    desktop.environment = {{"VISUAL", "vim -p"}, {"EDITOR", "nano"}};
    const std::vector<std::function<void()>> removals = {
        [&] { desktop.environment.erase("VISUAL"); },
        [&] { desktop.executables.erase("xterm"); },
        [&] { desktop.executables.erase("mousepad"); },
    };
    const LaunchPlan expected[] = {
        starts({"/usr/bin/xterm", "-e", "/usr/bin/vim", "-p", module}),
        starts({"/usr/bin/xterm", "-e", "/bin/nano", module}),
        starts({"/usr/bin/mousepad", module}),
        views(module),
    };
    for (std::size_t step = 0; step < std::size(expected); ++step) {
        if (step > 0) {
            removals[step - 1]();
        }
        EXPECT_EQ(plan(module), expected[step]) << "step " << step;
        EXPECT_EQ(plan("notepad", module), expected[step]) << "step " << step;
    }
    EXPECT_EQ(plan("/home/ann/data.bin"), fails(shellresult::NoAssociation));
    EXPECT_EQ(plan("notepad", "/home/ann/not yet written.txt"), fails(shellresult::NoAssociation));
    DesktopShell shell(desktop);
    EXPECT_EQ(shell.ShellExecuteA(shellRequestFor(module, ShowDefault, "", "", "open", 0)),
              shellresult::Accepted);
    EXPECT_EQ(desktop.viewed, std::vector<std::string>{module});
    EXPECT_TRUE(desktop.started.empty());
}

TEST_F(PlanShellExecute, ShellStartsThePlanOrGivesItsError) {
    DesktopShell shell(desktop);
    const auto open = [&](const char* target) {
        return shell.ShellExecuteA(shellRequestFor(target, ShowDefault, "", "", "open", 0));
    };
    EXPECT_EQ(open("/home/ann/Form1.frm"), shellresult::Accepted);
    EXPECT_EQ(desktop.started, (std::vector<Argv>{{"/usr/bin/gedit", "file:///home/ann/Form1.frm"}}));
    EXPECT_EQ(open("/home/ann/none"), shellresult::FileNotFound);
    desktop.startWorks = false;
    EXPECT_EQ(open("/home/ann/Form1.frm"), shellresult::OtherFailure);
}

} // namespace
} // namespace quillon::platform
