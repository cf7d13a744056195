import QtQuick 2.9
import QtQuick.Controls 2.3
import QtQuick.Layouts 1.3
import com.veltrane 1.0
import "FontAwesome" 1.0

// One row of the queue: an icon for the state, the file's name, its state
// and what applies to it, a warning when there is one, and the actions
// that fit the state. The whole text is the tooltip; a double click opens
// a finished file's folder, the right button the menu of every action.
// The model's roles of a QueueEntry come in as `model`.
Rectangle {
    id: row

    readonly property QueueEntry entry: model.qtObject
    readonly property int entryState: model.state
    readonly property bool done: entryState === QueueEntry.S_Finished || entryState === QueueEntry.S_Skipped
    readonly property bool failed: entryState === QueueEntry.S_Failed
    readonly property bool warned: model.warningText !== ""

    height: Math.max(56, texts.implicitHeight + 12)
    color: rowMouse.containsMouse ? "#e6e6e6" : "lightgray"

    MouseArea {
        id: rowMouse
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onClicked: {
            if (mouse.button === Qt.RightButton)
                rowMenu.popup()
        }
        onDoubleClicked: {
            if (row.done)
                ApplicationManager.openOutputFolder(row.entry)
        }
        ToolTip.visible: containsMouse && !rowMenu.visible
        ToolTip.delay: 800
        ToolTip.text: model.toolTip
    }

    Menu {
        id: rowMenu
        objectName: "rowMenu"
        MenuItem {
            text: qsTr("Open output folder")
            enabled: row.done
            onTriggered: ApplicationManager.openOutputFolder(row.entry)
        }
        MenuItem {
            text: qsTr("Retry")
            enabled: row.failed
            onTriggered: ApplicationManager.retryEntry(row.entry)
        }
        MenuItem {
            text: qsTr("Remove")
            onTriggered: ApplicationManager.removeEntry(row.entry)
        }
        MenuSeparator {}
        MenuItem {
            text: qsTr("Retry failed")
            onTriggered: ApplicationManager.retryFailed()
        }
        MenuItem {
            text: Translator.strRemoveFinished
            onTriggered: ApplicationManager.removeFinishedFromQueue()
        }
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 20  // clear of the scroll bar
        spacing: 8

        Item {
            Layout.preferredWidth: 40
            Layout.preferredHeight: 40

            Label {
                objectName: "stateIcon"
                anchors.centerIn: parent
                visible: row.entryState !== QueueEntry.S_Processing
                font.family: FontAwesome.fontFamily
                font.pixelSize: 28
                text: row.entryState === QueueEntry.S_Finished
                      ? (row.warned ? FontAwesome.symbols.fa_exclamation_triangle : FontAwesome.symbols.fa_check)
                      : row.failed ? FontAwesome.symbols.fa_times_circle
                      : row.entryState === QueueEntry.S_Skipped ? FontAwesome.symbols.fa_step_forward
                      : FontAwesome.symbols.fa_clock_o
                color: row.entryState === QueueEntry.S_Finished ? (row.warned ? "darkorange" : "green")
                       : row.failed ? "red" : "dimgrey"
            }
            BusyIndicator {
                objectName: "busyIndicator"
                anchors.fill: parent
                running: row.entryState === QueueEntry.S_Processing
                visible: running
            }
        }

        ColumnLayout {
            id: texts
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignVCenter
            spacing: 2

            Label {
                objectName: "fileLabel"
                Layout.fillWidth: true
                elide: Text.ElideMiddle
                text: model.displayName
                color: "black"
            }
            Label {
                objectName: "statusLabel"
                Layout.fillWidth: true
                elide: Text.ElideRight
                text: model.statusText
                color: row.failed ? "darkred" : "#404040"
                font.pointSize: 10
            }
            // The line for what else there is to know about the file.
            Label {
                objectName: "warningLabel"
                Layout.fillWidth: true
                visible: row.warned
                elide: Text.ElideRight
                text: model.warningText
                color: "#a04000"
                font.pointSize: 10
            }
            ProgressBar {
                objectName: "progressBar"
                Layout.fillWidth: true
                Layout.preferredHeight: 4
                from: 0
                to: 1
                value: model.progress
                visible: row.entryState === QueueEntry.S_Processing
            }
        }

        StandardButton {
            objectName: "folderButton"
            Layout.preferredWidth: 34
            Layout.preferredHeight: 34
            visible: row.done
            text: FontAwesome.symbols.fa_folder_open
            textColor: "#404040"
            tip: qsTr("Open output folder")
            onClicked: ApplicationManager.openOutputFolder(row.entry)
        }
        StandardButton {
            objectName: "retryButton"
            Layout.preferredWidth: 34
            Layout.preferredHeight: 34
            visible: row.failed
            text: FontAwesome.symbols.fa_repeat
            textColor: "#404040"
            tip: qsTr("Retry")
            onClicked: ApplicationManager.retryEntry(row.entry)
        }
        StandardButton {
            objectName: "removeButton"
            Layout.preferredWidth: 34
            Layout.preferredHeight: 34
            text: FontAwesome.symbols.fa_times
            textColor: row.entryState === QueueEntry.S_Processing ? "orange" : "#404040"
            tip: qsTr("Remove")
            onClicked: ApplicationManager.removeEntry(row.entry)
        }
    }
}
