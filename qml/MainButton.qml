import QtQuick 2.9
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import com.veltrane 1.0
import "FontAwesome" 1.0

// A large white tile with a coloured icon square and a caption; a drop
// shadow while hovered. `clicked` comes on release with the pointer's
// position in the button, also when the pointer left the button.
Rectangle {
    id: rect

    property alias index: lblIndex.text
    property alias text: lblText.text
    property alias bgColor: leftRect.color

    signal clicked(real mouseX, real mouseY)

    width: 340
    height: 80
    color: "white"

    layer.enabled: false
    layer.effect: DropShadow {
        transparentBorder: true
        horizontalOffset: 4
        verticalOffset: 4
        samples: 17
        color: "gray"
    }

    Row {
        id: row
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        spacing: 10

        Rectangle {
            id: leftRect
            width: 80
            height: 80
            anchors.verticalCenter: parent.verticalCenter

            Label {
                id: lblIndex
                anchors.centerIn: parent
                color: "black"
                font.family: FontAwesome.fontFamily
                font.pixelSize: leftRect.height * 0.8
            }
        }

        Label {
            id: lblText
            anchors.verticalCenter: parent.verticalCenter
            color: "black"
            font.pixelSize: row.height * 0.3
            wrapMode: Text.WordWrap
        }
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        onEntered: rect.layer.enabled = true
        onExited: rect.layer.enabled = false
        onPressed: rect.color = "lightgrey"
        onReleased: {
            rect.color = "white"
            rect.clicked(mouseArea.mouseX, mouseArea.mouseY)
        }
    }
}
