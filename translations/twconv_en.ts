<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retunes songs and videos to another concert pitch.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is free software under the GNU General Public License, version 3 or any later version (GPL-3.0-or-later): you may use, study, share and change it under its terms. It comes with no warranty. The licence&apos;s full text is under &quot;Licence&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Library</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Licence</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Used for</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>icons</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The icons are drawn with the font Font Awesome %1 by Dave Gandy (fontawesome.io), copyright 2012-2018 Dave Gandy, licensed under the SIL Open Font License, version 1.1, whose text is under &quot;Font licence&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Libraries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The GNU General Public License, version 3: see the file LICENSE.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The SIL Open Font License, version 1.1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Font licence</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ApplicationManager</name>
    <message>
        <source>Other…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a pitch in Hz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A4 must lie between %1 and %2 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>From a source at A4 = %1 Hz, A4 must lie between %2 and %3 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
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
    <message>
        <source>“%1”: its audio claims a sample rate of %2 Hz, which no sound has.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AudioEncoder</name>
    <message>
        <source>Cannot encode “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This FFmpeg has no %1 encoder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AudioInput</name>
    <message>
        <source>Converting the samples of “%1” failed: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AudioOutputDevice</name>
    <message>
        <source>No audio output was found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The audio output “%1” plays neither 44.1 nor 48 kHz in stereo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The audio output “%1” cannot be opened; another program may be using it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The audio output “%1” stopped working.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The audio output “%1” does not work (is the sound server running?).</source>
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
    <message>
        <source>%1 s of audio were missing from the source; the output has silence there.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Conversion</name>
    <message>
        <source>Unknown output format: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown pitch-shifting algorithm: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” contains no audio.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The tuning of “%1” could not be measured (confidence %2); it was taken to be A4 = %3 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Concert pitch out of range: source %1 Hz, target %2 Hz (A4 may lie from %3 to %4 Hz, at most %5 semitones from the source&apos;s).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” was retuned already (%2).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConversionPass</name>
    <message>
        <source>“%1” exists already.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”: its %2 stream (%3) cannot be copied into a %4 file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to read “%1”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” ended after %2 of %3 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the file changed while it was read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The cover picture of “%1” is damaged; it was left out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the file ends early.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (Strict: a file with a warning counts as failed.)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ConversionQueue</name>
    <message>
        <source>The file being converted will be stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The %n files being converted will be stopped.</source>
        <translation>
            <numerusform>The %n file being converted will be stopped.</numerusform>
            <numerusform>The %n files being converted will be stopped.</numerusform>
        </translation>
    </message>
    <message>
        <source>The waiting file will be dropped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The %n waiting files will be dropped.</source>
        <translation>
            <numerusform>The %n waiting file will be dropped.</numerusform>
            <numerusform>The %n waiting files will be dropped.</numerusform>
        </translation>
    </message>
    <message>
        <source>The file already done stays in the list.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The %n files already done stay in the list.</source>
        <translation>
            <numerusform>The %n file already done stays in the list.</numerusform>
            <numerusform>The %n files already done stay in the list.</numerusform>
        </translation>
    </message>
    <message>
        <source>1 file is still being converted. Stop and quit?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n files are still being converted. Stop and quit?</source>
        <translation>
            <numerusform>%n file is still being converted. Stop and quit?</numerusform>
            <numerusform>%n files are still being converted. Stop and quit?</numerusform>
        </translation>
    </message>
    <message>
        <source>Stop and quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” failed again: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file has failed: there is nothing to retry.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop converting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep converting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue is kept: its files convert when %1 starts again.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DspLibraries</name>
    <message>
        <source>measuring a recording&apos;s tuning</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FolderScanner</name>
    <message>
        <source>Cannot read the folder “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a file: only files are read.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LaunchOptions</name>
    <message>
        <source>Retunes songs and videos to another concert pitch.
