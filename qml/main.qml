import QtQuick 2.9
import QtQuick.Window 2.2
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import QtQuick.Controls.Material 2.1
import com.veltrane 1.0
import "FontAwesome" 1.0

// The main screen. It holds no logic: actions call the application manager
// and the settings.
//
// Tab goes as one reads the screen: the header's two buttons, the queue
// (and the selected row's buttons), the player, "Remove finished", the
// target frequency, the three tiles.
Page {
    id: mainWindow
    visible: true
    width: 1000
    height: 600
    title: GlobalSettings.appName
    Accessible.name: title

    // The least the screen needs: the right-hand column whole, beside a
    // queue that still shows its rows' names and states. The window takes
    // it as its minimum size.
    readonly property size minimumSize: Qt.size(
        2 * content.anchors.margins + content.spacing + queueMinimumWidth + rightColumn.width,
        header.height + 2 * content.anchors.margins + rightColumn.implicitHeight)
    readonly property int queueMinimumWidth: 420

    header: Rectangle {
        width: parent.width
        height: 150
        color: "white"

        Image {
            objectName: "headerImage"
            source: "qrc:/img/header_scores.svg"
            Accessible.ignored: true
            fillMode: Image.PreserveAspectFit
            opacity: 0.4
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            layer.enabled: true
            layer.effect: Glow {
                samples: 17
                radius: 8
                color: "#BFFF00"
                transparentBorder: true
            }
        }

        Row {
            anchors.right: parent.right
            anchors.rightMargin: 20
            anchors.top: parent.top
            anchors.topMargin: 20
            spacing: 10

            StandardButton {
                objectName: "webButton"
                text: FontAwesome.symbols.fa_globe
                // What the globe does: the product web page where the build
                // names one, else the About dialog.
                tip: ApplicationManager.hasWebsite
                     ? qsTr("Open the web page of %1").arg(GlobalSettings.appName)
                     : qsTr("About %1: version, licence and libraries").arg(GlobalSettings.appName)
                onClicked: ApplicationManager.visitWebsite()
            }
            StandardButton {
                objectName: "settingsButton"
                text: FontAwesome.symbols.fa_cog
                tip: qsTr("Settings (%1)").arg(settingsShortcut.nativeText)
                onClicked: ApplicationManager.showSettingsDialog()
            }
        }
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop { position: 0.0; color: "white" }
            GradientStop { position: 1.0; color: "lightgrey" }
        }
    }

    RowLayout {
        id: content
        anchors.fill: parent
        anchors.margins: 10
        spacing: 10

        ColumnLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            spacing: 6

            Rectangle {
                color: "white"
                Layout.fillWidth: true
                Layout.fillHeight: true

                ListView {
                    id: filesListView
                    objectName: "filesListView"
                    anchors.fill: parent
                    clip: true
                    spacing: 2
                    model: ApplicationManager.fileQueue
                    // Shown whenever the rows do not fit, not only while
                    // scrolling: a long queue should look long.
                    ScrollBar.vertical: ScrollBar {
                        id: scrollBar
                        objectName: "scrollBar"
                        // Dark on the light list, where the dark theme's is faint.
                        Material.theme: Material.Light
                        Accessible.name: filesListView.Accessible.name
                        policy: filesListView.contentHeight > filesListView.height ? ScrollBar.AlwaysOn
                                                                                   : ScrollBar.AsNeeded
                        onPressedChanged: {
                            if (pressed)
                                filesListView.following = false
                        }
                    }
                    activeFocusOnTab: true

                    // The view shows the first running row as the queue
                    // goes on, until the user scrolls; scrolled back to it,
                    // it follows again.
                    property bool following: true
                    function runningRowShown() {
                        const row = ApplicationManager.firstRunningRow
                        const item = row >= 0 ? itemAtIndex(row) : null
                        return row < 0 || (item !== null && item.y >= contentY && item.y + item.height <= contentY + height)
                    }
                    function follow() {
                        if (following && ApplicationManager.firstRunningRow >= 0)
                            positionViewAtIndex(ApplicationManager.firstRunningRow, ListView.Contain)
                    }
                    onMovementStarted: following = false
                    onMovementEnded: following = runningRowShown()
                    onCountChanged: {
                        if (count === 0)
                            following = true
                    }
                    // The player takes the selected row.
                    onCurrentItemChanged: ApplicationManager.previewEntry(currentItem ? currentItem.entry : null)
                    Connections {
                        target: ApplicationManager
                        function onFirstRunningRowChanged() { filesListView.follow() }
                    }
                    // Reached from the keyboard, a row is selected at once.
                    // Left, the list keeps the selected row as its focus,
                    // not the row button that had it last: Tab comes back
                    // to the row, every time round.
                    onActiveFocusChanged: {
                        if (activeFocus && currentIndex < 0 && count > 0)
                            currentIndex = 0
                        if (!activeFocus && currentItem)
                            currentItem.focus = true
                    }
                    // After a row or one of its buttons went: the keyboard
                    // goes to the row selected now (the view gives the
                    // selected row the focus), or to the empty list.
                    function focusCurrentRow() {
                        Qt.callLater(function () {
                            if (currentItem)
                                currentItem.forceActiveFocus()
                            else
                                forceActiveFocus()
                        })
                    }
                    // The arrow keys move the selection (the view's own);
                    // the rest acts on the selected row.
                    Keys.onDeletePressed: {
                        if (currentItem) {
                            ApplicationManager.removeEntry(currentItem.entry)
                            focusCurrentRow()
                        }
                    }
                    Keys.onReturnPressed: {
                        if (currentItem)
                            currentItem.activate()
                    }
                    Keys.onEnterPressed: {
                        if (currentItem)
                            currentItem.activate()
                    }
                    Keys.onPressed: {
                        const menuKey = event.key === Qt.Key_Menu
                                      || (event.key === Qt.Key_F10 && (event.modifiers & Qt.ShiftModifier))
                        if (menuKey && currentItem) {
                            currentItem.openMenu()
                            event.accepted = true
                        }
                    }
                    Accessible.role: Accessible.List
                    Accessible.name: qsTr("Queue")

                    delegate: QueueRow {
                        width: ListView.view ? ListView.view.width : 0
                    }
                }

                // What an empty queue is for.
                Label {
                    objectName: "emptyHint"
                    anchors.centerIn: parent
                    width: parent.width - 40
                    visible: filesListView.count === 0
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.WordWrap
                    text: qsTr("Drop songs, videos or folders here — or press %1").arg(openShortcut.nativeText)
                    color: "#606060"
                    font.pointSize: 14
                }

                // The empty list's focus; a selected row shows its own.
                FocusFrame {
                    shown: filesListView.activeFocus && !filesListView.currentItem
                }
            }

            PlayerBar {
                Layout.fillWidth: true
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                visible: summary.text !== "" || removeFinishedButton.visible

                // "12 of 50 converted · 1 failed · about 4 min left"
                Label {
                    id: summary
                    objectName: "queueSummary"
                    Layout.fillWidth: true
                    // Wrapped to the column, not widening it.
                    Layout.preferredWidth: 0
                    text: ApplicationManager.queueSummary
                    wrapMode: Text.WordWrap
                    color: "black"
                    font.pointSize: 11
                }
                Button {
                    id: removeFinishedButton
                    objectName: "removeFinishedButton"
                    visible: ApplicationManager.finishedCount > 0
                    flat: true
                    // Dark and in mixed case, to read on the light background.
                    Material.theme: Material.Light
                    font.capitalization: Font.MixedCase
                    text: qsTr("Remove finished")
                    Accessible.name: text
                    onClicked: ApplicationManager.removeFinishedFromQueue()
                    // Gone with the rows, it leaves the keyboard to the queue.
                    onVisibleChanged: {
                        if (!visible && activeFocus)
                            filesListView.focusCurrentRow()
                    }

                    FocusFrame {
                        shown: removeFinishedButton.visualFocus
                    }
                }
            }
        }

        // Every tile stays where it is; those that do not apply are disabled.
        Column {
            id: rightColumn
            Layout.alignment: Qt.AlignTop
            spacing: 20

            PitchChooser {
                width: parent.width
            }

            MainButton {
                objectName: "songsButton"
                index: FontAwesome.symbols.fa_music
                text: qsTr("Select songs")
                bgColor: "#ffab43"
                onClicked: {
                    songSelectionMenu.x = mouseX
                    songSelectionMenu.y = mouseY
                    songSelectionMenu.keyboardReturnsHere = activeFocus
                    songSelectionMenu.open()
                }

                FittingMenu {
                    id: songSelectionMenu
                    objectName: "songMenu"
                    // Opened from the keyboard, the keyboard comes back.
                    property bool keyboardReturnsHere: false
                    onClosed: {
                        if (keyboardReturnsHere)
                            parent.forceActiveFocus()
                    }
                    MenuItem {
                        text: qsTr("Select files")
                        onClicked: ApplicationManager.selectImportFiles()
                    }
                    MenuItem {
                        text: qsTr("Select folder")
                        onClicked: ApplicationManager.selectImportFolder()
                    }
                }
            }

            // Pauses the queue (running files finish, the others wait) and
            // starts it again.
            MainButton {
                objectName: "startButton"
                readonly property bool pauses: ApplicationManager.unfinishedCount > 0 && !ApplicationManager.paused
                index: pauses ? FontAwesome.symbols.fa_pause : FontAwesome.symbols.fa_play
                text: pauses ? qsTr("Pause") : qsTr("Start conversion")
                bgColor: "#BFFF00"
                enabled: ApplicationManager.unfinishedCount > 0
                onClicked: pauses ? ApplicationManager.pauseConversion() : ApplicationManager.startConversion()
            }

            MainButton {
                objectName: "cancelButton"
                index: FontAwesome.symbols.fa_times
                text: qsTr("Cancel conversion")
                bgColor: "red"
                enabled: ApplicationManager.unfinishedCount > 0
                onClicked: ApplicationManager.cancelConversion()
            }
        }
    }

    // The player's keys, from wherever the keyboard is but in a control
    // that takes them itself: a button takes Space, the position slider
    // the arrows, a text box all of them.
    Keys.onPressed: {
        const player = ApplicationManager.player
        if (event.modifiers !== Qt.NoModifier && event.modifiers !== Qt.KeypadModifier)
            return
        if (event.key === Qt.Key_Space && !event.isAutoRepeat)
            player.togglePlaying()
        else if (event.key === Qt.Key_B && !event.isAutoRepeat)
            player.toggleSide()
        else if (event.key === Qt.Key_Left || event.key === Qt.Key_Right)
            player.skip(event.key === Qt.Key_Left ? -player.skipSeconds : player.skipSeconds)
        else
            return
        event.accepted = true
    }

    Shortcut {
        id: openShortcut
        sequence: "Ctrl+O"
        onActivated: ApplicationManager.selectImportFiles()
    }
    Shortcut {
        sequence: "Ctrl+Shift+O"
        onActivated: ApplicationManager.selectImportFolder()
    }
    Shortcut {
        id: settingsShortcut
        sequence: "Ctrl+,"
        onActivated: ApplicationManager.showSettingsDialog()
    }
    Shortcut {
        sequence: "Ctrl+R"
        onActivated: ApplicationManager.retryFailed()
    }
    Shortcut {
        sequence: "F1"
        onActivated: ApplicationManager.showAboutDialog()
    }

    DropArea {
        id: fileDropArea
        objectName: "fileDropArea"
        anchors.fill: parent
        onEntered: {
            // A drop area takes every drag unless told otherwise.
            if (ApplicationManager.acceptDroppedUrls(drag.urls))
                drag.accept(Qt.CopyAction)
            else
                drag.accepted = false
        }
        onDropped: ApplicationManager.processImportUrls(drop.urls)
    }
}
