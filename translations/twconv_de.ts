<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Retunes songs and videos to another concert pitch.</source>
        <translation>Stimmt Musik und Videos auf einen anderen Kammerton um.</translation>
    </message>
    <message>
        <source>%1 is free software under the GNU General Public License, version 3 or any later version (GPL-3.0-or-later): you may use, study, share and change it under its terms. It comes with no warranty. The licence&apos;s full text is under &quot;Licence&quot;.</source>
        <translation>%1 ist freie Software unter der GNU General Public License, Version 3 oder jeder späteren Version (GPL-3.0-or-later): Sie dürfen das Programm nach deren Bedingungen nutzen, untersuchen, weitergeben und verändern. Es wird ohne jede Gewährleistung bereitgestellt. Der vollständige Lizenztext steht unter „Lizenz“.</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Licence</source>
        <translation>Lizenz</translation>
    </message>
    <message>
        <source>Used for</source>
        <translation>Verwendet für</translation>
    </message>
    <message>
        <source>icons</source>
        <translation>Symbole</translation>
    </message>
    <message>
        <source>The icons are drawn with the font Font Awesome %1 by Dave Gandy (fontawesome.io), copyright 2012-2018 Dave Gandy, licensed under the SIL Open Font License, version 1.1, whose text is under &quot;Font licence&quot;.</source>
        <translation>Die Symbole stammen aus der Schrift Font Awesome %1 von Dave Gandy (fontawesome.io), Copyright 2012-2018 Dave Gandy, lizenziert unter der SIL Open Font License, Version 1.1, deren Text unter „Schriftlizenz“ steht.</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Libraries</source>
        <translation>Bibliotheken</translation>
    </message>
    <message>
        <source>The GNU General Public License, version 3: see the file LICENSE.</source>
        <translation>Die GNU General Public License, Version 3: siehe die Datei LICENSE.</translation>
    </message>
    <message>
        <source>The SIL Open Font License, version 1.1.</source>
        <translation>Die SIL Open Font License, Version 1.1.</translation>
    </message>
    <message>
        <source>Font licence</source>
        <translation>Schriftlizenz</translation>
    </message>
</context>
<context>
    <name>ApplicationManager</name>
    <message>
        <source>Other…</source>
        <translation>Andere…</translation>
    </message>
    <message>
        <source>“%1” is not a pitch in Hz.</source>
        <translation>„%1“ ist keine Tonhöhe in Hz.</translation>
    </message>
    <message>
        <source>A4 must lie between %1 and %2 Hz.</source>
        <translation>A4 muss zwischen %1 und %2 Hz liegen.</translation>
    </message>
    <message>
        <source>From a source at A4 = %1 Hz, A4 must lie between %2 and %3 Hz.</source>
        <translation>Von einer Quelle mit A4 = %1 Hz aus muss A4 zwischen %2 und %3 Hz liegen.</translation>
    </message>
</context>
<context>
    <name>AudioDecoder</name>
    <message>
        <source>“%1”: its audio (%2) cannot be decoded.</source>
        <translation>„%1“: Die Audiospur (%2) kann nicht dekodiert werden.</translation>
    </message>
    <message>
        <source>“%1”: its audio cannot be decoded: %2.</source>
        <translation>„%1“: Die Audiospur kann nicht dekodiert werden: %2.</translation>
    </message>
    <message>
        <source>Decoding “%1” failed: %2.</source>
        <translation>Das Dekodieren von „%1“ ist fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>“%1”: its audio claims a sample rate of %2 Hz, which no sound has.</source>
        <translation>„%1“: Die Audiospur gibt eine Abtastrate von %2 Hz an, die kein Klang hat.</translation>
    </message>
</context>
<context>
    <name>AudioEncoder</name>
    <message>
        <source>Cannot encode “%1”: %2.</source>
        <translation>„%1“ kann nicht kodiert werden: %2.</translation>
    </message>
    <message>
        <source>This FFmpeg has no %1 encoder.</source>
        <translation>Diesem FFmpeg fehlt ein Encoder für %1.</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>Abgebrochen.</translation>
    </message>
