import QtQuick 2.9
import QtQuick.Controls 2.3
import QtQuick.Controls.Material 2.1
import com.veltrane 1.0

// The target pitch: the named choices, each with the A4 it stands for, and
// "Other…", a number of one's own with the concert pitches suggested. A
// stored pitch that no choice has shows as one's own. The line below says
// what the choice means, or why a number typed was not taken.
Column {
    id: chooser
    spacing: 4

    readonly property var choices: ApplicationManager.targetFrequencies
    readonly property int otherIndex: choices.count - 1
    property bool otherChosen: choices.getIndexOfValue(GlobalSettings.targetFrequency) < 0
    property string problem: ""

    function a4Text(hz) {
        return qsTr("A4 = %1 Hz").arg(ApplicationManager.frequencyText(hz))
    }
    function commit(text) {
        chooser.problem = ApplicationManager.setTargetFrequencyText(text)
    }

    Label {
        objectName: "frequencyLabel"
        width: parent.width
        text: qsTr("Target frequency") + ":"
        font.pointSize: 16
        color: "black"
    }
    ComboBox {
        id: frequencyBox
        objectName: "frequencyBox"
        width: parent.width
        Accessible.name: qsTr("Target frequency")
        model: chooser.choices
        textRole: "label"
        currentIndex: chooser.otherChosen ? chooser.otherIndex
                                          : chooser.choices.getIndexOfValue(GlobalSettings.targetFrequency)
        onActivated: {
            chooser.problem = ""
            if (index === chooser.otherIndex) {
                chooser.otherChosen = true
                otherBox.editText = ApplicationManager.frequencyText(GlobalSettings.targetFrequency)
                return
            }
            chooser.otherChosen = false
            GlobalSettings.set_targetFrequency(chooser.choices.get(index).value)
            GlobalSettings.saveSettings()
        }
        // Each choice with the A4 it means, on a line of its own.
        delegate: ItemDelegate {
            objectName: "frequencyChoice"
            width: frequencyBox.popup.availableWidth
            highlighted: frequencyBox.highlightedIndex === index
            contentItem: Column {
                // In the popup's own colours, as the box's default entries.
                Label {
                    text: model.label
                }
                Label {
                    visible: index !== chooser.otherIndex
                    text: visible ? chooser.a4Text(model.value) : ""
                    opacity: 0.75
                    font.pointSize: 9
                }
            }
        }

        FocusFrame {
            shown: frequencyBox.visualFocus
        }
    }
    // One's own A4 in Hz, typed or picked among the concert pitches.
    ComboBox {
        id: otherBox
        objectName: "otherFrequencyBox"
        width: parent.width
        visible: chooser.otherChosen
        editable: true
        // An editable box has no background of its own: dark text for the
        // light page.
        Material.theme: Material.Light
        Accessible.name: qsTr("Target frequency in Hz")
        model: ApplicationManager.concertPitches.map(function (hz) { return ApplicationManager.frequencyText(hz) })
        // The pitch set, not a suggestion, until one is picked; once the
        // box has taken its model, which resets the text.
        currentIndex: -1
        Component.onCompleted: Qt.callLater(function () {
            otherBox.editText = ApplicationManager.frequencyText(GlobalSettings.targetFrequency)
        })
        onAccepted: chooser.commit(editText)
        onActivated: chooser.commit(textAt(index))
        onActiveFocusChanged: {
            if (!activeFocus && visible)
                chooser.commit(editText)
        }

        FocusFrame {
            shown: otherBox.activeFocus
        }
    }
    Label {
        objectName: "frequencyHint"
        width: parent.width
        wrapMode: Text.Wrap
        text: chooser.problem !== "" ? chooser.problem : chooser.a4Text(GlobalSettings.targetFrequency)
        color: chooser.problem !== "" ? "darkred" : "#404040"
        font.pointSize: 10
    }
}
