#pragma once
// The real window over scripted platform services, started in a scratch program folder that
// holds the shipped header and footer, so what it writes there stays in the test.

#include "controls/bar_color.h"
#include "controls/switch_button.h"
#include "desktop/fakes/platform_fakes.h"
#include "desktop/settings_store.h"
#include "lang/translate.h"
#include "support/test_support.h"
#include "window/batch_lists.h"
#include "window/batch_pane.h"
#include "window/colors_pane.h"
#include "window/direct_pane.h"
#include "window/files_pane.h"
#include "window/frmain.h"
#include "window/window_look.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillon::window::testing {

using Flags = std::array<bool, PaneCount>;
inline constexpr Flags AllPanes{true, true, true, true};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousLanguage = lang::CurrentLanguageFile();
        for (const char* name : {"header.txt", "footer.txt", "links.ini"}) {
            std::filesystem::copy_file(test::programDir() / name, folder / name);
        }
        window = std::make_unique<FRMain>(services);
        window->Form_Load();
    }

    void TearDown() override {
        window.reset();
        lang::setCurrentLanguageFile(previousLanguage);
    }

    // The control named `name` (member `index` of its group when index >= 0).
    template <class Widget> Widget& control(const char* name, int index = -1) {
        for (Widget* widget : window->findChildren<Widget*>(QString::fromLatin1(name))) {
            const QVariant member = widget->property(VbIndexProperty);
            if ((member.isValid() ? member.toInt() : -1) == index) {
                return *widget;
            }
        }
        ADD_FAILURE() << "no control " << name << "(" << index << ")";
        throw std::runtime_error("missing control");
    }

    // A user's click: on the box of a tick box, in the middle of anything else.
    static void click(QWidget& widget) {
        const QPoint at = qobject_cast<QCheckBox*>(&widget) != nullptr ? QPoint(6, widget.height() / 2)
                                                                       : widget.rect().center();
        QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, at);
    }

    // Which panes take input: the pane and its button both enabled.
    Flags panesEnabled() {
        Flags result{};
        for (int i = 0; i < PaneCount; ++i) {
            result[static_cast<std::size_t>(i)] =
                window->FrameSTEP(i).isEnabled() && window->switchButton(i).isOwnEnabled();
        }
        return result;
    }

    // The fences of a conversion are up: the hourglass, and no pane but `except` takes input.
    bool fenced(int except = -1) {
        const QCursor* cursor = QApplication::overrideCursor();
        Flags expected{};
        if (except >= 0) {
            expected[static_cast<std::size_t>(except)] = true;
        }
        return cursor != nullptr && cursor->shape() == Qt::WaitCursor && panesEnabled() == expected;
    }

    // After a conversion: no hourglass, every pane usable again.
    void expectUsable() {
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(panesEnabled(), AllPanes);
    }

    std::string path(const std::string& name) const { return (folder / name).string(); }
    static QString qs(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

    FilesPane& files() { return window->files(); }
    DirectPane& direct() { return window->direct(); }
    BarColor& PBC() { return window->progressBar(); }

    test::ScratchDir folder;
    test::FakeFileDialogs dialogs{folder.path().string()};
    test::FakeColourDialog colourDialog;
    test::FakeFontDialog fontDialog;
    test::FakeMessageBoxes boxes;
    test::FakeDocumentOpener opener;
    lang::MemorySettingsStore settings;
    test::FakeClipboard clipboard;
    WindowServices services{dialogs, colourDialog, fontDialog, boxes,
                            opener,  settings,     clipboard,  folder.path().string()};
    std::string previousLanguage;
    std::unique_ptr<FRMain> window;
};

} // namespace quillon::window::testing