Files and folders given are queued for conversion; when %1 is running already, its window takes them.
tunewise-cli converts without a window.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Songs, videos or folders to convert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try &apos;%1 --help&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: &apos;%2&apos; does not exist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are not set); tunewise-cli converts without one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start with an empty queue instead of the one kept from the last run (which is then dropped).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LinkedLibraries</name>
    <message>
        <source>window, files, settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MediaLibraries</name>
    <message>
        <source>decoding and encoding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mp3 encoding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ogg Vorbis encoding</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opus encoding</source>
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
        <source>%1 kBit/s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The same as last time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1 kBit/s (quality %2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutputContainer</name>
    <message>
        <source>Cannot create “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No container for “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 while writing “%2”.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutputFile</name>
    <message>
        <source>%1 while writing “%2”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create the folder “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot create “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output name “%1” is too long: %2 bytes, of the %3 a name may have here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” exists, and the next free name, “%2”, is too long: %3 bytes, of the %4 a name may have here.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot give the finished output its name “%1”: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OutputFormat</name>
    <message>
        <source>mp3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>m4a (AAC)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>wav</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>flac</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ogg (Vorbis)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>opus</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>m4a (Apple Lossless)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PitchAlgorithm</name>
    <message>
        <source>Time based</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Frequency based</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PitchChooser</name>
    <message>
        <source>A4 = %1 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Target frequency</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Target frequency in Hz</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayerBar</name>
    <message>
        <source>Pause (Space)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Listen (Space)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select or drop a file to hear it before converting</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Original</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch between the original and %1 Hz (B)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Preview</name>
    <message>
        <source>These settings cannot be played.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” contains no audio.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A4 = %1 Hz cannot be played from a source at %2 Hz.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” cannot be played from %2 s.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to read “%1”.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PreviewPlayer</name>
    <message>
        <source>The audio output does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measuring the tuning of “%1”…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QueueEntry</name>
    <message>
        <source>→ %1 Hz · %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 into %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 % · %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 exists</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>measured A4 = %1 Hz</source>
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
        <source>Skipped</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QueueImporter</name>
    <message>
        <source>Where should the retuned files go?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was added: no output folder was chosen.</source>
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
        <source>Left out what the file filter does not take: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading files...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The output folder %1 lies inside the imported folder; its files were left out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not found, so not added: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) added; the retuned files go into %1.</source>
        <translation>
            <numerusform>%n file added; the retuned files go into %1.</numerusform>
            <numerusform>%n files added; the retuned files go into %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing was added: %1 holds no file the file filter takes (see the settings).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QueueRow</name>
    <message>
        <source>Open output folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Retry failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove finished</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QueueStore</name>
    <message>
        <source>The queue cannot be saved: the folder %1 cannot be made.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The saved queue is in use by another program (%1); this queue will not be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue cannot be saved in %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Qt&apos;s SQLite driver is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it was written by another version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The saved queue could not be read; it was moved to %1, and the queue begins empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The queue can no longer be saved (%1); it goes on converting, but will not come back after a restart.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QueueSummary</name>
    <message>
        <source>%1 of %2 converted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>less than a minute left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1 min left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1 h %2 min left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>paused</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RubberBandShifter</name>
    <message>
        <source>Resampling the retuned audio failed: %1.</source>
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
        <source>Detect from each file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The pitch of A4 in your files; 440 Hz for almost all music.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To retune to A4 = %1 Hz, the source must lie between %2 and %3 Hz: two octaves at most.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep voices natural</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time based: fast, for most music; notes may move by a few milliseconds.&lt;br&gt;Frequency based: exact in pitch and timing, keeps the stereo image and the timbre; takes several times the processor time.&lt;br&gt;Keep voices natural (frequency based only): a voice shifted far keeps its own timbre.</source>
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
    <message>
        <source>Reading “%1” failed: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open “%1”: it is not an audio or video file that can be read (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a FIFO (named pipe)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a socket</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is %2, not a file: only files are read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” is not a file: only files are read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open “%1”: it seems damaged (reading it asks for more memory than there is).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read “%1”: it seems damaged (reading it asks for more memory than there is).</source>
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
<context>
    <name>WidgetDesktop</name>
    <message>
        <source>Audio and video files (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Settings (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Queue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the web page of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About %1: version, licence and libraries</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select songs</source>
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
        <source>Start conversion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel conversion</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drop songs, videos or folders here — or press %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
