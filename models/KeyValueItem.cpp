#include "models/KeyValueItem.h"

#include <atomic>

namespace {
std::atomic<int> s_nextInsertionOrder{0};
}

KeyValueItem::KeyValueItem(const QString &label, const QVariant &value, QObject *parent)
    : QObject(parent)
    , m_insertionOrder(s_nextInsertionOrder.fetch_add(1, std::memory_order_relaxed))
{
    m_label = label;
    m_value = value;
}
