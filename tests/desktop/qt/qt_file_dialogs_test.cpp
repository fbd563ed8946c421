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
    EXPECT_EQ(toQtNameFilters("TXT Files |*.TXT|* Files|*.*"),
              (QStringList{"TXT Files  (*.TXT *.txt)", "* Files (*)"}));
    EXPECT_EQ(toQtNameFilters("Fichiers HTML|*.HTML|Fichiers HTM|*.HTM"),
              (QStringList{"Fichiers HTML (*.HTML *.html)", "Fichiers HTM (*.HTM *.htm)"}));
    EXPECT_EQ(toQtNameFilters("ALL FILES (*.*)|*.*"), (QStringList{"ALL FILES (*.*) (*)"}));
    EXPECT_EQ(toQtNameFilters("TXT Files |*.TXT| Files|*."),
              (QStringList{"TXT Files  (*.TXT *.txt)", " Files (*.)"}));
    EXPECT_EQ(toQtNameFilters("Pictures|*.PNG;*.jpg"), (QStringList{"Pictures (*.PNG *.png *.jpg)"}));
    EXPECT_TRUE(toQtNameFilters("").isEmpty());
}

struct Seen {
    QFileDialog::AcceptMode acceptMode{};
    QFileDialog::FileMode fileMode{};
    bool confirmsOverwrite = true;
    QString directory;
    QString title;
    QStringList nameFilters;
    QString selectedNameFilter;
    QString defaultSuffix;
    QStringList proposedFiles;
};

// Records how the dialog was set up, then answers with `choice` (empty: cancel).
QtFileDialogs::Runner answering(Seen& seen, QString choice) {
    return [&seen, choice](QDialog& shown) {
        auto& dialog = dynamic_cast<QFileDialog&>(shown);
        seen.acceptMode = dialog.acceptMode();
        seen.fileMode = dialog.fileMode();
        seen.confirmsOverwrite = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
        seen.directory = dialog.directory().absolutePath();
        seen.title = dialog.windowTitle();
        seen.nameFilters = dialog.nameFilters();
        seen.selectedNameFilter = dialog.selectedNameFilter();
        seen.defaultSuffix = dialog.defaultSuffix();
        seen.proposedFiles = dialog.selectedFiles();
        if (choice.isEmpty()) {
            return int(QDialog::Rejected);
        }
        dialog.selectFile(choice);
        return int(QDialog::Accepted);
    };
}

TEST(QtFileDialogs, OpenDialogStartsInTheProgramFolderWithTheFirstFilterAndNoName) {
    test::ScratchDir folder;
    QtFileDialogs dialogs(nullptr, folder.path().string());
    Seen seen;
    const QString chosen = QString::fromStdString((folder / "My Form #1.frm").string());
    dialogs.setDialogRunner(answering(seen, chosen));
    std::string fileTitle;
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.OuvrirFichier("frm bas cls ctl pag txt *", fileTitle, "Open a VB File", error),
              chosen.toStdString());
    EXPECT_EQ(fileTitle, "My Form #1.frm");
    EXPECT_EQ(error, 0);

    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptOpen);
    // The file need not exist.
    EXPECT_EQ(seen.fileMode, QFileDialog::AnyFile);
    EXPECT_EQ(seen.directory, QString::fromStdString(folder.path().string()));
    EXPECT_EQ(seen.title, "Open a VB File");
    ASSERT_EQ(seen.nameFilters.size(), 7);
    EXPECT_EQ(seen.nameFilters.front(), "FRM Files (*.FRM *.frm)");
    EXPECT_EQ(seen.selectedNameFilter, "FRM Files");
    EXPECT_TRUE(seen.defaultSuffix.isEmpty());
    for (const QString& proposed : seen.proposedFiles) {
        EXPECT_TRUE(QFileInfo(proposed).isDir()) << proposed.toStdString();
    }
}

TEST(QtFileDialogs, SaveDialogNeverAsksBeforeReplacingAndAddsNoExtension) {
    test::ScratchDir folder;
    QtFileDialogs dialogs(nullptr, folder.path().string());
    Seen seen;
    const QString chosen = QString::fromStdString((folder / "page").string());
    dialogs.setDialogRunner(answering(seen, chosen));
    std::string fileTitle;
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.EnregistrerFichier("HTML HTM", fileTitle, "Save As ...", error), chosen.toStdString());
    EXPECT_EQ(seen.acceptMode, QFileDialog::AcceptSave);
    EXPECT_FALSE(seen.confirmsOverwrite);
    EXPECT_TRUE(seen.defaultSuffix.isEmpty());
    EXPECT_EQ(seen.nameFilters, (QStringList{"Fichiers HTML (*.HTML *.html)", "Fichiers HTM (*.HTM *.htm)"}));
}

TEST(QtFileDialogs, CancelGivesTheCancelErrorAndAnEmptyTitleShowsTheDialogsOwnUntilOneIsGiven) {
    QtFileDialogs dialogs(nullptr, "/tmp");
    Seen seen;
    dialogs.setDialogRunner(answering(seen, {}));
    std::string fileTitle = "untouched";
    std::int32_t error = 0;
    EXPECT_EQ(dialogs.OuvrirFichier("txt *", fileTitle, "", error), "");
    EXPECT_EQ(fileTitle, "untouched");
    EXPECT_EQ(error, CancelErrorCode);
    EXPECT_EQ(seen.title, "Open");
    dialogs.EnregistrerFichier("CSS", fileTitle, "Save Style", error);
    EXPECT_EQ(seen.title, "Save Style");
    dialogs.OuvrirFichier("txt *", fileTitle, "", error);
    EXPECT_EQ(seen.title, "Save Style");
}

// Closes whatever modal dialog is still open, so a test that goes wrong fails instead of
// waiting for a user who is not there.
void closeLeftoverDialogsAfter(int milliseconds) {
    QTimer::singleShot(milliseconds, qApp, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
}

TEST(QtFileDialogs, RealDialogReturnsTheTypedNameOfAnExistingFileWithoutAQuestion) {
    test::ScratchDir folder;
    test::writeBytes(folder / "old.css", "keep");
    const QString existing = QString::fromStdString((folder / "old.css").string());
    QtFileDialogs dialogs(nullptr, folder.path().string());
    bool answered = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr) {
            dialog->selectFile(existing);
            QMetaObject::invokeMethod(dialog, "accept");
            answered = true;
        }
    });
    closeLeftoverDialogsAfter(5000);
    std::string fileTitle;
    std::int32_t error = -1;
    EXPECT_EQ(dialogs.EnregistrerFichier("CSS", fileTitle, "Save Style", error), existing.toStdString());
    EXPECT_TRUE(answered);
    EXPECT_EQ(fileTitle, "old.css");
    EXPECT_EQ(error, 0);
    EXPECT_EQ(test::readBytes(folder / "old.css"), "keep");
}

} // namespace
} // namespace quillon::platform
