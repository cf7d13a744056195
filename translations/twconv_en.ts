<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AudioDecoder</name>
    <message>
        <source>“%1”: its audio (%2) cannot be decoded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”: its audio cannot be decoded: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Decoding “%1” failed: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AudioTrack</name>
    <message>
        <source>This FFmpeg has no %1 encoder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting the samples of “%1” failed: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” contains no audio samples.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.</source>
        <translation>
            <numerusform>%n damaged frame in the source was skipped (%1 s); the output has a gap there.</numerusform>
            <numerusform>%n damaged frames in the source were skipped (%1 s); the output has gaps there.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Conversion</name>
    <message>
        <source>Invalid concert pitch: source %1 Hz, target %2 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown output format: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown pitch-shifting algorithm: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n damaged frame(s) in the source were skipped (%1 s); the output has gaps there.</source>
        <translation type="vanished">
            <numerusform>%n damaged frame in the source was skipped (%1 s); the output has a gap there.</numerusform>
            <numerusform>%n damaged frames in the source were skipped (%1 s); the output has gaps there.</numerusform>
        </translation>
    </message>
    <message>
        <source>“%1” contains no audio.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”: its %2 stream (%3) cannot be copied into a %4 file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The tuning of “%1” could not be measured (confidence %2); it was taken to be A4 = %3 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EncodingSink</name>
    <message>
        <source>This FFmpeg has no %1 encoder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot encode “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OptionLists</name>
    <message>
        <source>As the source</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the audio only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the picture</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep both (number the new file)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ask each time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Always use</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutputFile</name>
    <message>
        <source>%1 “%2”: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No container for</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio format:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio bit rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Algorithm:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File filter:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Source frequency:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The application must be restarted to fully reflect the new language.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file filter list is a comma separated list of file extensions which are included when bulk importing files from directories.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Hertz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample rate:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Videos:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>When the output exists:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output folder:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time based: fast, for most music.&lt;br&gt;Frequency based: the most natural sound for voices and solo instruments, about five times slower.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Detect from each file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The pitch of A4 in your files; 440 Hz for almost all music.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SourceFile</name>
    <message>
        <source>Cannot open “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Translator</name>
    <message>
        <source>Select songs</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start conversion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel conversion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time based</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frequency based</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pending</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Processing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Target folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Target frequency</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TuningMeasurement</name>
    <message>
        <source>“%1” contains no audio.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