</context>
<context>
    <name>AudioInput</name>
    <message>
        <source>Converting the samples of “%1” failed: %2.</source>
        <translation>Das Umwandeln der Samples von „%1“ ist fehlgeschlagen: %2.</translation>
    </message>
</context>
<context>
    <name>AudioOutputDevice</name>
    <message>
        <source>No audio output was found.</source>
        <translation>Es wurde keine Audioausgabe gefunden.</translation>
    </message>
    <message>
        <source>The audio output “%1” plays neither 44.1 nor 48 kHz in stereo.</source>
        <translation>Die Audioausgabe „%1“ spielt weder 44,1 noch 48 kHz in Stereo.</translation>
    </message>
    <message>
        <source>The audio output “%1” cannot be opened; another program may be using it.</source>
        <translation>Die Audioausgabe „%1“ lässt sich nicht öffnen; vielleicht belegt sie ein anderes Programm.</translation>
    </message>
    <message>
        <source>The audio output “%1” stopped working.</source>
        <translation>Die Audioausgabe „%1“ arbeitet nicht mehr.</translation>
    </message>
    <message>
        <source>The audio output “%1” does not work (is the sound server running?).</source>
        <translation>Die Audioausgabe „%1“ funktioniert nicht (läuft der Soundserver?).</translation>
    </message>
</context>
<context>
    <name>AudioTrack</name>
    <message>
        <source>This FFmpeg has no %1 encoder.</source>
        <translation>Diesem FFmpeg fehlt ein Encoder für %1.</translation>
    </message>
    <message>
        <source>“%1” contains no audio samples.</source>
        <translation>„%1“ enthält keine Audiodaten.</translation>
    </message>
    <message numerus="yes">
        <source>%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.</source>
        <translation>
            <numerusform>%n beschädigter Frame der Quelle wurde übersprungen (%1 s); die Ausgabe hat dort eine Lücke.</numerusform>
            <numerusform>%n beschädigte Frames der Quelle wurden übersprungen (%1 s); die Ausgabe hat dort Lücken.</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 s of audio were missing from the source; the output has silence there.</source>
        <translation>In der Quelle fehlten %1 s Audio; die Ausgabe hat dort Stille.</translation>
    </message>
</context>
<context>
    <name>Conversion</name>
    <message>
        <source>Unknown output format: %1.</source>
        <translation>Unbekanntes Ausgabeformat: %1.</translation>
    </message>
    <message>
        <source>Unknown pitch-shifting algorithm: %1.</source>
        <translation>Unbekannter Algorithmus für die Tonhöhenänderung: %1.</translation>
    </message>
    <message>
        <source>“%1” contains no audio.</source>
        <translation>„%1“ enthält keine Audiospur.</translation>
    </message>
    <message>
        <source>The tuning of “%1” could not be measured (confidence %2); it was taken to be A4 = %3 Hz.</source>
        <translation>Die Stimmung von „%1“ ließ sich nicht messen (Konfidenz %2); angenommen wurde A4 = %3 Hz.</translation>
    </message>
    <message>
        <source>Concert pitch out of range: source %1 Hz, target %2 Hz (A4 may lie from %3 to %4 Hz, at most %5 semitones from the source&apos;s).</source>
        <translation>Kammerton außerhalb des Bereichs: Quelle %1 Hz, Ziel %2 Hz (A4 darf zwischen %3 und %4 Hz liegen und höchstens %5 Halbtöne von dem der Quelle entfernt sein).</translation>
    </message>
    <message>
        <source>“%1” was retuned already (%2).</source>
        <translation>„%1“ wurde bereits umgestimmt (%2).</translation>
    </message>
