#pragma once

// Properties in the pattern every QML-visible class here follows: a getter,
// a `<name>Changed(value)` signal and a slot that stores the value and emits
// only when it differs, returning whether it did. Read-only properties get an
// `update_<name>` slot, writable ones a `set_<name>` slot that is also the
// property's WRITE accessor.
//
// Values compare with ==, so strings compare by content, variants by variant
// equality, and a NaN double always counts as a change.

#include <QObject>

#define TW_PROPERTY_MEMBERS_(Type, name, slotName)                                  \
public:                                                                            \
    Type name() const { return m_##name; }                                          \
public Q_SLOTS:                                                                     \
    bool slotName(Type const &value)                                                \
    {                                                                               \
        if (m_##name == value)                                                      \
            return false;                                                           \
        m_##name = value;                                                           \
        Q_EMIT name##Changed(m_##name);                                             \
        return true;                                                                \
    }                                                                               \
Q_SIGNALS:                                                                          \
    void name##Changed(Type const &name);                                           \
private:                                                                            \
    Type m_##name{};

#define TW_READONLY_PROPERTY(Type, name)                                            \
    Q_PROPERTY(Type name READ name NOTIFY name##Changed)                             \
    TW_PROPERTY_MEMBERS_(Type, name, update_##name)

#define TW_WRITABLE_PROPERTY(Type, name)                                            \
    Q_PROPERTY(Type name READ name WRITE set_##name NOTIFY name##Changed)            \
    TW_PROPERTY_MEMBERS_(Type, name, set_##name)
