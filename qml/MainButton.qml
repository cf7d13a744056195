import QtQuick 2.9
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import com.veltrane 1.0
import "FontAwesome" 1.0

// A large white tile with a coloured icon square and a caption, which
// shrinks to fit the tile rather than overflow it; a drop shadow while
// hovered, a frame while it has the keyboard focus, faded while disabled.
// `clicked` comes with the pointer's position in the button, only when the
// press is released over the button; Enter or Space give its centre.
Rectangle {
    id: rect

    property alias index: lblIndex.text
    property alias text: lblText.text
    property alias bgColor: leftRect.color

    signal clicked(real mouseX, real mouseY)

    function press() {
        rect.clicked(width / 2, height / 2)
    }

    width: 340
    height: 80
    color: mouseArea.pressed && mouseArea.containsMouse ? "lightgrey" : "white"
    opacity: enabled ? 1.0 : 0.4
    activeFocusOnTab: true

    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.onPressAction: press()

    Keys.onPressed: {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            event.accepted = true
            if (!event.isAutoRepeat)
                press()
        }
    }
    // Disabled while it has the focus (Start, once pressed), it hands the
    // focus on rather than leave the keyboard nowhere.
    onActiveFocusChanged: {
        if (!activeFocus && !enabled)
            Qt.callLater(function () { rect.nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason) })
    }

    layer.enabled: mouseArea.containsMouse
    layer.effect: DropShadow {
        transparentBorder: true
        horizontalOffset: 4
        verticalOffset: 4
        samples: 17
        color: "gray"
    }

    Rectangle {
        id: leftRect
        width: 80
        height: 80
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter

        Label {
            id: lblIndex
            anchors.centerIn: parent
            color: "black"
            font.family: FontAwesome.fontFamily
            font.pixelSize: leftRect.height * 0.8
            Accessible.ignored: true
        }
    }

    Label {
        id: lblText
        objectName: "caption"
        anchors.left: leftRect.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        verticalAlignment: Text.AlignVCenter
        color: "black"
        font.pixelSize: rect.height * 0.3
        fontSizeMode: Text.Fit
        minimumPixelSize: 10
        wrapMode: Text.WordWrap
        Accessible.ignored: true  // the button says it
    }

    MouseArea {
        id: mouseArea
        anchors.fill: parent
        hoverEnabled: true
        // A press released elsewhere is no click.
        onClicked: rect.clicked(mouse.x, mouse.y)
    }

    FocusFrame {}
}
