#include "platform/files/desktop_shell.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

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

    EXPECT_TRUE(parseDesktopEntry("[Desktop Entry]\r\nExec=vim %F\r\nTerminal=true\r\nHidden=true\r\n", "")
                    ->terminal);
    EXPECT_TRUE(parseDesktopEntry("[Desktop Entry]\nHidden=true\n", "")->hidden);
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

struct ExecCase {
    const char* exec;
    const char* item;
    bool local;
    Argv argv;
};

TEST(ExpandExec, FieldCodesAndQuotingFollowTheDesktopEntryRules) {
    const ExecCase cases[] = {
        {"gedit %F", "/tmp/a b#c.txt", true, {"gedit", "/tmp/a b#c.txt"}},
        {"gedit %f", "/tmp/-rf", true, {"gedit", "/tmp/-rf"}},
        {"firefox %u", "/tmp/a b#c.html", true, {"firefox", "file:///tmp/a%20b%23c.html"}},
        {"firefox %U", "https://example.org/?q=1", false, {"firefox", "https://example.org/?q=1"}},
        {"mail %f", "mailto:a@b.org;c@d.org", false, {"mail", "mailto:a@b.org;c@d.org"}},
        // No file code: the item is still given, as the desktops do.
        {"plain-editor", "/tmp/x.txt", true, {"plain-editor", "/tmp/x.txt"}},
        // An empty item leaves the codes out.
        {"gedit --new %U", "", true, {"gedit", "--new"}},
        {"editor %i --name=%c %k %% %d %f",
         "/x",
         true,
         {"editor", "--icon", "editor-icon", "--name=Editor", "/apps/editor.desktop", "%", "", "/x"}},
        {"editor --file=%f", "/tmp/a b", true, {"editor", "--file=/tmp/a b"}},
        {"\"/opt/My Editor/bin/ed\" \"arg with \\\"quote\\\" and \\\\ \\$x\" %f",
         "/y",
         true,
         {"/opt/My Editor/bin/ed", "arg with \"quote\" and \\ $x", "/y"}},
        {"  ed   %f  ", "/y", true, {"ed", "/y"}},
        // Only one item: a second list code adds nothing.
        {"ed %F %U", "/y", true, {"ed", "/y"}},
    };
    for (const ExecCase& c : cases) {
        const auto argv = expandExec(entryWith(c.exec), c.item, c.local);
        ASSERT_TRUE(argv) << c.exec;
        EXPECT_EQ(*argv, c.argv) << c.exec;
    }
}

