#include "desktop/qt/qt_clipboard.h"

#include "desktop/qt/qt_text.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillon::platform {

void QtClipboard::put(const ClipboardContent& content) {
    auto* data = new QMimeData;
    data->setHtml(toQString(content.html));
    // Word processors on Linux ask for "text/rtf", others (and the Windows and macOS
    // bridges) for "application/rtf".
    const QByteArray rtf = QByteArray::fromStdString(content.rtf);
    data->setData(QStringLiteral("text/rtf"), rtf);
    data->setData(QStringLiteral("application/rtf"), rtf);
    data->setText(toQString(content.plainText));
    // The clipboard takes the data over.
    QGuiApplication::clipboard()->setMimeData(data);
}

} // namespace quillon::platform
