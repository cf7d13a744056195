import QtQuick 2.9
import QtQuick.Controls 2.3

// A menu as wide as its widest entry, in any language: a menu's own width
// is fixed, and cuts longer entries off.
Menu {
    id: menu
    width: {
        let widest = 0
        for (let i = 0; i < count; ++i) {
            const entry = itemAt(i)
            if (entry)
                widest = Math.max(widest, entry.implicitWidth)
        }
        return Math.max(widest + leftPadding + rightPadding, implicitWidth)
    }
}