TEST(ExpandExec, EmptyOrBrokenExecGivesNothing) {
    EXPECT_FALSE(expandExec(entryWith(""), "/x", true));
    EXPECT_FALSE(expandExec(entryWith("   "), "/x", true));
    EXPECT_FALSE(expandExec(entryWith("ed \"unterminated %f"), "/x", true));
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

TEST(UrlScheme, RecognisesSchemesButNotDriveLettersOrPaths) {
    EXPECT_EQ(urlScheme("https://example.org"), "https");
    EXPECT_EQ(urlScheme("MAILTO:someone@example.org"), "mailto");
    EXPECT_EQ(urlScheme("svn+ssh://host"), "svn+ssh");
    EXPECT_EQ(urlScheme("C:\\Program Files\\a.txt"), "");
    EXPECT_EQ(urlScheme("/tmp/a:b"), "");
    EXPECT_EQ(urlScheme("my file:x"), "");
    EXPECT_EQ(urlScheme("1abc:x"), "");
    EXPECT_EQ(urlScheme("notepad"), "");
}

TEST(SplitCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(splitCommandLine(""), Argv{});
    EXPECT_EQ(splitCommandLine("  -q   /tmp/x  "), (Argv{"-q", "/tmp/x"}));
    EXPECT_EQ(splitCommandLine("\"/tmp/a b.txt\" -n"), (Argv{"/tmp/a b.txt", "-n"}));
    EXPECT_EQ(splitCommandLine("--title=\"My Page\""), (Argv{"--title=My Page"}));
    EXPECT_EQ(splitCommandLine("say \\\"hi\\\" \"\""), (Argv{"say", "\"hi\"", ""}));
}

TEST(AbsolutePath, JoinsRelativePathsToTheBase) {
    EXPECT_EQ(absolutePath("/a/b", "/c"), "/a/b");
    EXPECT_EQ(absolutePath("b.txt", "/c"), "/c/b.txt");
    EXPECT_EQ(absolutePath("-rf", "/c/"), "/c/-rf");
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
        const auto found = paths.find(path);
        return found == paths.end() ? PathState::Missing : found->second;
    }
    std::vector<std::string> mimeTypesOf(const std::string& path) const override {
        const auto found = mimeTypes.find(path);
        return found == mimeTypes.end() ? std::vector<std::string>{"application/octet-stream"}
                                        : found->second;
    }
    std::string defaultApplication(const std::string& type) const override {
        const auto found = defaults.find(type);
        return found == defaults.end() ? std::string() : found->second;
    }
    std::optional<DesktopEntry> desktopEntry(const std::string& id) const override {
        const auto found = entries.find(id);
        return found == entries.end() ? std::nullopt : std::optional<DesktopEntry>(found->second);
    }
    std::string findExecutable(const std::string& program) const override {
        const auto found = executables.find(program);
        return found == executables.end() ? std::string() : found->second;
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

class PlanShellExecute : public testing::Test {
protected:
    PlanShellExecute() {
        desktop.paths["/home/ann"] = PathState::Directory;
        desktop.paths["/tmp"] = PathState::Directory;
        desktop.paths["/home/ann/site/page one.html"] = PathState::File;
        desktop.mimeTypes["/home/ann/site/page one.html"] = {"text/html", "text/plain"};
        desktop.paths["/home/ann/Form1.frm"] = PathState::File;
        desktop.mimeTypes["/home/ann/Form1.frm"] = {"text/x-vb", "text/plain"};
        desktop.paths["/home/ann/site/missing/x.html"] = PathState::FolderMissing;
        desktop.paths["/root/secret.txt"] = PathState::AccessDenied;
        desktop.addApplication("firefox.desktop", "firefox %u", "firefox");
        desktop.addApplication("org.gnome.gedit.desktop", "gedit %U", "gedit");
        desktop.addApplication("thunderbird.desktop", "thunderbird %u", "thunderbird");
        desktop.defaults["text/html"] = "firefox.desktop";
        desktop.defaults["text/plain"] = "org.gnome.gedit.desktop";
        desktop.defaults["x-scheme-handler/https"] = "firefox.desktop";
        desktop.defaults["x-scheme-handler/mailto"] = "thunderbird.desktop";
    }

    LaunchPlan plan(std::string target, std::string parameters = "", std::string folder = "",
                    std::string operation = "open") {
        return planShellExecute(shellRequestFor(target, ShowDefault, parameters, folder, operation, 0),
                                desktop);
    }

    static LaunchPlan starts(Argv argv, std::string folder = "") {
        LaunchPlan launch;
        launch.argv = std::move(argv);
        launch.workingFolder = std::move(folder);
        return launch;
    }
    static LaunchPlan fails(std::int32_t result) {
        LaunchPlan launch;
        launch.result = result;
        return launch;
    }

    TableDesktop desktop;
};

TEST_F(PlanShellExecute, DocumentOpensInTheApplicationOfItsType) {
    EXPECT_EQ(plan("/home/ann/site/page one.html"),
              starts({"/usr/bin/firefox", "file:///home/ann/site/page%20one.html"}));
    EXPECT_EQ(plan("site/page one.html"),
              starts({"/usr/bin/firefox", "file:///home/ann/site/page%20one.html"}));
}

TEST_F(PlanShellExecute, DocumentFallsBackToTheTypeItDerivesFrom) {
    EXPECT_EQ(plan("Form1.frm"), starts({"/usr/bin/gedit", "file:///home/ann/Form1.frm"}));
}

TEST_F(PlanShellExecute, FileErrorsFollowTheShellsCodes) {
    EXPECT_EQ(plan("/home/ann/not yet written.html"), fails(shellresult::FileNotFound));
    EXPECT_EQ(plan("/home/ann/site/missing/x.html"), fails(shellresult::PathNotFound));
    EXPECT_EQ(plan("/root/secret.txt"), fails(shellresult::AccessDenied));
    EXPECT_EQ(plan(""), fails(shellresult::FileNotFound));
}

TEST_F(PlanShellExecute, TypeWithoutApplicationHasNoAssociation) {
    desktop.paths["/home/ann/data.bin"] = PathState::File;
    EXPECT_EQ(plan("/home/ann/data.bin"), fails(shellresult::NoAssociation));
}

TEST_F(PlanShellExecute, RawBytesViewerServesOnlyFilesThatAreNothingElse) {
    desktop.addApplication("hexedit.desktop", "hexedit %f", "hexedit");
    desktop.defaults["application/octet-stream"] = "hexedit.desktop";
    desktop.paths["/home/ann/notes.tex"] = PathState::File;
    desktop.mimeTypes["/home/ann/notes.tex"] = {"text/x-tex", "application/octet-stream"};
    desktop.paths["/home/ann/data.bin"] = PathState::File;
    EXPECT_EQ(plan("/home/ann/notes.tex"), fails(shellresult::NoAssociation));
    EXPECT_EQ(plan("/home/ann/data.bin"), starts({"/usr/bin/hexedit", "/home/ann/data.bin"}));
}

TEST_F(PlanShellExecute, ApplicationThatCannotRunIsAnIncompleteAssociation) {
    desktop.paths["/home/ann/pic.png"] = PathState::File;
    desktop.mimeTypes["/home/ann/pic.png"] = {"image/png"};
    desktop.defaults["image/png"] = "gone.desktop";
    EXPECT_EQ(plan("/home/ann/pic.png"), fails(shellresult::IncompleteAssociation));
    desktop.entries["gone.desktop"] = entryWith("not-installed %f");
    EXPECT_EQ(plan("/home/ann/pic.png"), fails(shellresult::IncompleteAssociation));
    desktop.entries["gone.desktop"] = entryWith("firefox \"broken");
    EXPECT_EQ(plan("/home/ann/pic.png"), fails(shellresult::IncompleteAssociation));
    desktop.entries["gone.desktop"] = entryWith("firefox %f");
    desktop.entries["gone.desktop"].hidden = true;
    EXPECT_EQ(plan("/home/ann/pic.png"), fails(shellresult::IncompleteAssociation));
}

TEST_F(PlanShellExecute, FolderOpensInTheFileManager) {
    desktop.paths["/home/ann/site"] = PathState::Directory;
    desktop.mimeTypes["/home/ann/site"] = {"inode/directory"};
    desktop.addApplication("nautilus.desktop", "nautilus --new-window %U", "nautilus");
    desktop.defaults["inode/directory"] = "nautilus.desktop";
    EXPECT_EQ(plan("/home/ann/site"), starts({"/usr/bin/nautilus", "--new-window", "file:///home/ann/site"}));
}

TEST_F(PlanShellExecute, AddressesOpenInTheHandlerOfTheirScheme) {
    EXPECT_EQ(plan("https://example.org/a b?c=d#e"),
              starts({"/usr/bin/firefox", "https://example.org/a b?c=d#e"}));
    EXPECT_EQ(plan("mailto:ann@example.org;bob@example.org"),
              starts({"/usr/bin/thunderbird", "mailto:ann@example.org;bob@example.org"}));
    EXPECT_EQ(plan("www.example.org"), starts({"/usr/bin/firefox", "http://www.example.org"}));
    EXPECT_EQ(plan("gopher://old.example.org"), fails(shellresult::NoAssociation));
}

TEST_F(PlanShellExecute, PlainWebAddressFallsBackToTheBrowserOfPages) {
    // No handler for http itself: the application for HTML pages serves.
    EXPECT_EQ(plan("http://example.org"), starts({"/usr/bin/firefox", "http://example.org"}));
    desktop.defaults.erase("text/html");
    desktop.executables["x-www-browser"] = "/usr/bin/x-www-browser";
    EXPECT_EQ(plan("http://example.org"), starts({"/usr/bin/x-www-browser", "http://example.org"}));
}

TEST_F(PlanShellExecute, FileAddressesAreDocuments) {
    EXPECT_EQ(plan("file:///home/ann/site/page%20one.html"),
              starts({"/usr/bin/firefox", "file:///home/ann/site/page%20one.html"}));
    EXPECT_EQ(plan("file:///home/ann/nothing.html"), fails(shellresult::FileNotFound));
}

TEST_F(PlanShellExecute, NotepadOpensTheFileInThePlainTextEditorAsOneArgument) {
    const std::string awkward = "/home/ann/My \"quoted\" #1 'file'.txt";
    EXPECT_EQ(plan("notepad", awkward), starts({"/usr/bin/gedit", fileUrlFor(awkward)}));
    EXPECT_EQ(plan("NOTEPAD.EXE", "header.txt"), starts({"/usr/bin/gedit", "file:///home/ann/header.txt"}));
    // Quotes around the whole name are the command line's, not the name's.
    EXPECT_EQ(plan("notepad", "\"/tmp/a b.txt\""), starts({"/usr/bin/gedit", "file:///tmp/a%20b.txt"}));
    // A leading "-" cannot pass for an option once the path is absolute.
    EXPECT_EQ(plan("notepad", "-rf", "/tmp"), starts({"/usr/bin/gedit", "file:///tmp/-rf"}, "/tmp"));
    // No file: the editor alone.
    EXPECT_EQ(plan("notepad"), starts({"/usr/bin/gedit"}));
}

TEST_F(PlanShellExecute, NotepadWithAQuotedNameThatExistsKeepsItsQuotes) {
    desktop.paths["/home/ann/\"odd\""] = PathState::File;
    EXPECT_EQ(plan("notepad", "\"odd\""), starts({"/usr/bin/gedit", "file:///home/ann/%22odd%22"}));
}

TEST_F(PlanShellExecute, NotepadFallsBackToAKnownEditorThenReportsNoEditor) {
    desktop.defaults["text/plain"] = "vim.desktop";
    desktop.addApplication("vim.desktop", "vim %F", "vim", /*terminal=*/true);
    desktop.executables.erase("gedit");
    desktop.executables["mousepad"] = "/usr/bin/mousepad";
    // The editor wants a terminal and there is none.
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), starts({"/usr/bin/mousepad", "/tmp/x.txt"}));
    desktop.executables.erase("mousepad");
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), fails(shellresult::IncompleteAssociation));
    desktop.defaults.erase("text/plain");
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), fails(shellresult::NoAssociation));
}