</context>
<context>
    <name>ConversionPass</name>
    <message>
        <source>“%1” exists already.</source>
        <translation>„%1“ existiert bereits.</translation>
    </message>
    <message>
        <source>“%1”: its %2 stream (%3) cannot be copied into a %4 file.</source>
        <translation>„%1“: Der Datenstrom vom Typ %2 (%3) kann nicht in eine %4-Datei kopiert werden.</translation>
    </message>
    <message>
        <source>Not enough memory to read “%1”.</source>
        <translation>Nicht genug Speicher, um „%1“ zu lesen.</translation>
    </message>
    <message>
        <source>“%1” ended after %2 of %3 s</source>
        <translation>„%1“ endete nach %2 von %3 s</translation>
    </message>
    <message>
        <source>%1: the file changed while it was read.</source>
        <translation>%1: Die Datei wurde während des Lesens verändert.</translation>
    </message>
    <message>
        <source>The cover picture of “%1” is damaged; it was left out.</source>
        <translation>Das Coverbild von „%1“ ist beschädigt; es wurde weggelassen.</translation>
    </message>
    <message>
        <source>%1: the file ends early.</source>
        <translation>%1: Die Datei endet zu früh.</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1 (Strict: a file with a warning counts as failed.)</source>
        <translation>%1 (Streng: Eine Datei mit Warnung gilt als fehlgeschlagen.)</translation>
    </message>
</context>
<context>
    <name>ConversionQueue</name>
    <message>
        <source>The file being converted will be stopped.</source>
        <translation>Die laufende Konvertierung wird abgebrochen.</translation>
    </message>
    <message numerus="yes">
        <source>The %n files being converted will be stopped.</source>
        <translation>
            <numerusform>Die %n laufende Konvertierung wird abgebrochen.</numerusform>
            <numerusform>Die %n laufenden Konvertierungen werden abgebrochen.</numerusform>
        </translation>
    </message>
    <message>
        <source>The waiting file will be dropped.</source>
        <translation>Die wartende Datei wird aus der Liste entfernt.</translation>
    </message>
    <message numerus="yes">
        <source>The %n waiting files will be dropped.</source>
        <translation>
            <numerusform>Die %n wartende Datei wird aus der Liste entfernt.</numerusform>
            <numerusform>Die %n wartenden Dateien werden aus der Liste entfernt.</numerusform>
        </translation>
    </message>
    <message>
        <source>The file already done stays in the list.</source>
        <translation>Die bereits fertige Datei bleibt in der Liste.</translation>
    </message>
    <message numerus="yes">
        <source>The %n files already done stay in the list.</source>
        <translation>
            <numerusform>Die %n bereits fertige Datei bleibt in der Liste.</numerusform>
            <numerusform>Die %n bereits fertigen Dateien bleiben in der Liste.</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file is still being converted. Stop and quit?</source>
        <translation>1 Datei wird noch konvertiert. Anhalten und beenden?</translation>
    </message>
    <message numerus="yes">
        <source>%n files are still being converted. Stop and quit?</source>
        <translation>
            <numerusform>%n Datei wird noch konvertiert. Anhalten und beenden?</numerusform>
            <numerusform>%n Dateien werden noch konvertiert. Anhalten und beenden?</numerusform>
        </translation>
    </message>
    <message>
        <source>Stop and quit</source>
        <translation>Anhalten und beenden</translation>
    </message>
    <message>
        <source>“%1” failed again: %2</source>
        <translation>„%1“ ist erneut fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>No file has failed: there is nothing to retry.</source>
        <translation>Keine Datei ist fehlgeschlagen: Es gibt nichts zu wiederholen.</translation>
    </message>
    <message>
        <source>Stop converting</source>
        <translation>Konvertierung anhalten</translation>
    </message>
    <message>
        <source>Keep converting</source>
        <translation>Weiter konvertieren</translation>
    </message>
    <message>
        <source>The queue is kept: its files convert when %1 starts again.</source>
        <translation>Die Warteschlange bleibt erhalten: Ihre Dateien werden beim nächsten Start von %1 konvertiert.</translation>
    </message>
