#include "desktop/qt/qt_desktop.h"

#include "base/vb_error.h"
#include "desktop/fakes/platform_fakes.h"
#include "support/test_support.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <unistd.h>
#include <utility>

namespace quillon::platform {
namespace {

namespace fs = std::filesystem;

fs::path environmentFolder(const char* name) {
    return fs::path(qEnvironmentVariable(name).toStdString());
}

void makeExecutable(const fs::path& path) {
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

TEST(QtDesktop, PathStatesMimeTypesMostSpecificFirstAndExecutables) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "page.html", "<html><body>x</body></html>");
    test::writeBytes(scratch / "tool", "#!/bin/sh\n");
    makeExecutable(scratch / "tool");
    const QtDesktop desktop;
    EXPECT_EQ(desktop.pathState((scratch / "page.html").string()), PathState::File);
    EXPECT_EQ(desktop.pathState(scratch.path().string()), PathState::Directory);
    EXPECT_EQ(desktop.pathState((scratch / "none.html").string()), PathState::Missing);
    EXPECT_EQ(desktop.pathState((scratch / "no folder" / "none.html").string()), PathState::FolderMissing);
    const auto page = desktop.mimeTypesOf((scratch / "page.html").string());
    ASSERT_FALSE(page.empty());
    EXPECT_EQ(page.front(), "text/html");
    EXPECT_NE(std::find(page.begin(), page.end(), "text/plain"), page.end());
    EXPECT_EQ(desktop.findExecutable("sh").front(), '/');
    EXPECT_EQ(desktop.findExecutable((scratch / "tool").string()), (scratch / "tool").string());
    EXPECT_EQ(desktop.findExecutable((scratch / "page.html").string()), "");
    EXPECT_EQ(desktop.findExecutable("quillon-no-such-program"), "");
    if (::geteuid() != 0) { // permissions do not bind the superuser
        fs::permissions(scratch / "page.html", fs::perms::none);
        EXPECT_EQ(desktop.pathState((scratch / "page.html").string()), PathState::AccessDenied);
    }
}

TEST(QtDesktop, ViewerShowsTheDecodedTextReadOnlyAndRefusesWhatItCannotShow) {
    test::ScratchDir scratch;
    test::writeBytes(scratch / "Module1.bas", "Attribute VB_Name = \"Module1\"\r\n' Caf\xE9\r\n");
    QtDesktop desktop;
    desktop.showInViewer((scratch / "Module1.bas").string());
    QPlainTextEdit* viewer = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        viewer = viewer ? viewer : qobject_cast<QPlainTextEdit*>(window);
    }
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible() && viewer->isReadOnly());
    EXPECT_EQ(viewer->toPlainText(), QString::fromUtf8("Attribute VB_Name = \"Module1\"\n' Caf\u00E9\n"));
    EXPECT_TRUE(viewer->windowTitle().startsWith("Module1.bas"));
    QPointer<QPlainTextEdit> closed(viewer);
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull()) << "a closed viewer leaves nothing behind";
    EXPECT_THROW(desktop.showInViewer((scratch / "none.bas").string()), VbError);
}

// A desktop of its own: an application that records its arguments, made the default for
// plain text, pages and mail links through the user's mimeapps.list.
class DesktopWithRecorder : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(applications_);
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

    // The argument lists the recorder was started with, once `count` of them are in.
    std::vector<std::vector<std::string>> recorded(std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::vector<std::vector<std::string>> runs;
        while (runs.size() < count && std::chrono::steady_clock::now() < deadline) {
            QThread::msleep(20);
            runs.clear();
            std::vector<std::string> argv;
            std::string argument;
            for (char c : test::readBytes(scratch_ / "log")) {
                if (c == '\036') {
                    argv.push_back(std::exchange(argument, {}));
                } else if (c == '\n') {
                    runs.push_back(std::exchange(argv, {}));
                } else {
                    argument += c;
                }
            }
        }
        return runs;
    }

    test::ScratchDir scratch_;
    fs::path applications_ = environmentFolder("XDG_DATA_HOME") / "applications";
    fs::path recorder_ = scratch_ / "recorder.sh";
};

TEST_F(DesktopWithRecorder, FindsDesktopFilesByIdIncludingVendorSubfolders) {
    fs::create_directories(applications_ / "quillon");
    test::writeBytes(applications_ / "quillon" / "nested.desktop", "[Desktop Entry]\nExec=nested %f\n");
    const QtDesktop desktop;
    const auto entry = desktop.desktopEntry("quillon-files.desktop");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->exec, recorder_.string() + " %f");
    EXPECT_EQ(desktop.desktopEntry("quillon-nested.desktop").value_or(DesktopEntry{}).exec, "nested %f");
    EXPECT_FALSE(desktop.desktopEntry("../applications/quillon-files.desktop"));
}

// Through the whole chain, from the opener to a started process.
TEST_F(DesktopWithRecorder, DocumentsAndLinksReachTheirApplicationAsOneArgument) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) {
        GTEST_SKIP() << "xdg-mime is not installed";
    }
    const std::string awkward = (scratch_ / "My \"header\" #1 it's.txt").string();
    const std::string page = (scratch_ / "out page#2.html").string();
    test::writeBytes(awkward, "header");
    test::writeBytes(page, "<html><body>page</body></html>");
    QtDesktop desktop;
    DesktopShell shell(desktop);
    test::FakeMessageBoxes boxes;
    ShellDocumentOpener opener(shell, boxes);
    const std::string mail = "mailto:ann@example.org;bob@example.org";
    // Processes start in any order: one at a time.
    ASSERT_TRUE(opener.OpenDocument("notepad", ShowDefault, awkward, "", "open", 0));
    ASSERT_EQ(recorded(1).size(), 1u);
    ASSERT_TRUE(opener.OpenDocument(page, ShowDefault, "", "", "open", 0));
    ASSERT_EQ(recorded(2).size(), 2u);
    ASSERT_TRUE(opener.OpenDocument(mail, ShowDefault, "", "", "open", 0));
    EXPECT_EQ(recorded(3), (std::vector<std::vector<std::string>>{{awkward}, {fileUrlFor(page)}, {mail}}));
    EXPECT_TRUE(boxes.shown.empty());
}

} // namespace
} // namespace quillon::platform
