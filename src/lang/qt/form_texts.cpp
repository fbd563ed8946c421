#include "lang/qt/form_texts.h"

#include "base/vb_error.h"
#include "lang/ini_document.h"
#include "lang/translate.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QVariant>
#include <QWidget>

namespace quillon::lang {

namespace {

constexpr const char* CaptionProperty = "Caption";
constexpr const char* IndexProperty = "vbIndex";
constexpr const char* KeepTextProperty = "vbKeepText";

bool hasCaptionProperty(const QObject& object) {
    return object.metaObject()->indexOfProperty(CaptionProperty) >= 0;
}

// Whether the control has a caption at all, as opposed to a text box's contents, which
// translators never see.
bool hasCaption(const QObject& object) {
    if (hasCaptionProperty(object)) {
        return true;
    }
    return qobject_cast<const QAction*>(&object) || qobject_cast<const QLabel*>(&object) ||
           qobject_cast<const QAbstractButton*>(&object) || qobject_cast<const QGroupBox*>(&object) ||
           qobject_cast<const QMenu*>(&object);
}

std::string keyOf(const QObject& object, const char* property) {
    std::string key = object.objectName().toStdString();
    const QVariant index = object.property(IndexProperty);
    if (index.isValid()) {
        key += "(" + std::to_string(index.toInt()) + ")";
    }
    key += ".";
    key += property;
    return key;
}

void collect(QObject& parent, std::vector<ControlText>& found) {
    for (QObject* child : parent.children()) {
        const bool named =
            !child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_"));
        if (named) {
            if (hasCaption(*child)) {
                found.push_back(
                    {child, keyOf(*child, "Caption"), true, !child->property(KeepTextProperty).toBool()});
            }
            if (child->isWidgetType()) {
                found.push_back({child, keyOf(*child, "ToolTipText"), false});
            }
        }
        collect(*child, found);
    }
}

} // namespace

std::vector<ControlText> formTextSlots(QWidget& window) {
    std::vector<ControlText> found;
    collect(window, found);
    return found;
}

QString textOf(const ControlText& slot) {
    QObject* control = slot.control;
    if (!slot.caption) {
        return static_cast<QWidget*>(control)->toolTip();
    }
    if (hasCaptionProperty(*control)) {
        return control->property(CaptionProperty).toString();
    }
    if (auto* action = qobject_cast<QAction*>(control)) {
        return action->isSeparator() ? QStringLiteral("-") : action->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        return group->title();
    }
    if (auto* menu = qobject_cast<QMenu*>(control)) {
        return menu->title();
    }
    return {};
}

void setTextOf(const ControlText& slot, const QString& text) {
    QObject* control = slot.control;
    if (!slot.caption) {
        static_cast<QWidget*>(control)->setToolTip(text);
    } else if (hasCaptionProperty(*control)) {
        control->setProperty(CaptionProperty, text);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        if (!action->isSeparator()) {
            action->setText(text);
        }
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(text);
    }
}

void ExportFormTexts(QWidget& window, const std::string& file) {
    const std::string section = window.objectName().toStdString();
    try {
        IniDocument document = IniDocument::load(file);
        auto store = [&](std::string_view sectionName, std::string_view key, const QString& text) {
            if (text.isEmpty()) {
                return;
            }
            try {
                document.set(sectionName, key, text.toStdString());
            } catch (const VbError&) {
                // A text that cannot be stored (a line break in it) keeps the old value.
            }
        };
        store(section, "Form.Caption", window.windowTitle());
        for (const ControlText& slot : formTextSlots(window)) {
            store(section, slot.key, textOf(slot));
        }
        for (const IniEntry& message : englishMessages()) {
            store(MessageSection, message.key, QString::fromStdString(message.value));
        }
        if (document.modified()) {
            document.save(file);
        }
    } catch (const VbError&) {
        // The export is a courtesy to translators: a folder that cannot be written does not
        // stop the program.
    }
}

void TranslateForm(QWidget& window, const std::string& file) {
    setCurrentLanguageFile(file);
    const IniDocument document = IniDocument::loadOrEmpty(file);
    const std::string section = window.objectName().toStdString();
    auto read = [&](std::string_view key, const QString& current) {
        return QString::fromStdString(document.readString(section, key, current.toStdString()));
    };
    window.setWindowTitle(read("Form.Caption", window.windowTitle()));
    for (const ControlText& slot : formTextSlots(window)) {
        if (!slot.replaceable) {
            continue;
        }
        const QString current = textOf(slot);
        const QString translated = read(slot.key, current);
        if (translated != current) {
            setTextOf(slot, translated);
        }
    }
}

} // namespace quillon::lang