</context>
<context>
    <name>DspLibraries</name>
    <message>
        <source>measuring a recording&apos;s tuning</source>
        <translation>Stimmung einer Aufnahme messen</translation>
    </message>
</context>
<context>
    <name>FolderScanner</name>
    <message>
        <source>Cannot read the folder “%1”: %2.</source>
        <translation>Der Ordner „%1“ kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Cannot read “%1”: %2.</source>
        <translation>„%1“ kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>“%1” is not a file: only files are read.</source>
        <translation>„%1“ ist keine Datei: Nur Dateien werden gelesen.</translation>
    </message>
</context>
<context>
    <name>LaunchOptions</name>
    <message>
        <source>Retunes songs and videos to another concert pitch.
Files and folders given are queued for conversion; when %1 is running already, its window takes them.
tunewise-cli converts without a window.</source>
        <translation>Stimmt Musik und Videos auf einen anderen Kammerton um.
Angegebene Dateien und Ordner werden zur Konvertierung eingereiht; läuft %1 bereits, übernimmt dessen Fenster sie.
tunewise-cli konvertiert ohne Fenster.</translation>
    </message>
    <message>
        <source>Songs, videos or folders to convert.</source>
        <translation>Zu konvertierende Musikstücke, Videos oder Ordner.</translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation>Hilfe mit &apos;%1 --help&apos;.</translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; does not exist</source>
        <translation>%1: &apos;%2&apos; existiert nicht</translation>
    </message>
    <message>
        <source>%1: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); tunewise-cli converts without one.</source>
        <translation>%1: Keine Anzeige, auf der sich das Fenster öffnen ließe (DISPLAY und WAYLAND_DISPLAY sind nicht gesetzt); tunewise-cli konvertiert ohne Anzeige.</translation>
    </message>
    <message>
        <source>Start with an empty queue instead of the one kept from the last run (which is then dropped).</source>
        <translation>Mit leerer Warteschlange beginnen statt mit der vom letzten Lauf erhaltenen (die dann verworfen wird).</translation>
    </message>
</context>
<context>
    <name>LinkedLibraries</name>
    <message>
        <source>window, files, settings</source>
        <translation>Fenster, Dateien, Einstellungen</translation>
    </message>
</context>
<context>
    <name>MediaLibraries</name>
    <message>
        <source>decoding and encoding</source>
        <translation>Dekodieren und Kodieren</translation>
    </message>
    <message>
        <source>mp3 encoding</source>
        <translation>mp3-Kodierung</translation>
    </message>
    <message>
        <source>Ogg Vorbis encoding</source>
        <translation>Ogg-Vorbis-Kodierung</translation>
    </message>
    <message>
        <source>Opus encoding</source>
        <translation>Opus-Kodierung</translation>
    </message>
</context>
<context>
    <name>OptionLists</name>
    <message>
        <source>As the source</source>
        <translation>Wie die Quelle</translation>
    </message>
    <message>
        <source>Keep the audio only</source>
        <translation>Nur den Ton behalten</translation>
    </message>
    <message>
        <source>Keep the picture</source>
        <translation>Das Bild behalten</translation>
    </message>
    <message>
        <source>Keep both (number the new file)</source>
        <translation>Beide behalten (neue Datei nummerieren)</translation>
    </message>
    <message>
        <source>Skip the file</source>
        <translation>Datei überspringen</translation>
    </message>
    <message>
        <source>Ask each time</source>
        <translation>Jedes Mal fragen</translation>
    </message>
    <message>
        <source>%1 kBit/s</source>
        <translation>%1 kBit/s</translation>
    </message>
    <message>
        <source>The same as last time</source>
        <translation>Wie beim letzten Mal</translation>
    </message>
    <message>
        <source>about %1 kBit/s (quality %2)</source>
        <translation>etwa %1 kBit/s (Qualität %2)</translation>
    </message>
