#pragma once
// Message boxes on QMessageBox.

#include "desktop/message_boxes.h"
#include "desktop/qt/modal_runner.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <string_view>

namespace quillon::platform {

// CR LF and a lone CR both become the line feed Qt breaks lines at.
QString messageBoxText(std::string_view text);

class QtMessageBoxes final : public MessageBoxes, public ModalRunner {
public:
    explicit QtMessageBoxes(QWidget* parent = nullptr) : parent_(parent) {}

protected:
    void showMessageBox(const MessageBoxRequest& request) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace quillon::platform
