// The "Direct" pane: pasted text converted in memory, with its progress, its stop button and
// the fence that keeps the other panes still meanwhile.

#include "window_fixture.h"

#include "engine/direct_conversion.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>

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

    void expectIdleAgain() {
        EXPECT_FALSE(direct().converting());
        EXPECT_FALSE(PBC().isVisible());
        EXPECT_EQ(PBC().caption(), "Ok");
        EXPECT_EQ(PBC().value(), 0);
        EXPECT_FALSE(direct().BTstop().isVisible());
        EXPECT_TRUE(direct().BTconvert().isEnabled());
        EXPECT_FALSE(origine().isReadOnly());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        for (int i = 0; i < PaneCount; ++i) {
            EXPECT_TRUE(window->FrameSTEP(i).isEnabled()) << i;
            EXPECT_TRUE(window->switchButton(i).isOwnEnabled()) << i;
        }
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

    // Without "Optimize size".
    window->selectPane(ColorsPaneIndex);
    click(control<QCheckBox>("CHKoptimize"));
    window->selectPane(DirectPaneIndex);
    click(direct().BTconvert());
    EXPECT_EQ(result(), test::readBytes(test::dataDir() / "direct" / "sample.plain.txt"));
    expectIdleAgain();
}

TEST_F(DirectPaneTest, EscapesAndConvertsALastLineWithoutBreak) {
    origine().setPlainText("If a < b Then\nx");
    click(direct().BTconvert());
    EXPECT_EQ(result(), "<a class=k>If</a> a <a class=o>&lt</a> b <a class=k>Then</a>\r\nx\r\n");

    // Text the box holds goes through unchanged, a no-break space included.
    origine().setPlainText(QStringLiteral("s = \"a\u00A0b\u00E9\""));
    click(direct().BTconvert());
    EXPECT_EQ(transform().document()->firstBlock().text(),
              QStringLiteral("s<a class=o> =</a> <a class=s>\"a\u00A0b\u00E9\"</a>"));

    // A single character.
    origine().setPlainText("1");
    click(direct().BTconvert());
    EXPECT_EQ(result(), "<a class=n>1</a>\r\n");
}

TEST_F(DirectPaneTest, AnEmptySourceDoesNothing) {
    transform().setPlainText("earlier result");
    origine().clear();
    click(direct().BTconvert());
    EXPECT_EQ(transform().toPlainText(), "earlier result");
    EXPECT_FALSE(PBC().isVisible());
    EXPECT_EQ(PBC().caption(), "Ready");
    EXPECT_TRUE(window->FrameSTEP(FilesPaneIndex).isEnabled());
}

TEST_F(DirectPaneTest, CtrlASelectsAllInBothBoxes) {
    transform().setPlainText("one\ntwo");
    for (QPlainTextEdit* box : {&origine(), &transform()}) {
        box->moveCursor(QTextCursor::Start);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(box->textCursor().selectedText().size(), box->document()->characterCount() - 1);
        EXPECT_EQ(box->textCursor().selectionStart(), 0);
    }
}

// A source long enough to be stopped well before its end.
QString longSource(int lines) {
    QString text;
    for (int i = 0; i < lines; ++i) {
        text += QStringLiteral("    For i = %1 To 5678 ' line\n").arg(i);
    }
    return text;
}

TEST_F(DirectPaneTest, TheStopButtonEndsALongConversionAfterTheCurrentLine) {
    constexpr int Lines = 50'000;
    origine().setPlainText(longSource(Lines));

    struct Seen {
        bool barShown = true, stopShown = true, otherPanesFenced = true, directUsable = true;
        bool convertDisabled = true, sourceReadOnly = true, hourglass = true;
        QStringList captions;
    } seen;
    bool stopped = false;
    // Samples the window whenever it gets to process events; presses "STOP !" on the third
    // time, once the bar has had a chance to show progress.
    QTimer sampler;
    sampler.setInterval(0);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        seen.barShown = seen.barShown && PBC().isVisible();
        seen.stopShown = seen.stopShown && direct().BTstop().isVisible();
        for (int i = 0; i < DirectPaneIndex; ++i) {
            seen.otherPanesFenced = seen.otherPanesFenced && !window->FrameSTEP(i).isEnabled() &&
                                    !window->switchButton(i).isOwnEnabled();
        }
        seen.directUsable = seen.directUsable && window->FrameSTEP(DirectPaneIndex).isEnabled() &&
                            window->switchButton(DirectPaneIndex).isOwnEnabled();
        seen.convertDisabled = seen.convertDisabled && !direct().BTconvert().isEnabled();
        seen.sourceReadOnly = seen.sourceReadOnly && origine().isReadOnly();
        const QCursor* cursor = QApplication::overrideCursor();
        seen.hourglass = seen.hourglass && cursor != nullptr && cursor->shape() == Qt::WaitCursor;
        seen.captions.append(PBC().caption());
        if (seen.captions.size() == 3) {
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
    EXPECT_TRUE(seen.barShown);
    EXPECT_TRUE(seen.stopShown);
    EXPECT_TRUE(seen.otherPanesFenced);
    EXPECT_TRUE(seen.directUsable);
    EXPECT_TRUE(seen.convertDisabled);
    EXPECT_TRUE(seen.sourceReadOnly);
    EXPECT_TRUE(seen.hourglass);
    EXPECT_TRUE(seen.captions.last().endsWith(" %")) << seen.captions.join(u'|').toStdString();

    const int converted = transform().document()->blockCount() - 1;
    EXPECT_GT(converted, 0);
    EXPECT_LT(converted, Lines);
    // The lines converted so far stay, whole.
    EXPECT_TRUE(result().starts_with("    <a class=k>For</a> i<a class=o> =</a> <a class=n>0</a>"));
    EXPECT_TRUE(result().ends_with("</a>\r\n"));
    expectIdleAgain();

    // The next conversion starts afresh and runs to its end.
    origine().setPlainText("End Sub");
    click(direct().BTconvert());
    EXPECT_EQ(result(), "<a class=k>End Sub</a>\r\n");
}

TEST_F(DirectPaneTest, ClosingTheWindowStopsTheConversion) {
    constexpr int Lines = 50'000;
    origine().setPlainText(longSource(Lines));
    QTimer::singleShot(0, window.get(), [&] { window->close(); });
    click(direct().BTconvert());
    EXPECT_FALSE(window->isVisible());
    EXPECT_LT(transform().document()->blockCount() - 1, Lines);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace quillon::window::testing
