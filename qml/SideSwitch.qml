import QtQuick 2.9
import QtQuick.Controls 2.3

// The switch between the two sides of the player: the file at its own
// pitch and retuned. One control: a click on the other side, or Space or
// Enter, switches; the side heard is filled in.
Rectangle {
    id: sideSwitch

    property bool retuned: false
    property string originalText
    property string retunedText
    property string tip

    signal toggled()

    implicitWidth: sides.implicitWidth + 8
    implicitHeight: 36
    radius: 4
    color: "white"
    border.color: "#909090"
    opacity: enabled ? 1.0 : 0.4
    activeFocusOnTab: true

    Accessible.role: Accessible.Button
    Accessible.name: tip
    Accessible.description: retuned ? retunedText : originalText
    Accessible.onPressAction: sideSwitch.toggled()

    Keys.onPressed: {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            event.accepted = true
            if (!event.isAutoRepeat)
                sideSwitch.toggled()
        }
    }

    Row {
        id: sides
        anchors.centerIn: parent
        spacing: 2

        Repeater {
            model: [sideSwitch.originalText, sideSwitch.retunedText]

            Rectangle {
                readonly property bool heard: (index === 1) === sideSwitch.retuned
                objectName: index === 0 ? "originalSide" : "retunedSide"
                width: label.implicitWidth + 16
                height: sideSwitch.height - 8
                radius: 3
                color: heard ? "#1976d2" : "transparent"

                Label {
                    id: label
                    anchors.centerIn: parent
                    text: modelData
                    color: parent.heard ? "white" : "#404040"
                    font.bold: parent.heard
                }
                MouseArea {
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: {
                        if (!parent.heard)
                            sideSwitch.toggled()
                    }
                    ToolTip.visible: sideSwitch.tip !== "" && containsMouse
                    ToolTip.delay: 600
                    ToolTip.timeout: 5000
                    ToolTip.text: sideSwitch.tip
                }
            }
        }
    }

    FocusFrame { radius: sideSwitch.radius }
}
