import QtQuick 2.9
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import com.veltrane 1.0
import "FontAwesome" 1.0

// A small square showing one icon glyph; a grey halo while hovered, a frame
// while it has the keyboard focus. The tip names it, as its tooltip (on
// hover and on focus) and to screen readers. `clicked` comes only when the
// press is released over the button, or from Enter or Space.
Rectangle {
    id: rect

    property alias text: lblText.text
    property alias textColor: lblText.color
    property string tip

    signal clicked()

    width: 50
    height: 50
    radius: 4
    color: mouseArea.pressed && mouseArea.containsMouse ? "lightgrey" : "transparent"
    activeFocusOnTab: true

    Accessible.role: Accessible.Button
    Accessible.name: tip
    Accessible.onPressAction: rect.clicked()

    Keys.onPressed: {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            event.accepted = true
            if (!event.isAutoRepeat)
                rect.clicked()
        }
    }

    layer.enabled: mouseArea.containsMouse
    layer.effect: DropShadow {
        transparentBorder: true
        horizontalOffset: 0
        verticalOffset: 0
        samples: 17
        color: "gray"
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onClicked: rect.clicked()
        ToolTip.visible: rect.tip !== "" && (containsMouse || rect.activeFocus)
        ToolTip.delay: 600
        // Shown on focus too, it must not stay for as long as the focus does.
        ToolTip.timeout: 5000
        ToolTip.text: rect.tip
    }

    Label {
        id: lblText
        anchors.centerIn: parent
        font.family: FontAwesome.fontFamily
        font.pixelSize: rect.height * 0.9
        color: "black"
        Accessible.ignored: true
    }

    FocusFrame { radius: rect.radius }
}