</context>
<context>
    <name>OutputContainer</name>
    <message>
        <source>Cannot create “%1”: %2.</source>
        <translation>„%1“ kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>No container for “%1”: %2.</source>
        <translation>Kein Containerformat für „%1“: %2.</translation>
    </message>
    <message>
        <source>%1 while writing “%2”.</source>
        <translation>Fehler beim Schreiben von „%2“: %1.</translation>
    </message>
</context>
<context>
    <name>OutputFile</name>
    <message>
        <source>%1 while writing “%2”.</source>
        <translation>Fehler beim Schreiben von „%2“: %1.</translation>
    </message>
    <message>
        <source>Cannot create the folder “%1”: %2.</source>
        <translation>Der Ordner „%1“ kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>Cannot create “%1”: %2.</source>
        <translation>„%1“ kann nicht angelegt werden: %2.</translation>
    </message>
    <message>
        <source>The output name “%1” is too long: %2 bytes, of the %3 a name may have here.</source>
        <translation>Der Ausgabename „%1“ ist zu lang: %2 Bytes, erlaubt sind hier %3.</translation>
    </message>
    <message>
        <source>“%1” exists, and the next free name, “%2”, is too long: %3 bytes, of the %4 a name may have here.</source>
        <translation>„%1“ existiert, und der nächste freie Name, „%2“, ist zu lang: %3 Bytes, erlaubt sind hier %4.</translation>
    </message>
    <message>
        <source>Cannot give the finished output its name “%1”: %2.</source>
        <translation>Die fertige Ausgabe kann nicht „%1“ benannt werden: %2.</translation>
    </message>
</context>
<context>
    <name>OutputFormat</name>
    <message>
        <source>mp3</source>
        <translation>mp3</translation>
    </message>
    <message>
        <source>m4a (AAC)</source>
        <translation>m4a (AAC)</translation>
    </message>
    <message>
        <source>wav</source>
        <translation>wav</translation>
    </message>
    <message>
        <source>flac</source>
        <translation>flac</translation>
    </message>
    <message>
        <source>ogg (Vorbis)</source>
        <translation>ogg (Vorbis)</translation>
    </message>
    <message>
        <source>opus</source>
        <translation>opus</translation>
    </message>
    <message>
        <source>m4a (Apple Lossless)</source>
        <translation>m4a (Apple Lossless)</translation>
    </message>
</context>
<context>
    <name>PitchAlgorithm</name>
    <message>
        <source>Time based</source>
        <translation>Zeitbasiert</translation>
    </message>
    <message>
        <source>Frequency based</source>
        <translation>Frequenzbasiert</translation>
    </message>
</context>
<context>
    <name>PitchChooser</name>
    <message>
        <source>A4 = %1 Hz</source>
        <translation>A4 = %1 Hz</translation>
    </message>
    <message>
        <source>Target frequency</source>
        <translation>Zielfrequenz</translation>
    </message>
    <message>
        <source>Target frequency in Hz</source>
        <translation>Zielfrequenz in Hz</translation>
    </message>
</context>
<context>
    <name>PlayerBar</name>
    <message>
        <source>Pause (Space)</source>
        <translation>Anhalten (Leertaste)</translation>
    </message>
    <message>
        <source>Listen (Space)</source>
        <translation>Anhören (Leertaste)</translation>
    </message>
    <message>
        <source>Select or drop a file to hear it before converting</source>
        <translation>Datei wählen oder herziehen, um sie vorher anzuhören</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Switch between the original and %1 Hz (B)</source>
        <translation>Zwischen Original und %1 Hz umschalten (B)</translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>These settings cannot be played.</source>
        <translation>Mit diesen Einstellungen lässt sich nichts abspielen.</translation>
    </message>
    <message>
        <source>“%1” contains no audio.</source>
        <translation>„%1“ enthält keine Audiospur.</translation>
    </message>
    <message>
        <source>A4 = %1 Hz cannot be played from a source at %2 Hz.</source>
        <translation>A4 = %1 Hz lässt sich aus einer Quelle mit %2 Hz nicht abspielen.</translation>
    </message>
    <message>
        <source>“%1” cannot be played from %2 s.</source>
        <translation>„%1“ lässt sich nicht ab %2 s abspielen.</translation>
    </message>
    <message>
        <source>Not enough memory to read “%1”.</source>
        <translation>Nicht genug Speicher, um „%1“ zu lesen.</translation>
    </message>