TEST_F(PlanShellExecute, TerminalApplicationsRunInATerminal) {
    desktop.defaults["text/plain"] = "vim.desktop";
    desktop.addApplication("vim.desktop", "vim %F", "vim", /*terminal=*/true);
    desktop.executables["xterm"] = "/usr/bin/xterm";
    EXPECT_EQ(plan("notepad", "/tmp/x.txt"), starts({"/usr/bin/xterm", "-e", "/usr/bin/vim", "/tmp/x.txt"}));
}

TEST_F(PlanShellExecute, ProgramWithParametersIsStartedDirectly) {
    desktop.executables["convert"] = "/usr/bin/convert";
    EXPECT_EQ(plan("convert", "\"in put.png\" out.jpg"),
              starts({"/usr/bin/convert", "in put.png", "out.jpg"}));
    desktop.paths["/home/ann/bin/tool"] = PathState::File;
    desktop.executables["/home/ann/bin/tool"] = "/home/ann/bin/tool";
    EXPECT_EQ(plan("bin/tool", "-v", "/home/ann"), starts({"/home/ann/bin/tool", "-v"}, "/home/ann"));
}

TEST_F(PlanShellExecute, ATypedProgramNameWithoutParametersIsNeverRun) {
    desktop.executables["reboot"] = "/usr/sbin/reboot";
    EXPECT_EQ(plan("reboot"), fails(shellresult::FileNotFound));
}

