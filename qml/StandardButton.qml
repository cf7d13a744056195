import QtQuick 2.9
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import com.veltrane 1.0
import "FontAwesome" 1.0

// A small square showing one icon glyph; a grey halo while hovered, and the
// tip as a tooltip. `clicked` comes only when the press is released over
// the button.
Rectangle {
    id: rect

    property alias text: lblText.text
    property alias textColor: lblText.color
    property string tip

    signal clicked()

    width: 50
    height: 50
    color: mouseArea.pressed && mouseArea.containsMouse ? "lightgrey" : "transparent"

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
        ToolTip.visible: rect.tip !== "" && containsMouse
        ToolTip.delay: 600
        ToolTip.text: rect.tip
    }

    Label {
        id: lblText
        anchors.centerIn: parent
        font.family: FontAwesome.fontFamily
        font.pixelSize: rect.height * 0.9
        color: "black"
    }
}
