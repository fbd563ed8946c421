// The "Direct" pane: pasted text converted in memory, with its progress, its stop button and
// the fence that keeps the other panes still meanwhile; the copy in colour and the formats of
// the result box.

#include "lang/qt/form_texts.h"
#include "window_fixture.h"

#include "engine/direct_conversion.h"

#include <QTextBlock>

namespace quillon::window::testing {
namespace {

class DirectPaneTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        click(window->switchButton(DirectPaneIndex));
    }

    QPlainTextEdit& origine() { return direct().TXTorigine(); }
    QPlainTextEdit& transform() { return direct().TXTtransform(); }

    // The result box's text with its lines ended by CR LF, as the golden files hold them.
    std::string result() {
        QString text = transform().toPlainText();
        text.replace(u'\n', QStringLiteral("\r\n"));
        return text.toStdString();
    }

    std::string convert(const QString& source) {
        origine().setPlainText(source);
        click(direct().BTconvert());
        return result();
    }

    void expectIdleAgain() {
        EXPECT_FALSE(direct().converting());
        EXPECT_FALSE(PBC().isVisible());
        EXPECT_EQ(PBC().caption(), "Ok");
        EXPECT_FALSE(direct().BTstop().isVisible());
        EXPECT_FALSE(origine().isReadOnly());
        expectUsable();
    }

    // The pane's buttons (and the format list) that the bar covers, in window coordinates.
    QStringList buttonsUnderTheBar() {
        QStringList covered;
        const QRect bar = PBC().geometry();
        for (QWidget* control : direct().findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const bool pressable = qobject_cast<QAbstractButton*>(control) != nullptr ||
                                   qobject_cast<QComboBox*>(control) != nullptr;
            const QRect place(control->mapTo(window.get(), QPoint(0, 0)), control->size());
            if (pressable && control->isVisible() && place.intersects(bar)) {
                covered.append(control->objectName());
            }
        }
        return covered;
    }

    // A source long enough to be stopped well before its end.
    static constexpr int LongLines = 50'000;
    void pasteLongSource() {
        QString text;
        for (int i = 0; i < LongLines; ++i) {
            text += QStringLiteral("    For i = %1 To 5678 ' line\n").arg(i);
        }
        origine().setPlainText(text);
    }
};

TEST_F(DirectPaneTest, ConvertsTheSampleItStartsWith) {
    QString sample = origine().toPlainText();
    sample.replace(u'\n', QStringLiteral("\r\n"));
    EXPECT_EQ(sample.toStdString(), directSampleText());
    EXPECT_TRUE(transform().toPlainText().isEmpty());

    click(direct().BTconvert());
    EXPECT_EQ(result(), test::readBytes(test::dataDir() / "direct" / "sample.optimized.txt"));
    // The caret ends behind the newest line.
    EXPECT_EQ(transform().textCursor().position(), transform().document()->characterCount() - 1);
    expectIdleAgain();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(DirectPaneTest, SkipsAnEmptySourceAndPassesTheBoxTextThroughUnchanged) {
    // An empty source starts nothing at all.
    transform().setPlainText("earlier result");
    convert(QString());
    EXPECT_EQ(transform().toPlainText(), "earlier result");
    EXPECT_FALSE(PBC().isVisible());
    EXPECT_EQ(PBC().caption(), "Ready");
    expectUsable();

    // Text the box holds goes through unchanged, a no-break space included.
    convert(QStringLiteral("s = \"a\u00A0b\u00E9\""));
    EXPECT_EQ(transform().document()->firstBlock().text(),
              QStringLiteral("s<a class=o> =</a> <a class=s>\"a\u00A0b\u00E9\"</a>"));
}

TEST_F(DirectPaneTest, TheStopButtonEndsALongConversionAfterTheCurrentLine) {
    pasteLongSource();
    bool stopped = false;
    bool fencedThroughout = true;
    QStringList captions;
    // Samples the window whenever it gets to process events; presses "STOP !" on the third
    // time, once the bar has had a chance to show progress.
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        fencedThroughout = fencedThroughout && fenced(DirectPaneIndex) && PBC().isVisible() &&
                           direct().BTstop().isVisible() && !direct().BTconvert().isEnabled() &&
                           !direct().CBformat().isEnabled() && origine().isReadOnly() &&
                           buttonsUnderTheBar().isEmpty();
        captions.append(PBC().caption());
        if (captions.size() == 3) {
            // Starting again from inside changes nothing.
            direct().BTconvert_Click();
            click(direct().BTstop());
            stopped = true;
            sampler.stop();
        }
    });
    sampler.start();
    click(direct().BTconvert());

    ASSERT_TRUE(stopped) << "the conversion never let the window process events";
    EXPECT_TRUE(fencedThroughout);
    EXPECT_TRUE(captions.last().endsWith(" %")) << captions.join(u'|').toStdString();
    const int converted = transform().document()->blockCount() - 1;
    EXPECT_GT(converted, 0);
    EXPECT_LT(converted, LongLines);
    // The lines converted so far stay, whole.
    EXPECT_TRUE(result().starts_with("    <a class=k>For</a> i<a class=o> =</a> <a class=n>0</a>"));
    EXPECT_TRUE(result().ends_with("</a>\r\n"));
    expectIdleAgain();

    // The next conversion starts afresh and runs to its end.
    EXPECT_EQ(convert("End Sub"), "<a class=k>End Sub</a>\r\n");
}

