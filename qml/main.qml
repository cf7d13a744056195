import QtQuick 2.9
import QtQuick.Window 2.2
import QtQuick.Controls 2.0
import QtQuick.Layouts 1.3
import QtGraphicalEffects 1.0
import QtQuick.Controls.Material 2.1
import com.veltrane 1.0
import "FontAwesome" 1.0

// The main screen. It holds no logic: actions call the application manager
// and the settings, texts come from the translator.
Page {
    id: mainWindow
    visible: true
    width: 1000
    height: 600
    title: GlobalSettings.appName

    header: Rectangle {
        width: parent.width
        height: 150
        color: "white"

        Image {
            source: "qrc:/img/header_scores.svg"
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
                onClicked: ApplicationManager.visitWebsite()
            }
            StandardButton {
                objectName: "settingsButton"
                text: FontAwesome.symbols.fa_cog
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
        anchors.fill: parent
        anchors.margins: 10
        spacing: 10

        Rectangle {
            color: "white"
            Layout.fillWidth: true
            Layout.fillHeight: true

            ListView {
                id: filesListView
                objectName: "filesListView"
                anchors.fill: parent
                clip: true
                model: ApplicationManager.fileQueue
                ScrollBar.vertical: ScrollBar {}

                delegate: Rectangle {
                    id: rowRect
                    width: parent ? parent.width : 0
                    height: 50
                    color: "lightgray"

                    MouseArea {
                        anchors.fill: parent
                        acceptedButtons: Qt.RightButton
                        onClicked: {
                            listEntryMenu.x = mouse.x
                            listEntryMenu.y = mouse.y
                            listEntryMenu.open()
                        }

                        Menu {
                            id: listEntryMenu
                            MenuItem {
                                text: Translator.strCancelAll
                                onClicked: ApplicationManager.clearQueue()
                            }
                            MenuItem {
                                text: Translator.strRemoveFinished
                                onClicked: ApplicationManager.removeFinishedFromQueue()
                            }
                        }
                    }

                    Row {
                        id: lblRow
                        anchors.verticalCenter: parent.verticalCenter
                        spacing: 5

                        Item {
                            width: 5
                            height: 5
                        }

                        Column {
                            property real labelWidth: rowRect.width - (2 * lblRow.spacing + controlsRow.width + 5 + 20)
                            anchors.verticalCenter: parent.verticalCenter
                            spacing: 2

                            Label {
                                objectName: "fileLabel"
                                width: parent.labelWidth
                                elide: Text.ElideRight
                                text: model.readableName
                                color: "black"
                            }
                            Label {
                                objectName: "stateLabel"
                                width: parent.labelWidth
                                elide: Text.ElideRight
                                text: model.stateString
                                color: "darkgrey"
                                font.pointSize: 10
                            }
                            // How far the conversion has come.
                            ProgressBar {
                                objectName: "progressBar"
                                width: parent.labelWidth
                                height: 4
                                from: 0
                                to: 1
                                value: model.progress
                                visible: model.state === QueueEntry.S_Processing
                            }
                        }

                        Row {
                            id: controlsRow

                            StandardButton {
                                objectName: "stateButton"
                                text: model.state === QueueEntry.S_Finished ? FontAwesome.symbols.fa_check
                                                                            : FontAwesome.symbols.fa_times
                                textColor: model.state === QueueEntry.S_Finished ? "green"
                                           : model.state === QueueEntry.S_Failed ? "red" : "orange"
                                onClicked: ApplicationManager.queueEntryClicked(filesListView.model.get(index))
                            }
                            BusyIndicator {
                                id: busyInd
                                objectName: "busyIndicator"
                                width: 50
                                height: 50
                                anchors.verticalCenter: parent.verticalCenter
                                running: model.state === QueueEntry.S_Processing
                                visible: running
                            }
                        }
                    }
                }
            }
        }

        Column {
            spacing: 20

            Column {
                width: parent.width

                Label {
                    width: parent.width
                    text: Translator.strTargetFrequency + ":"
                    font.pointSize: 16
                    color: "black"
                }
                ComboBox {
                    id: frequencyBox
                    objectName: "frequencyBox"
                    width: parent.width
                    model: ApplicationManager.targetFrequencies
                    textRole: "label"
                    currentIndex: ApplicationManager.targetFrequencies.getIndexOfValue(GlobalSettings.targetFrequency)
                    onCurrentIndexChanged: {
                        var item = ApplicationManager.targetFrequencies.get(currentIndex)
                        if (item) {
                            GlobalSettings.set_targetFrequency(item.value)
                            GlobalSettings.saveSettings()
                        }
                    }
                }
            }

            MainButton {
                objectName: "songsButton"
                index: FontAwesome.symbols.fa_music
                text: Translator.strSelectSongs
                bgColor: "#ffab43"
                onClicked: {
                    songSelectionMenu.x = mouseX
                    songSelectionMenu.y = mouseY
                    songSelectionMenu.open()
                }

                Menu {
                    id: songSelectionMenu
                    MenuItem {
                        text: Translator.strSelectFiles
                        onClicked: ApplicationManager.selectImportFiles()
                    }
                    MenuItem {
                        text: Translator.strSelectFolder
                        onClicked: ApplicationManager.selectImportFolder()
                    }
                }
            }

            MainButton {
                objectName: "startButton"
                index: FontAwesome.symbols.fa_play
                text: Translator.strStartConversion
                bgColor: "#BFFF00"
                visible: ApplicationManager.fileQueue.count > 0 && !ApplicationManager.conversionRunning
                onClicked: ApplicationManager.startConversion()
            }

            MainButton {
                objectName: "cancelButton"
                index: FontAwesome.symbols.fa_times
                text: Translator.strCancelConversion
                bgColor: "red"
                visible: ApplicationManager.fileQueue.count > 0
                onClicked: ApplicationManager.clearQueue()
            }
        }
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