</context>
<context>
    <name>PreviewPlayer</name>
    <message>
        <source>The audio output does not answer.</source>
        <translation>Die Audioausgabe antwortet nicht.</translation>
    </message>
    <message>
        <source>Measuring the tuning of “%1”…</source>
        <translation>Die Stimmung von „%1“ wird gemessen…</translation>
    </message>
</context>
<context>
    <name>QueueEntry</name>
    <message>
        <source>→ %1 Hz · %2</source>
        <translation>→ %1 Hz · %2</translation>
    </message>
    <message>
        <source>%1 into %2</source>
        <translation>%1 nach %2</translation>
    </message>
    <message>
        <source>%1 % · %2</source>
        <translation>%1 % · %2</translation>
    </message>
    <message>
        <source>%1 exists</source>
        <translation>%1 existiert</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <source>measured A4 = %1 Hz</source>
        <translation>gemessen A4 = %1 Hz</translation>
    </message>
    <message>
        <source>Pending</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Processing</source>
        <translation>In Bearbeitung</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
</context>
<context>
    <name>QueueImporter</name>
    <message>
        <source>Where should the retuned files go?</source>
        <translation>Wohin sollen die umgestimmten Dateien?</translation>
    </message>
    <message>
        <source>Nothing was added: no output folder was chosen.</source>
        <translation>Nichts hinzugefügt: Es wurde kein Ausgabeordner gewählt.</translation>
    </message>
    <message>
        <source>Select files</source>
        <translation>Dateien auswählen</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>Left out what the file filter does not take: %1.</source>
        <translation>Ausgelassen, da der Dateifilter es nicht aufnimmt: %1.</translation>
    </message>
    <message>
        <source>Loading files...</source>
        <translation>Die Dateien werden geladen...</translation>
    </message>
    <message>
        <source>The output folder %1 lies inside the imported folder; its files were left out.</source>
        <translation>Der Zielordner %1 liegt im importierten Ordner; seine Dateien wurden ausgelassen.</translation>
    </message>
    <message>
        <source>Not found, so not added: %1.</source>
        <translation>Nicht gefunden, daher nicht hinzugefügt: %1.</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) added; the retuned files go into %1.</source>
        <translation>
            <numerusform>%n Datei hinzugefügt; die umgestimmten Dateien kommen nach %1.</numerusform>
            <numerusform>%n Dateien hinzugefügt; die umgestimmten Dateien kommen nach %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing was added: %1 holds no file the file filter takes (see the settings).</source>
        <translation>Nichts hinzugefügt: %1 enthält keine Datei, die der Dateifilter aufnimmt (siehe Einstellungen).</translation>
    </message>
</context>
<context>
    <name>QueueRow</name>
    <message>
        <source>Open output folder</source>
        <translation>Ausgabeordner öffnen</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Retry failed</source>
        <translation>Fehlgeschlagene wiederholen</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Remove finished</source>
        <translation>Fertige entfernen</translation>
    </message>
