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
//
// A click selects the row. From the keyboard the arrow keys select, and
// Tab goes on from the selected row to its buttons; Enter does what a
// double click does, the menu key opens the menu.
Rectangle {
    id: row
    objectName: "queueRow"

    readonly property QueueEntry entry: model.qtObject
    readonly property int entryState: model.state
    readonly property bool done: entryState === QueueEntry.S_Finished || entryState === QueueEntry.S_Skipped
    readonly property bool failed: entryState === QueueEntry.S_Failed
    readonly property bool warned: model.warningText !== ""
    readonly property bool selected: ListView.isCurrentItem && ListView.view.activeFocus

    function activate() {
        if (row.done)
            ApplicationManager.openOutputFolder(row.entry)
    }
    // From the keyboard; the keyboard comes back to the list when it closes.
    function openMenu() {
        rowMenu.returnTo = row.ListView.view
        rowMenu.popup(row, 40, row.height / 2)
    }
    // What a row button does; pressed from the keyboard, the keyboard then
    // stays in the list, though the button (or its row) may be gone.
    function act(button, action) {
        const view = row.ListView.view
        const fromKeyboard = button.activeFocus
        action()
        if (fromKeyboard)
            view.focusCurrentRow()
    }

    height: Math.max(56, texts.implicitHeight + 12)
    color: selected ? "#bbdefb" : rowMouse.containsMouse ? "#e6e6e6" : "lightgray"

    Accessible.role: Accessible.ListItem
    Accessible.name: model.displayName
    Accessible.description: model.toolTip
    Accessible.selected: ListView.isCurrentItem

    MouseArea {
        id: rowMouse
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onPressed: {
            row.ListView.view.currentIndex = index
            row.ListView.view.forceActiveFocus()
        }
        onClicked: {
            if (mouse.button === Qt.RightButton)
                rowMenu.popup()
        }
        onDoubleClicked: row.activate()
        ToolTip.visible: containsMouse && !rowMenu.visible
        ToolTip.delay: 800
        // Gone after a while, though the pointer stays.
        ToolTip.timeout: 10000
        ToolTip.text: model.toolTip
    }

    FittingMenu {
        id: rowMenu
        objectName: "rowMenu"
        property Item returnTo: null
        onClosed: {
            if (returnTo)
                returnTo.focusCurrentRow()
            returnTo = null
        }
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
            text: qsTr("Remove finished")
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
                Accessible.ignored: true  // the status line says it
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
                Accessible.ignored: true  // the progress bar says it
            }
        }

        // A column, not a layout: its lines wrap to the width the row gives
        // it, and its height follows without a layout loop.
        Column {
            id: texts
            Layout.fillWidth: true
            Layout.preferredWidth: 0
            Layout.alignment: Qt.AlignVCenter
            spacing: 2

            Label {
                objectName: "fileLabel"
                width: parent.width
                elide: Text.ElideMiddle
                text: model.displayName
                color: "black"
            }
            // Three lines each before a long text is cut; the tooltip has it all.
            Label {
                objectName: "statusLabel"
                width: parent.width
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                text: model.statusText
                color: row.failed ? "darkred" : "#404040"
                font.pointSize: 10
            }
            // The line for what else there is to know about the file.
            Label {
                objectName: "warningLabel"
                width: parent.width
                visible: row.warned
                wrapMode: Text.Wrap
                maximumLineCount: 3
                elide: Text.ElideRight
                text: model.warningText
                color: "#a04000"
                font.pointSize: 10
            }
            ProgressBar {
                objectName: "progressBar"
                width: parent.width
                height: 4
                from: 0
                to: 1
                value: model.progress
                visible: row.entryState === QueueEntry.S_Processing
                Accessible.name: qsTr("Progress")
            }
        }

        StandardButton {
            objectName: "folderButton"
            Layout.preferredWidth: 34
            Layout.preferredHeight: 34
            visible: row.done
            activeFocusOnTab: row.ListView.isCurrentItem || activeFocus
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
            activeFocusOnTab: row.ListView.isCurrentItem || activeFocus
            text: FontAwesome.symbols.fa_repeat
            textColor: "#404040"
            tip: qsTr("Retry")
            onClicked: row.act(this, function () { ApplicationManager.retryEntry(row.entry) })
        }
        StandardButton {
            objectName: "removeButton"
            Layout.preferredWidth: 34
            Layout.preferredHeight: 34
            activeFocusOnTab: row.ListView.isCurrentItem || activeFocus
            text: FontAwesome.symbols.fa_times
            textColor: row.entryState === QueueEntry.S_Processing ? "orange" : "#404040"
            tip: qsTr("Remove")
            onClicked: row.act(this, function () { ApplicationManager.removeEntry(row.entry) })
        }
    }

    FocusFrame {}
}
