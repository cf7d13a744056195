#pragma once

#include <QObject>

// Enum holder shared by the settings, the settings dialog, the conversion
// engine and QML. The settings store these values as plain integers, so the
// numbers must never change.
class AppConstants : public QObject
{
    Q_OBJECT

public:
    // Fixed underlying types: a hand-edited settings store can hold any int,
    // and every int must be a valid value of these types.
    enum Algorithm : int {
        A_Time = 0,      // SoundTouch
        A_Frequency = 1  // Rubber Band
    };
    Q_ENUM(Algorithm)

    enum AudioFormat : int {
        F_Mp3 = 0,
        F_Wav = 1,
        F_Flac = 2,
        F_M4a = 3
    };
    Q_ENUM(AudioFormat)

    explicit AppConstants(QObject *parent = nullptr);
};
