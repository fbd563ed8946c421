#pragma once
// The named properties a control is saved as and loaded from. Entries keep the order in
// which they were written, so a saved control reads in its declaration order.

#include "controls/vb_color.h"

#include <QFont>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <utility>
#include <vector>

namespace quillon {

class PropertyBag {
public:
    // Stores `value` under `name` unless it equals `defaultValue`: a property that holds
    // its default is not saved. Writing a name again replaces the earlier entry in place.
    void write(const QString& name, const QVariant& value, const QVariant& defaultValue);
    // Stores unconditionally, for bags assembled by hand.
    void set(const QString& name, const QVariant& value);
    void remove(const QString& name);
    void clear() { entries_.clear(); }

    bool contains(const QString& name) const;
    // The stored value, or an invalid QVariant when the name is absent.
    QVariant value(const QString& name) const;
    QStringList names() const;
    int size() const { return static_cast<int>(entries_.size()); }
    bool isEmpty() const { return entries_.empty(); }

    // Typed reads give `defaultValue` when the name is absent. A stored value that does
    // not read as the type raises error 13 "Type mismatch", one out of range error 6
    // "Overflow", an invalid colour error 380; each message names the property.
    bool readBool(const QString& name, bool defaultValue) const;
    qint16 readInteger(const QString& name, qint16 defaultValue) const;
    qint32 readLong(const QString& name, qint32 defaultValue) const;
    double readNumber(const QString& name, double defaultValue) const;
    QString readText(const QString& name, const QString& defaultValue) const;
    VbColor readColor(const QString& name, VbColor defaultValue) const;
    QFont readFont(const QString& name, const QFont& defaultValue) const;

private:
    const QVariant* find(const QString& name) const;

    std::vector<std::pair<QString, QVariant>> entries_;
};

} // namespace quillon
