#include "desktop/qt/qt_file_dialogs.h"

#include "support/test_support.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include "qt_test_printers.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

TEST(QtNameFilters, OneFilterPerPairMatchingBothCases) {
    EXPECT_EQ(toQtNameFilters("TXT Files (*.txt)|*.TXT|All files (*.*)|*.*"),
              (QStringList{"TXT Files (*.txt) (*.TXT *.txt)", "All files (*.*) (*)"}));
    EXPECT_EQ(toQtNameFilters("Pictures|*.PNG;*.jpg| Files|*."),
              (QStringList{"Pictures (*.PNG *.png *.jpg)", " Files (*.)"}));
}

// How the dialog was set up when it was shown.
struct Seen {
    QFileDialog::AcceptMode acceptMode{};
    QFileDialog::FileMode fileMode{};
    bool confirmsOverwrite = true;
    QString directory;
    QString title;
    QString selectedNameFilter;
    QString defaultSuffix;
};

class QtFileDialogsTest : public ::testing::Test {
protected:
    // Records the dialog, then answers with `choice` (empty: cancel).
    void answer(QString choice) {
        dialogs.setDialogRunner([this, choice](QDialog& shown) {
            auto& dialog = dynamic_cast<QFileDialog&>(shown);
            seen = {dialog.acceptMode(),
                    dialog.fileMode(),
                    !dialog.testOption(QFileDialog::DontConfirmOverwrite),
                    dialog.directory().absolutePath(),
                    dialog.windowTitle(),
                    dialog.selectedNameFilter(),
                    dialog.defaultSuffix()};
            dialog.selectFile(choice);
            return int(choice.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        });
    }
    QString inFolder(const char* name) const { return QString::fromStdString((folder / name).string()); }

    test::ScratchDir folder;
    QtFileDialogs dialogs{nullptr, folder.path().string()};
    Seen seen;
    std::string fileTitle = "untouched";
    std::int32_t error = -1;
};

TEST_F(QtFileDialogsTest, OpenDialogStartsInTheProgramFolderWithTheFirstFilterAndAcceptsAnyName) {
    answer(inFolder("My Form #1.frm"));
    EXPECT_EQ(dialogs.OuvrirFichier(FileKind::Source, fileTitle, "Open a VB File", error),
              inFolder("My Form #1.frm").toStdString());
    EXPECT_EQ(error, 0);
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
    EXPECT_EQ(seen.fileMode, QFileDialog::AnyFile) << "the file need not exist";
    EXPECT_EQ(seen.directory, QString::fromStdString(folder.path().string()));
    EXPECT_EQ(seen.title, "Open a VB File");
    EXPECT_EQ(seen.selectedNameFilter, "VB6 sources (*.frm;*.bas;*.cls;*.ctl;*.pag)");
}

TEST_F(QtFileDialogsTest, SaveDialogNeverAsksBeforeReplacingAndAddsNoExtensionAndCancelGivesTheCancelError) {
    answer(inFolder("page"));
    EXPECT_EQ(dialogs.EnregistrerFichier(FileKind::Page, fileTitle, "Save As ...", error),
              inFolder("page").toStdString());
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptSave);
    EXPECT_FALSE(seen.confirmsOverwrite);
    EXPECT_TRUE(seen.defaultSuffix.isEmpty());
    // What a cancel gives back is the dialogs' rule; here a rejected dialog is a cancel.
    answer({});
    EXPECT_EQ(dialogs.OuvrirFichier(FileKind::Text, fileTitle, "", error), "");
    EXPECT_EQ(error, CancelErrorCode);
}

TEST_F(QtFileDialogsTest, RealDialogReturnsTheTypedNameOfAnExistingFileWithoutAQuestion) {
    test::writeBytes(folder / "old.css", "keep");
    bool answered = false;
    QTimer::singleShot(0, qApp, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            dialog->selectFile(inFolder("old.css"));
            QMetaObject::invokeMethod(dialog, "accept");
            answered = true;
        }
    });
    // Whatever is still open then is rejected, so a test that goes wrong fails instead of waiting.
    QTimer::singleShot(5000, qApp, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
        }
    });
    EXPECT_EQ(dialogs.EnregistrerFichier(FileKind::StyleSheet, fileTitle, "Save Style", error),
              inFolder("old.css").toStdString());
    EXPECT_TRUE(answered);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(test::readBytes(folder / "old.css"), "keep");
}

} // namespace
} // namespace quillon::platform