</context>
<context>
    <name>QueueStore</name>
    <message>
        <source>The queue cannot be saved: the folder %1 cannot be made.</source>
        <translation>Die Warteschlange kann nicht gespeichert werden: Der Ordner %1 lässt sich nicht anlegen.</translation>
    </message>
    <message>
        <source>The saved queue is in use by another program (%1); this queue will not be saved.</source>
        <translation>Die gespeicherte Warteschlange wird von einem anderen Programm benutzt (%1); diese Warteschlange wird nicht gespeichert.</translation>
    </message>
    <message>
        <source>The queue cannot be saved in %1: %2.</source>
        <translation>Die Warteschlange kann nicht in %1 gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>Qt&apos;s SQLite driver is missing</source>
        <translation>Der SQLite-Treiber von Qt fehlt</translation>
    </message>
    <message>
        <source>it was written by another version</source>
        <translation>sie wurde von einer anderen Version geschrieben</translation>
    </message>
    <message>
        <source>The saved queue could not be read; it was moved to %1, and the queue begins empty.</source>
        <translation>Die gespeicherte Warteschlange ließ sich nicht lesen; sie wurde nach %1 verschoben, und die Warteschlange beginnt leer.</translation>
    </message>
    <message>
        <source>The queue can no longer be saved (%1); it goes on converting, but will not come back after a restart.</source>
        <translation>Die Warteschlange kann nicht mehr gespeichert werden (%1); die Konvertierung geht weiter, aber nach einem Neustart ist sie nicht mehr da.</translation>
    </message>
</context>
<context>
    <name>QueueSummary</name>
    <message>
        <source>%1 of %2 converted</source>
        <translation>%1 von %2 konvertiert</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 fehlgeschlagen</translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation>%1 übersprungen</translation>
    </message>
    <message>
        <source>less than a minute left</source>
        <translation>noch weniger als eine Minute</translation>
    </message>
    <message>
        <source>about %1 min left</source>
        <translation>noch etwa %1 min</translation>
    </message>
    <message>
        <source>about %1 h %2 min left</source>
        <translation>noch etwa %1 h %2 min</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>angehalten</translation>
    </message>
</context>
<context>
    <name>RubberBandShifter</name>
    <message>
        <source>Resampling the retuned audio failed: %1.</source>
        <translation>Das Umrechnen der umgestimmten Audiodaten ist fehlgeschlagen: %1.</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Language:</source>
        <translation>Sprache:</translation>
    </message>
    <message>
        <source>Audio format:</source>
        <translation>Audioformat:</translation>
    </message>
    <message>
        <source>Audio bit rate:</source>
        <translation>Audio-Bitrate:</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Algorithm:</source>
        <translation>Algorithmus:</translation>
    </message>
    <message>
        <source>File filter:</source>
        <translation>Dateifilter:</translation>
    </message>
    <message>
        <source>Source frequency:</source>
        <translation>Quellfrequenz:</translation>
    </message>
    <message>
        <source>The file filter list is a comma separated list of file extensions which are included when bulk importing files from directories.</source>
        <translation>Eine kommaseparierte Liste von Dateiendungen: Beim Importieren ganzer Ordner werden nur Dateien mit diesen Endungen übernommen.</translation>
    </message>
    <message>
        <source> Hertz</source>
        <translation> Hertz</translation>
    </message>
    <message>
        <source>Sample rate:</source>
        <translation>Abtastrate:</translation>
    </message>
    <message>
        <source>Videos:</source>
        <translation>Videos:</translation>
    </message>
    <message>
        <source>When the output exists:</source>
        <translation>Wenn die Ausgabe existiert:</translation>
    </message>
    <message>
        <source>Output folder:</source>
        <translation>Ausgabeordner:</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen…</translation>
    </message>
    <message>
        <source>Detect from each file</source>
        <translation>Aus jeder Datei ermitteln</translation>
    </message>
    <message>
        <source>The pitch of A4 in your files; 440 Hz for almost all music.</source>
        <translation>Die Tonhöhe des A4 in Ihren Dateien; bei fast aller Musik 440 Hz.</translation>
    </message>
    <message>
        <source>To retune to A4 = %1 Hz, the source must lie between %2 and %3 Hz: two octaves at most.</source>
        <translation>Um auf A4 = %1 Hz umzustimmen, muss die Quelle zwischen %2 und %3 Hz liegen: höchstens zwei Oktaven entfernt.</translation>
    </message>
    <message>
        <source>Keep voices natural</source>
        <translation>Stimmen natürlich halten</translation>
    </message>
    <message>
        <source>Time based: fast, for most music; notes may move by a few milliseconds.&lt;br&gt;Frequency based: exact in pitch and timing, keeps the stereo image and the timbre; takes several times the processor time.&lt;br&gt;Keep voices natural (frequency based only): a voice shifted far keeps its own timbre.</source>
        <translation>Zeitbasiert: schnell, für die meiste Musik; Töne können sich um einige Millisekunden verschieben.&lt;br&gt;Frequenzbasiert: genau in Tonhöhe und Zeit, erhält Stereobild und Klangfarbe; braucht ein Mehrfaches an Rechenzeit.&lt;br&gt;Stimmen natürlich halten (nur frequenzbasiert): eine weit verschobene Stimme behält ihre Klangfarbe.</translation>
    </message>
