<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>ProcessingJob</name>
    <message>
        <source>Error open source file: %1, &apos;%2&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error finding stream information: %1 (stream count: %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file does not contain audio data.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not find an audio decoder for the audio file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error opening audio codec: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export codec not found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error opening audio write codec: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not find export file format.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not create new export stream.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not open export codec.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error gettings export frame buffer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error while writing export file header.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid concert pitch: source %1 Hz, target %2 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown pitch-shifting algorithm: %1.</source>
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
</TS>
