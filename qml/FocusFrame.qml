import QtQuick 2.9

// Where the keyboard is: a frame over the control that has the focus, in
// the one colour every control of the screen uses for it, lined in white so
// that it stands out on dark and coloured controls as on light ones. It
// lies inside the control's bounds, so that a layer (the hover shadow)
// cannot clip it.
Rectangle {
    property bool shown: parent ? parent.activeFocus : false

    objectName: "focusFrame"
    anchors.fill: parent
    color: "transparent"
    border.width: 4
    border.color: "#0d47a1"
    radius: 2
    visible: shown
    Accessible.ignored: true

    Rectangle {
        anchors.fill: parent
        anchors.margins: 4
        color: "transparent"
        border.width: 1
        border.color: "white"
    }
}
