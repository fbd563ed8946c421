#include "desktop/qt/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "qt_test_printers.h"

#include <gtest/gtest.h>

namespace quillon::platform {
namespace {

TEST(QtClipboard, OffersTheHtmlTheRtfAndTheTextOfOneCopyUnderTheirUsualTypes) {
    QGuiApplication::clipboard()->clear();
    QtClipboard().put({"<pre style=\"color:#FF0000\">MsgBox</pre>", "{\\rtf1 MsgBox}", "MsgBox \"\u00E9\""});
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    for (const char* type : {"text/html", "text/rtf", "application/rtf", "text/plain"}) {
        EXPECT_TRUE(data->hasFormat(QString::fromLatin1(type)))
            << type << " in " << data->formats().join(u' ').toStdString();
    }
    EXPECT_EQ(data->text(), QStringLiteral("MsgBox \"\u00E9\""));
    EXPECT_TRUE(data->html().contains(QStringLiteral("<pre style=\"color:#FF0000\">MsgBox</pre>")))
        << data->html().toStdString();
    EXPECT_TRUE(data->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1 MsgBox}"));
}

} // namespace
} // namespace quillon::platform
