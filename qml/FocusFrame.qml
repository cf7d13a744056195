import QtQuick 2.9

// Where the keyboard is: a frame over the control that has the focus, in
// the one colour every control of the screen uses for it. It lies inside
// the control's bounds, so that a layer (the hover shadow) cannot clip it.
Rectangle {
    property bool shown: parent ? parent.activeFocus : false

    objectName: "focusFrame"
    anchors.fill: parent
    color: "transparent"
    border.width: 3
    border.color: "#1565c0"
    visible: shown
    Accessible.ignored: true
}
