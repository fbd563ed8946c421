// The parts both controls share: colour values and the saved properties.
#include "controls/bar_color.h"
#include "controls/switch_button.h"
#include "controls_test_support.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(VbColor, RedIsTheLowestByteSystemColoursNameAPaletteRoleAndBadValuesAreRefused) {
    QPalette palette;
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(4, 5, 6));
    EXPECT_EQ(resolveVbColor(vbRgb(0x99, 0x66, 0x33), palette), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(resolveVbColor(0x80000011u, palette), QColor(4, 5, 6));
    for (const VbColor good : {0u, 0xFFFFFFu, 0x80000000u, 0x80000018u, 0x8000001Eu}) {
        EXPECT_TRUE(isValidVbColor(good)) << std::hex << good;
    }
    for (const VbColor bad : {0x01000000u, 0x80000019u, 0x8000001Fu, 0x80010005u}) {
        EXPECT_FALSE(isValidVbColor(bad)) << std::hex << bad;
        EXPECT_EQ(resolveVbColor(bad, palette), QColor(Qt::black));
        EXPECT_EQ(test::raised([&] { requireValidVbColor(bad, "BackColor"); }).first, 380) << std::hex << bad;
    }
}

template <class Control> PropertyBag saved(const Control& control) {
    PropertyBag bag;
    control.writeProperties(bag);
    return bag;
}

// Loads `bag` into `copy` and expects it to save the very same entries again.
template <class Control> void expectLoadsBack(const PropertyBag& bag, Control& copy) {
    copy.readProperties(bag);
    EXPECT_EQ(saved(copy).names(), bag.names());
    for (const QString& name : bag.names()) {
        EXPECT_EQ(saved(copy).value(name), bag.value(name)) << name.toStdString();
    }
}

TEST(ControlPersistence, SavedPropertiesLoadBackWithoutDrawingUntilTheFirstLayout) {
    BarColor bar;
    bar.setStrExtend(QStringLiteral(" lines"));
    bar.setMax(400);
    bar.setValue(100);
    BarColor barCopy;
    QSignalSpy changes(&barCopy, &BarColor::Change);
    expectLoadsBack(saved(bar), barCopy);
    EXPECT_EQ(changes.count(), 0) << "loading does not draw";
    barCopy.show();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(barCopy.caption(), QStringLiteral("100 lines"));
    SwitchButton button;
    button.setCaption(QStringLiteral("Files"));
    button.setStyle(1);
    button.setPosition(0);
    button.setCaptionAuto(false);
    button.setEnabled(false);
    SwitchButton buttonCopy;
    expectLoadsBack(saved(button), buttonCopy);
}

// The reader is shared; each control adds checks of its own (Appearance, colours).
TEST(ControlPersistence, BadEntryRaisesNamingThePropertyAndChangesNothing) {
    SwitchButton button;
    BarColor bar;
    const struct {
        bool onTheBar;
        const char* name;
        QVariant stored;
        int error;
    } rows[] = {
        {false, "BackColor", QStringLiteral("red"), 13},
        {false, "ColorTopLeftOne", QVariant::fromValue<quint32>(0x80000040u), 380},
        {false, "Position", 1e12, 6},
        {true, "Appearance", 3, 380},
    };
    for (const auto& row : rows) {
        PropertyBag bag;
        bag.set(QStringLiteral("Caption"), QStringLiteral("Lost"));
        bag.set(QStringLiteral("StrExtend"), QStringLiteral("?"));
        bag.set(QString::fromLatin1(row.name), row.stored);
        const auto [number, what] =
            test::raised([&] { row.onTheBar ? bar.readProperties(bag) : button.readProperties(bag); });
        EXPECT_EQ(number, row.error) << row.name;
        EXPECT_NE(what.find(row.name), std::string::npos) << what;
        EXPECT_EQ(button.caption(), QStringLiteral("Caption")) << row.name;
        EXPECT_EQ(bar.strExtend(), QStringLiteral("%")) << row.name;
    }
}

} // namespace
} // namespace quillon
