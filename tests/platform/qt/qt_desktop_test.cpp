#include "platform/qt/qt_desktop.h"

#include "platform/qt/fakes/platform_fakes.h"
#include "support/test_support.h"

#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace quillon::platform {
namespace {

namespace fs = std::filesystem;

fs::path environmentFolder(const char* name) {
    return fs::path(qEnvironmentVariable(name).toStdString());
}

void makeExecutable(const fs::path& path) {
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

TEST(QtDesktop, PathStatesTellMissingFilesFromMissingFolders) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "a file.txt", "x");
    const QtDesktop desktop;
    EXPECT_EQ(desktop.pathState((scratch / "a file.txt").string()), PathState::File);
    EXPECT_EQ(desktop.pathState(scratch.path().string()), PathState::Directory);
    EXPECT_EQ(desktop.pathState((scratch / "none.html").string()), PathState::Missing);
    EXPECT_EQ(desktop.pathState((scratch / "no folder" / "none.html").string()), PathState::FolderMissing);
    EXPECT_EQ(desktop.pathState((scratch / "a file.txt" / "x").string()), PathState::FolderMissing);
}

TEST(QtDesktop, UnreadablePlacesAreAccessDenied) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    test::ScratchDir scratch;
    test::writeBytes(scratch / "locked" / "x.txt", "x");
    test::writeBytes(scratch / "secret.txt", "x");
    fs::permissions(scratch / "secret.txt", fs::perms::none);
    fs::permissions(scratch / "locked", fs::perms::none);
    const QtDesktop desktop;
    EXPECT_EQ(desktop.pathState((scratch / "secret.txt").string()), PathState::AccessDenied);
    EXPECT_EQ(desktop.pathState((scratch / "locked" / "x.txt").string()), PathState::AccessDenied);
    fs::permissions(scratch / "locked", fs::perms::owner_all);
}

TEST(QtDesktop, MimeTypesComeMostSpecificFirst) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "page.html", "<html><body>x</body></html>");
    test::writeBytes(scratch / "notes.txt", "plain words");
    const QtDesktop desktop;
    const auto page = desktop.mimeTypesOf((scratch / "page.html").string());
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.front(), "text/html");
    EXPECT_NE(std::find(page.begin(), page.end(), "text/plain"), page.end());
    EXPECT_EQ(desktop.mimeTypesOf((scratch / "notes.txt").string()).front(), "text/plain");
    EXPECT_EQ(desktop.mimeTypesOf(scratch.path().string()).front(), "inode/directory");
}

TEST(QtDesktop, ExecutablesAreFoundOnThePathOrByTheirOwnPath) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "tool", "#!/bin/sh\n");
    test::writeBytes(scratch / "text", "not a program");
    makeExecutable(scratch / "tool");
    const QtDesktop desktop;
    EXPECT_EQ(desktop.findExecutable("sh").front(), '/');
    EXPECT_EQ(desktop.findExecutable((scratch / "tool").string()), (scratch / "tool").string());
    EXPECT_EQ(desktop.findExecutable((scratch / "text").string()), "");
    EXPECT_EQ(desktop.findExecutable("quillon-no-such-program"), "");
}

// A desktop of its own: an application that records its arguments, made the default for
// plain text, pages and mail links through the user's mimeapps.list.
class DesktopWithRecorder : public testing::Test {
protected:
    void SetUp() override {
        applications_ = environmentFolder("XDG_DATA_HOME") / "applications";
        fs::create_directories(applications_);
        recorder_ = scratch_ / "recorder.sh";
        test::writeBytes(recorder_,
                         "#!/bin/sh\n"
                         "{ for a in \"$@\"; do printf '%s\\036' \"$a\"; done; printf '\\n'; } >> '" +
                             (scratch_ / "log").string() + "'\n");
        makeExecutable(recorder_);
        writeApplication("quillon-files.desktop", recorder_.string() + " %f");
        writeApplication("quillon-links.desktop", recorder_.string() + " %u");
        test::writeBytes(environmentFolder("XDG_CONFIG_HOME") / "mimeapps.list",
                         "[Default Applications]\n"
                         "text/plain=quillon-files.desktop\n"
                         "text/html=quillon-links.desktop\n"
                         "x-scheme-handler/mailto=quillon-links.desktop\n");
    }

    void TearDown() override {
        fs::remove(environmentFolder("XDG_CONFIG_HOME") / "mimeapps.list");
        fs::remove_all(applications_);
    }