// The bar finds its room between the source's caption and "Convert" whatever the language
// and the window's size.
TEST_F(DirectPaneTest, TheRunningBarCoversNoButtonInAnyLanguageOrSize) {
    pasteLongSource();
    const QSize design = window->size();
    struct Case {
        const char* language;
        QSize extra;
    };
    for (const Case& c :
         {Case{"English.lng", {0, 0}}, Case{"French.lng", {0, 0}}, Case{"French.lng", {300, 200}}}) {
        lang::TranslateForm(*window, (test::programDir() / c.language).string());
        window->resize(design + c.extra);
        QApplication::processEvents();
        QStringList covered{"never sampled"};
        int barWidth = 0;
        QTimer::singleShot(0, window.get(), [&] {
            // Resized while running, the bar moves with its pane.
            window->resize(window->size() + QSize(20, 0));
            covered = buttonsUnderTheBar();
            barWidth = PBC().width();
            click(direct().BTstop());
        });
        click(direct().BTconvert());
        EXPECT_EQ(covered, QStringList()) << c.language << " +" << c.extra.width();
        EXPECT_GT(barWidth, 60) << c.language;
    }
}

TEST_F(DirectPaneTest, CopyPutsTheColouredSourceOnTheClipboardInEveryFormat) {
    const QString source = QStringLiteral("Public Sub A()\n    s = \"\u00E9 < \u00A0\" ' note\nEnd Sub");
    origine().setPlainText(source);
    click(direct().BTcopy());
    ASSERT_EQ(clipboard.copies.size(), 1U);
    const platform::ClipboardContent& copy = clipboard.copies.back();
    EXPECT_EQ(copy.plainText, source.toStdString());
    // Colours inline, on a background of their own: pasted where no style sheet follows. What
    // each format holds is the output formats' concern.
    EXPECT_TRUE(copy.html.starts_with("<pre style=\"background-color:#")) << copy.html;
    EXPECT_EQ(copy.html.find("class="), std::string::npos);
    EXPECT_TRUE(copy.rtf.starts_with("{\\rtf1")) << copy.rtf;
    // The result box is no input of the copy.
    EXPECT_TRUE(transform().toPlainText().isEmpty());

    // Nothing to copy leaves the clipboard alone.
    origine().clear();
    click(direct().BTcopy());
    EXPECT_EQ(clipboard.copies.size(), 1U);
}

TEST_F(DirectPaneTest, TheResultBoxShowsTheChosenFormat) {
    struct Row {
        int entry;
        const char* first;
        const char* last;
    };
    const Row rows[] = {
        {1, "[code][color=#", "[/color]\n[/code]"},
        {2, "```vb\nEnd Sub", "```"},
        {0, "<a class=k>End Sub</a>", "<a class=k>End Sub</a>"},
    };
    origine().setPlainText(QStringLiteral("End Sub"));
    click(direct().BTconvert());
    for (const Row& row : rows) {
        // Choosing a format converts the result shown again.
        direct().CBformat().setCurrentIndex(row.entry);
        emit direct().CBformat().activated(row.entry);
        const QString shown = transform().toPlainText().trimmed();
        EXPECT_TRUE(shown.startsWith(QLatin1String(row.first))) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith(QLatin1String(row.last))) << shown.toStdString();
    }
}

TEST_F(DirectPaneTest, TheBoxesUseAFixedPitchFontAndTheFormatListFitsEveryLanguage) {
    EXPECT_TRUE(QFontInfo(origine().font()).fixedPitch());
    EXPECT_TRUE(QFontInfo(transform().font()).fixedPitch());
    for (const auto& entry : std::filesystem::directory_iterator(test::programDir())) {
        if (entry.path().extension() == ".lng") {
            lang::TranslateForm(*window, entry.path().string());
            QComboBox& formats = direct().CBformat();
            EXPECT_LE(formats.minimumSizeHint().width(), formats.width()) << entry.path().filename();
        }
    }
}

TEST_F(DirectPaneTest, TabReachesCopyAndTheFormatsAndCtrlShiftCCopiesFromTheBoxes) {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    direct().BTconvert().setFocus();
    QTest::keyClick(&direct().BTconvert(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &direct().BTcopy());
    QTest::keyClick(&direct().BTcopy(), Qt::Key_Space);
    EXPECT_EQ(clipboard.copies.size(), 1U);
    QTest::keyClick(&direct().BTcopy(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &direct().CBformat());

    for (QPlainTextEdit* box : {&origine(), &transform()}) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(clipboard.copies.size(), 3U);
    // Another pane shown, the keys are not the Direct pane's.
    window->selectPane(FilesPaneIndex);
    files().TXTsource().setFocus();
    QTest::keyClick(&files().TXTsource(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(clipboard.copies.size(), 3U);
}

TEST_F(DirectPaneTest, ClosingTheWindowStopsTheConversion) {
    pasteLongSource();
    QTimer::singleShot(0, window.get(), [&] { window->close(); });
    click(direct().BTconvert());
    EXPECT_FALSE(window->isVisible());
    EXPECT_LT(transform().document()->blockCount() - 1, LongLines);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace quillon::window::testing
