import QtQuick 2.0

// A QtObject that can hold child objects: whatever is written inside it
// goes into its children list.
QtObject {
    id: object

    property list<QtObject> __children: [ QtObject {} ]
    default property alias children: object.__children
}