    void writeApplication(const std::string& id, const std::string& exec) {
        test::writeBytes(applications_ / id,
                         "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + exec + "\n");
    }

    static bool haveXdgMime() {
        return !QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty();
    }

    // The argument lists the recorder was started with, once `count` of them are in.
    std::vector<std::vector<std::string>> recorded(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<std::vector<std::string>> runs;
        while (std::chrono::steady_clock::now() < deadline) {
            runs.clear();
            const std::string log = test::readBytes(scratch_ / "log");
            std::size_t start = 0;
            for (std::size_t end = log.find('\n'); end != std::string::npos; end = log.find('\n', start)) {
                std::vector<std::string> argv;
                std::size_t from = start;
                for (std::size_t sep = log.find('\036', from); sep != std::string::npos && sep < end;
                     sep = log.find('\036', from)) {
                    argv.push_back(log.substr(from, sep - from));
                    from = sep + 1;
                }
                runs.push_back(argv);
                start = end + 1;
            }
            if (runs.size() >= count) {
                break;
            }
            QThread::msleep(20);
        }
        return runs;
    }

    test::ScratchDir scratch_;
    fs::path applications_;
    fs::path recorder_;
};

TEST_F(DesktopWithRecorder, FindsTheDefaultApplicationAndItsDesktopFile) {
    if (!haveXdgMime()) {
        GTEST_SKIP() << "xdg-mime is not installed";
    }
    const QtDesktop desktop;
    EXPECT_EQ(desktop.defaultApplication("text/plain"), "quillon-files.desktop");
    const auto entry = desktop.desktopEntry("quillon-files.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->exec, recorder_.string() + " %f");
    EXPECT_EQ(entry->location, (applications_ / "quillon-files.desktop").string());
    EXPECT_FALSE(desktop.desktopEntry("../applications/quillon-files.desktop"));
    EXPECT_FALSE(desktop.desktopEntry("quillon-none.desktop"));
}

TEST_F(DesktopWithRecorder, VendorIdsAreFoundInTheirSubfolder) {
    fs::create_directories(applications_ / "quillon");
    test::writeBytes(applications_ / "quillon" / "nested.desktop", "[Desktop Entry]\nExec=nested %f\n");
    const auto entry = QtDesktop().desktopEntry("quillon-nested.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->exec, "nested %f");
}

TEST_F(DesktopWithRecorder, AwkwardNamesReachTheApplicationAsOneAbsolutePath) {
    if (!haveXdgMime()) {
        GTEST_SKIP() << "xdg-mime is not installed";
    }
    const std::string awkward = (scratch_ / "My \"header\" #1 it's.txt").string();
    test::writeBytes(awkward, "header");
    test::writeBytes(scratch_ / "-rf", "dash");
    QtDesktop desktop;
    DesktopShell shell(desktop);
    test::FakeMessageBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    ASSERT_TRUE(opener.OpenDocument("notepad", ShowDefault, awkward, "", "open", 0));
    ASSERT_TRUE(opener.OpenDocument("notepad", ShowDefault, "-rf", scratch_.path().string(), "open", 0));
    const auto runs = recorded(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (std::vector<std::string>{awkward}));
    EXPECT_EQ(runs[1], (std::vector<std::string>{(scratch_ / "-rf").string()}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DesktopWithRecorder, PagesAndMailLinksOpenInTheirApplications) {
    if (!haveXdgMime()) {
        GTEST_SKIP() << "xdg-mime is not installed";
    }
    const std::string page = (scratch_ / "out page#2.html").string();
    test::writeBytes(page, "<html><body>page</body></html>");
    QtDesktop desktop;
    DesktopShell shell(desktop);
    test::FakeMessageBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    ASSERT_TRUE(opener.OpenDocument(page, ShowDefault, "", "", "open", 0));
    ASSERT_TRUE(
        opener.OpenDocument("mailto:ann@example.org;bob@example.org", ShowDefault, "", "", "open", 0));
    const auto runs = recorded(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], (std::vector<std::string>{fileUrlFor(page)}));
    EXPECT_EQ(runs[1], (std::vector<std::string>{"mailto:ann@example.org;bob@example.org"}));
}

TEST_F(DesktopWithRecorder, MissingDocumentsAreReportedAndNothingStarts) {
    QtDesktop desktop;
    DesktopShell shell(desktop);
    test::FakeMessageBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    EXPECT_FALSE(
        opener.OpenDocument((scratch_ / "not yet written.html").string(), ShowDefault, "", "", "open", 0));
    EXPECT_FALSE(
        opener.OpenDocument((scratch_ / "gone" / "x.html").string(), ShowDefault, "", "", "open", 0));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0],
              (MessageBoxRequest{"Error n\u00B053\rFile not found", MessageIcon::Critical, "Quillon Free"}));
    EXPECT_EQ(boxes.shown[1].text, "Error n\u00B076\rPath not found");
    EXPECT_FALSE(fs::exists(scratch_ / "log"));
}

} // namespace
} // namespace quillon::platform
