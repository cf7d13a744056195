import QtQuick 2.9
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import com.veltrane 1.0
import "FontAwesome" 1.0

// A small square showing one icon glyph; a grey halo while hovered.
// `clicked` comes on release, also when the pointer left the button.
Rectangle {
    id: rect

    property alias text: lblText.text
    property alias textColor: lblText.color

    signal clicked()

    width: 50
    height: 50
    color: "transparent"

    layer.enabled: false
    layer.effect: DropShadow {
        transparentBorder: true
        horizontalOffset: 0
        verticalOffset: 0
        samples: 17
        color: "gray"
    }

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        onEntered: rect.layer.enabled = true
        onExited: rect.layer.enabled = false
        onPressed: rect.color = "lightgrey"
        onReleased: {
            rect.color = "transparent"
            rect.clicked()
        }
    }

    Label {
        id: lblText
        anchors.centerIn: parent
        font.family: FontAwesome.fontFamily
        font.pixelSize: rect.height * 0.9
        color: "black"
    }
}
