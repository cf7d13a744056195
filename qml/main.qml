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
                tip: Translator.strWebButtonTip
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
                    ScrollBar.vertical: ScrollBar {}

                    delegate: QueueRow {
                        width: ListView.view ? ListView.view.width : 0
                    }
                }
            }

            // "12 of 50 converted · 1 failed · about 4 min left"
            Label {
                objectName: "queueSummary"
                Layout.fillWidth: true
                text: ApplicationManager.queueSummary
                visible: text !== ""
                elide: Text.ElideRight
                color: "black"
                font.pointSize: 11
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
                visible: ApplicationManager.unfinishedCount > 0 && !ApplicationManager.conversionRunning
                onClicked: ApplicationManager.startConversion()
            }

            MainButton {
                objectName: "cancelButton"
                index: FontAwesome.symbols.fa_times
                text: Translator.strCancelConversion
                bgColor: "red"
                visible: ApplicationManager.unfinishedCount > 0
                onClicked: ApplicationManager.cancelConversion()
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