TEST_F(PlanShellExecute, DocumentGivenParametersStillOpensAsADocument) {
    EXPECT_EQ(plan("/home/ann/Form1.frm", "ignored"),
              starts({"/usr/bin/gedit", "file:///home/ann/Form1.frm"}));
}

TEST_F(PlanShellExecute, MissingWorkingFolderIsPathNotFound) {
    EXPECT_EQ(plan("notepad", "x.txt", "/no/such/folder"), fails(shellresult::PathNotFound));
}

TEST_F(PlanShellExecute, OnlyTheOpenVerbIsKnown) {
    EXPECT_EQ(plan("/home/ann/Form1.frm", "", "", "OPEN"),
              starts({"/usr/bin/gedit", "file:///home/ann/Form1.frm"}));
    EXPECT_EQ(plan("/home/ann/Form1.frm", "", "", ""),
              starts({"/usr/bin/gedit", "file:///home/ann/Form1.frm"}));
    EXPECT_EQ(plan("/home/ann/Form1.frm", "", "", "print"), fails(shellresult::NoAssociation));
}

TEST_F(PlanShellExecute, ShellStartsThePlanOrGivesItsError) {
    DesktopShell shell(desktop);
    EXPECT_EQ(shell.ShellExecuteA(shellRequestFor("/home/ann/Form1.frm", ShowDefault, "", "", "open", 0)),
              shellresult::Accepted);
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0].first, (Argv{"/usr/bin/gedit", "file:///home/ann/Form1.frm"}));
    EXPECT_EQ(shell.ShellExecuteA(shellRequestFor("/home/ann/none", ShowDefault, "", "", "open", 0)),
              shellresult::FileNotFound);
    desktop.startWorks = false;
    EXPECT_EQ(shell.ShellExecuteA(shellRequestFor("/home/ann/Form1.frm", ShowDefault, "", "", "open", 0)),
              shellresult::OtherFailure);
    EXPECT_EQ(desktop.started.size(), 2u);
}

} // namespace
} // namespace quillon::platform