</context>
<context>
    <name>SourceFile</name>
    <message>
        <source>Cannot open “%1”: %2.</source>
        <translation>„%1“ kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>Cannot read “%1”: %2.</source>
        <translation>„%1“ kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Reading “%1” failed: %2.</source>
        <translation>Das Lesen von „%1“ ist fehlgeschlagen: %2.</translation>
    </message>
    <message>
        <source>Cannot open “%1”: it is not an audio or video file that can be read (%2).</source>
        <translation>„%1“ kann nicht geöffnet werden: Es ist keine lesbare Audio- oder Videodatei (%2).</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>ein Ordner</translation>
    </message>
    <message>
        <source>a FIFO (named pipe)</source>
        <translation>ein FIFO (benannte Pipe)</translation>
    </message>
    <message>
        <source>a socket</source>
        <translation>ein Socket</translation>
    </message>
    <message>
        <source>a device</source>
        <translation>ein Gerät</translation>
    </message>
    <message>
        <source>“%1” is %2, not a file: only files are read.</source>
        <translation>„%1“ ist %2, keine Datei: Nur Dateien werden gelesen.</translation>
    </message>
    <message>
        <source>“%1” is not a file: only files are read.</source>
        <translation>„%1“ ist keine Datei: Nur Dateien werden gelesen.</translation>
    </message>
    <message>
        <source>Cannot open “%1”: it seems damaged (reading it asks for more memory than there is).</source>
        <translation>„%1“ kann nicht geöffnet werden: Die Datei scheint beschädigt (sie zu lesen verlangt mehr Speicher, als es gibt).</translation>
    </message>
    <message>
        <source>Cannot read “%1”: it seems damaged (reading it asks for more memory than there is).</source>
        <translation>„%1“ kann nicht gelesen werden: Die Datei scheint beschädigt (sie zu lesen verlangt mehr Speicher, als es gibt).</translation>
    </message>
</context>
<context>
    <name>TuningMeasurement</name>
    <message>
        <source>“%1” contains no audio.</source>
        <translation>„%1“ enthält keine Audiospur.</translation>
    </message>
</context>
<context>
    <name>WidgetDesktop</name>
    <message>
        <source>Audio and video files (%1)</source>
        <translation>Audio- und Videodateien (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Settings (%1)</source>
        <translation>Einstellungen (%1)</translation>
    </message>
    <message>
        <source>Queue</source>
        <translation>Warteschlange</translation>
    </message>
    <message>
        <source>Open the web page of %1</source>
        <translation>Webseite von %1 öffnen</translation>
    </message>
    <message>
        <source>About %1: version, licence and libraries</source>
        <translation>Über %1: Version, Lizenz und Bibliotheken</translation>
    </message>
    <message>
        <source>Select songs</source>
        <translation>Musik auswählen</translation>
    </message>
    <message>
        <source>Select files</source>
        <translation>Dateien auswählen</translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>Start conversion</source>
        <translation>Konvertierung starten</translation>
    </message>
    <message>
        <source>Cancel conversion</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Drop songs, videos or folders here — or press %1</source>
        <translation>Musik, Videos oder Ordner hier ablegen – oder %1 drücken</translation>
    </message>
    <message>
        <source>Remove finished</source>
        <translation>Fertige entfernen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Anhalten</translation>
    </message>
</context>
</TS>
