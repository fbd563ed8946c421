#include "window/window_look.h"

#include <QFontDatabase>
#include <QLabel>
#include <QToolButton>
#include <QVariant>

namespace quillon::window {

namespace {

// The first installed family of `candidates`, so a substitution never points at a family
// that is not there (Qt would then fall back to whatever fontconfig picks).
QStringList installedOf(std::initializer_list<const char*> candidates) {
    const QStringList families = QFontDatabase::families();
    QStringList found;
    for (const char* candidate : candidates) {
        const QString family = QString::fromLatin1(candidate);
        if (families.contains(family, Qt::CaseInsensitive)) {
            found.append(family);
        }
    }
    return found;
}

} // namespace

void installDesignFonts() {
    // MS Sans Serif has no metric twin; Liberation Sans at the same size is the closest in
    // width, so the labels keep to the rectangles they were designed for.
    const QStringList sans = installedOf({"Liberation Sans", "Arimo", "DejaVu Sans"});
    if (!sans.isEmpty()) {
        QFont::removeSubstitutions(QStringLiteral("MS Sans Serif"));
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    }
    // Liberation Mono is metric-compatible with Courier New.
    const QStringList mono = installedOf({"Liberation Mono", "Cousine", "DejaVu Sans Mono"});
    if (!mono.isEmpty()) {
        QFont::removeSubstitutions(QStringLiteral("Courier New"));
        QFont::insertSubstitutions(QStringLiteral("Courier New"), mono);
    }
}

QFont designFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    // The look-alike runs about five percent wider than the bitmap font the labels were
    // measured for; slightly closer letters keep every caption inside its rectangle.
    font.setLetterSpacing(QFont::PercentageSpacing, 95);
    return font;
}

QIcon projectIcon(const QString& name) {
    return QIcon(QStringLiteral(":/icons/") + name + QStringLiteral(".png"));
}

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) {
        icon.addFile(QStringLiteral(":/icons/quillon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

void nameControl(QObject& control, const char* name, int index) {
    control.setObjectName(QString::fromLatin1(name));
    if (index >= 0) {
        control.setProperty(VbIndexProperty, index);
    }
}

QToolButton* makePictureButton(QWidget* parent, const char* name, const QString& iconName,
                               const QString& toolTip) {
    auto* button = new QToolButton(parent);
    nameControl(*button, name);
    button->setIcon(projectIcon(iconName));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(toolTip);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QLabel* makeLinkLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    nameControl(*label, name);
    // Only the underline and the text colour are set, the rest still follows the window.
    QFont font;
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette;
    palette.setColor(QPalette::WindowText, LinkColour);
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace quillon::window
