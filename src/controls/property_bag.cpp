#include "controls/property_bag.h"

#include "base/vb_error.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace quillon {

namespace {

constexpr int Overflow = 6;

[[noreturn]] void mismatch(const QString& name) {
    raise(vberr::TypeMismatch, name.toStdString());
}

[[noreturn]] void overflow(const QString& name) {
    raiseWithText(Overflow, "Overflow: " + name.toStdString());
}

bool isNumericType(int typeId) {
    switch (typeId) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A stored value as a number, the way a saved Variant reads back: numbers as they are,
// True as -1, and text that reads as a number. Anything else is a type mismatch.
double numberOf(const QVariant& stored, const QString& name) {
    const int typeId = stored.metaType().id();
    if (typeId == QMetaType::Bool) {
        return stored.toBool() ? -1.0 : 0.0;
    }
    if (isNumericType(typeId)) {
        return stored.toDouble();
    }
    if (typeId == QMetaType::QString) {
        bool ok = false;
        const double number = QLocale::c().toDouble(stored.toString().trimmed(), &ok);
        if (ok) {
            return number;
        }
    }
    mismatch(name);
}

template <class Int> Int wholeNumberOf(const QVariant& stored, const QString& name) {
    const double number = numberOf(stored, name);
    if (!std::isfinite(number)) {
        overflow(name);
    }
    const double rounded = std::nearbyint(number);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        overflow(name);
    }
    return static_cast<Int>(rounded);
}

} // namespace

void PropertyBag::write(const QString& name, const QVariant& value, const QVariant& defaultValue) {
    if (value == defaultValue) {
        remove(name);
        return;
    }
    set(name, value);
}

void PropertyBag::set(const QString& name, const QVariant& value) {
    for (auto& entry : entries_) {
        if (entry.first == name) {
            entry.second = value;
            return;
        }
    }
    entries_.emplace_back(name, value);
}

void PropertyBag::remove(const QString& name) {
    std::erase_if(entries_, [&](const auto& entry) { return entry.first == name; });
}

const QVariant* PropertyBag::find(const QString& name) const {
    for (const auto& entry : entries_) {
        if (entry.first == name) {
            return &entry.second;
        }
    }
    return nullptr;
}

bool PropertyBag::contains(const QString& name) const {
    return find(name) != nullptr;
}

QVariant PropertyBag::value(const QString& name) const {
    const QVariant* stored = find(name);
    return stored ? *stored : QVariant();
}

QStringList PropertyBag::names() const {
    QStringList result;
    for (const auto& entry : entries_) {
        result.append(entry.first);
    }
    return result;
}

bool PropertyBag::readBool(const QString& name, bool defaultValue) const {
    const QVariant* stored = find(name);
    if (!stored) {
        return defaultValue;
    }
    if (stored->metaType().id() == QMetaType::Bool) {
        return stored->toBool();
    }
    if (stored->metaType().id() == QMetaType::QString) {
        const QString text = stored->toString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
            return true;
        }
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return numberOf(*stored, name) != 0.0;
}

qint16 PropertyBag::readInteger(const QString& name, qint16 defaultValue) const {
    const QVariant* stored = find(name);
    return stored ? wholeNumberOf<qint16>(*stored, name) : defaultValue;
}

qint32 PropertyBag::readLong(const QString& name, qint32 defaultValue) const {
    const QVariant* stored = find(name);
    return stored ? wholeNumberOf<qint32>(*stored, name) : defaultValue;
}

double PropertyBag::readNumber(const QString& name, double defaultValue) const {
    const QVariant* stored = find(name);
    return stored ? numberOf(*stored, name) : defaultValue;
}

QString PropertyBag::readText(const QString& name, const QString& defaultValue) const {
    const QVariant* stored = find(name);
    if (!stored) {
        return defaultValue;
    }
    const int typeId = stored->metaType().id();
    if (typeId == QMetaType::QString) {
        return stored->toString();
    }
    if (typeId == QMetaType::Bool || isNumericType(typeId)) {
        return stored->toString();
    }
    mismatch(name);
}

VbColor PropertyBag::readColor(const QString& name, VbColor defaultValue) const {
    const QVariant* stored = find(name);
    if (!stored) {
        return defaultValue;
    }
    // Colours are saved as Longs, so a system colour may come back negative.
    const double number = std::nearbyint(numberOf(*stored, name));
    if (!(number >= static_cast<double>(std::numeric_limits<qint32>::min()) &&
          number <= static_cast<double>(std::numeric_limits<quint32>::max()))) {
        overflow(name);
    }
    const auto colour = static_cast<VbColor>(static_cast<quint64>(static_cast<qint64>(number)) & 0xFFFFFFFFu);
    requireValidVbColor(colour, name.toUtf8().constData());
    return colour;
}

QFont PropertyBag::readFont(const QString& name, const QFont& defaultValue) const {
    const QVariant* stored = find(name);
    if (!stored) {
        return defaultValue;
    }
    if (stored->metaType().id() == QMetaType::QFont) {
        return stored->value<QFont>();
    }
    if (stored->metaType().id() == QMetaType::QString) {
        QFont font;
        if (font.fromString(stored->toString())) {
            return font;
        }
    }
    mismatch(name);
}

} // namespace quillon
