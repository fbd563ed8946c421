// The "Direct" pane: pasted text converted in memory, with its progress, its stop button and
// the fence that keeps the other panes still meanwhile.

#include "window_fixture.h"

#include "engine/direct_conversion.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
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
                           origine().isReadOnly();
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
