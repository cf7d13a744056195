pragma Singleton
import QtQuick 2.0
import com.veltrane 1.0

// The icon font and its glyphs: put `symbols.fa_...` into a label whose
// font family is `fontFamily`.
Object {
    FontLoader {
        source: "./fontawesome-webfont.ttf"
    }

    readonly property FontAwesomeSymbols symbols: fontAwesomeSymbols
    readonly property string fontFamily: "FontAwesome"

    FontAwesomeSymbols {
        id: fontAwesomeSymbols
    }
}
