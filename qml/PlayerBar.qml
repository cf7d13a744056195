import QtQuick 2.9
import QtQuick.Controls 2.3
import QtQuick.Layouts 1.3
import QtQml 2.14
import com.veltrane 1.0
import "FontAwesome" 1.0

// The player of the selected row, or of a file dropped on it: play and
// pause, the place in the file with its time, and the switch between the
// file's own pitch and the target, which keeps the place. Space, B and the
// arrow keys work from the queue too (main.qml).
Rectangle {
    id: bar
    objectName: "playerBar"

    readonly property PreviewPlayer player: ApplicationManager.player
    readonly property bool loaded: player.fileName !== ""

    // 83 seconds: "1:23".
    function timeText(seconds) {
        const whole = Math.max(0, Math.floor(seconds))
        return Math.floor(whole / 60) + ":" + ("0" + whole % 60).slice(-2)
    }

    implicitHeight: layout.implicitHeight + 12
    color: dropArea.containsDrag ? "#e3f2fd" : "white"

    RowLayout {
        id: layout
        anchors.fill: parent
        anchors.margins: 6
        spacing: 8

        StandardButton {
            objectName: "playButton"
            Layout.preferredWidth: 40
            Layout.preferredHeight: 40
            enabled: bar.loaded
            opacity: enabled ? 1.0 : 0.4
            text: bar.player.playing ? FontAwesome.symbols.fa_pause : FontAwesome.symbols.fa_play
            textColor: "#404040"
            tip: bar.player.playing ? qsTr("Pause (Space)") : qsTr("Listen (Space)")
            onClicked: bar.player.togglePlaying()
        }

        ColumnLayout {
            Layout.fillWidth: true
            spacing: 0

            // The file, or what to do; what went wrong in red.
            Label {
                objectName: "playerLabel"
                Layout.fillWidth: true
                Layout.preferredWidth: 0
                elide: Text.ElideMiddle
                text: bar.player.message !== "" ? bar.player.message
                      : bar.loaded ? bar.player.fileName
                      : qsTr("Select or drop a file to hear it before converting")
                color: bar.player.message !== "" && !bar.player.ready ? "darkred" : bar.loaded ? "black" : "#606060"
                ToolTip.visible: labelMouse.containsMouse && truncated
                ToolTip.text: text
                MouseArea {
                    id: labelMouse
                    anchors.fill: parent
                    hoverEnabled: true
                    acceptedButtons: Qt.NoButton
                }
            }
            RowLayout {
                Layout.fillWidth: true
                spacing: 6

                Slider {
                    id: positionSlider
                    objectName: "positionSlider"
                    Layout.fillWidth: true
                    enabled: bar.loaded
                    from: 0
                    to: Math.max(bar.player.duration, bar.player.position, 1)
                    // The arrow keys move as far as everywhere else.
                    stepSize: 5
                    Accessible.name: qsTr("Position")
                    onMoved: {
                        if (!pressed)
                            bar.player.seek(value)
                    }
                    onPressedChanged: {
                        if (!pressed)
                            bar.player.seek(value)
                    }
                    // The place heard, but for while it is dragged.
                    Binding {
                        target: positionSlider
                        property: "value"
                        value: bar.player.position
                        when: !positionSlider.pressed
                        restoreMode: Binding.RestoreNone
                    }

                    FocusFrame {
                        shown: positionSlider.visualFocus
                    }
                }
                Label {
                    objectName: "timeLabel"
                    text: bar.timeText(bar.player.position) + " / " + bar.timeText(bar.player.duration)
                    color: "#404040"
                    font.pointSize: 10
                }
            }
        }

        SideSwitch {
            objectName: "sideSwitch"
            enabled: bar.loaded
            retuned: bar.player.retuned
            originalText: qsTr("Original")
            retunedText: qsTr("%1 Hz").arg(ApplicationManager.frequencyText(bar.player.targetFrequency))
            tip: qsTr("Switch between the original and %1 Hz (B)")
                 .arg(ApplicationManager.frequencyText(bar.player.targetFrequency))
            onToggled: bar.player.toggleSide()
        }
    }

    // One file dropped here is played without being queued.
    DropArea {
        id: dropArea
        anchors.fill: parent
        onEntered: {
            if (drag.urls.length === 1)
                drag.accept(Qt.CopyAction)
            else
                drag.accepted = false
        }
        onDropped: ApplicationManager.previewUrls(drop.urls)
    }
}
