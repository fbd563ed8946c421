#include "desktop/qt/qt_message_boxes.h"

#include "desktop/qt/qt_text.h"

#include <QMessageBox>

namespace quillon::platform {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString messageBoxText(std::string_view text) {
    QString result = toQString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    result.replace(u'\r', u'\n');
    return result;
}

void QtMessageBoxes::showMessageBox(const MessageBoxRequest& request) {
    QMessageBox box(qtIcon(request.icon), toQString(request.title), messageBoxText(request.text),
                    QMessageBox::Ok, parent_);
    // Messages carry paths and file contents: never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    runDialog(box);
}

} // namespace quillon::platform
