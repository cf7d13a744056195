#!/usr/bin/env bash
# Breaks the engine on purpose, one way at a time, in a scratch copy of the
# tree, and checks that the test meant to guard against that fault fails.
# Prints "caught" or "MISSED" for each; the status is 1 when one is missed.
#
#   scripts/breakage-check.sh [SCRATCH_DIR]    (default /tmp/tw-breakage)
#
# The copy and its build are kept, so a second run only rebuilds what a
# breakage touches.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=${1:-/tmp/tw-breakage}
src=$scratch/src build=$scratch/build
mkdir -p "$src"
# The working tree's files as they are now, committed or not.
git -C "$root" ls-files -z | tar -C "$root" --null -T - -cf - | tar -C "$src" -xf -
cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=OFF > /dev/null  # a breakage may leave a warning

# name @ file @ sed expression @ test @ test function.
checks=(
    "the shifter is not drained at the end@engine/pipeline/ProcessingChain.cpp@s/^    m_shifter->finish();$//@tst_chain@alignedAndExactInLength"
    "the start delay is not dropped@engine/pipeline/ProcessingChain.cpp@s/m_delayToDrop(m_shifter->startDelay() +/m_delayToDrop(0 +/@tst_conversion@retuneExactly"
    "the stretcher's delay is not dropped@engine/dsp/RubberBandShifter.cpp@s/m_delayLeft = (long long)m_stretcher->getStartDelay();/m_delayLeft = 0;/@tst_chain@alignedAndExactInLength"
    "the resampler's ratio is turned over@engine/media/FloatResampler.cpp@s/AV_SAMPLE_FMT_FLT, fraction.den, \&layout, AV_SAMPLE_FMT_FLTP,$/AV_SAMPLE_FMT_FLT, fraction.num, \&layout, AV_SAMPLE_FMT_FLTP,/@tst_chain@alignedAndExactInLength"
    "the pitch shift goes the other way@engine/pipeline/AudioTrack.cpp@s/algorithm.make(m_rate, channels, m_settings.semitones(),/algorithm.make(m_rate, channels, -m_settings.semitones(),/@tst_conversion@retuneExactly"
    "the channels are stretched apart@engine/dsp/RubberBandShifter.h@s/bool channelsTogether = true;/bool channelsTogether = false;/@tst_chain@alignedAndExactInLength"
    "the formants move with the pitch@engine/dsp/RubberBandShifter.cpp@s/m_stretcher->setFormantScale(1.0 \/ m_resampler.speed());/{}/@tst_conversion@voicesKeepTheirFormants"
    "Opus gets ReplayGain's gains@engine/media/ffmpeg/Tags.cpp@s/if (gains == OutputFormat::Gains::R128)/if (false)/@tst_conversion@tagsAndPictures"
    "Opus's pre-skip is not made up for in Matroska@engine/media/AudioEncoder.cpp@s/d->pts += d->encoder->initial_padding;/{}/@tst_conversion@videoStaysVideo"
    "the limiter is bypassed@engine/pipeline/ProcessingChain.cpp@s/m_limiter->process(samples, samples, frames);/{}/@tst_chain@limiterOnlyActsOnPeaks"
    "the limiter is bypassed (conversion)@engine/pipeline/ProcessingChain.cpp@s/m_limiter->process(samples, samples, frames);/{}/@tst_conversion@clippedMasterStaysUnderFullScale"
    "the temporary is opened without exclusive create@engine/files/OutputFile.cpp@s/ | O_EXCL//@tst_conversion@onlyCompleteFilesHaveNames"
    "the final name replaces what is there@engine/files/OutputFile.cpp@s/::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE)/::rename(from.constData(), to.constData())/@tst_conversion@parallelConversionsNeverOverwrite"
    "a stopped output is left behind@engine/files/OutputFile.cpp@s/^        ::unlink(QFile::encodeName(m_temporaryPath).constData());$/        {}/@tst_conversion@stopRequests"
    "no tags are copied@engine/media/ffmpeg/Tags.cpp@s/av_dict_set(target, entry->key, entry->value, 0);/{}/@tst_conversion@tagsAndPictures"
    "music is aligned as tones are@engine/dsp/SoundTouchDelayProbe.cpp@s/std::lround(toneDelay(signal, shifted(probe, signal)) + musicOffset(probe))/std::lround(toneDelay(signal, shifted(probe, signal)))/@tst_chain@alignedAndExactInLength"
    "the start pad is as long in frames at every rate@engine/dsp/SoundTouchShifter.cpp@s/return std::max(StartPadFrames, .*;$/return StartPadFrames;/@tst_chain@alignedAndExactInLength"
    "lost packets close up the timeline@engine/media/ffmpeg/LostAudio.cpp@s/lost = std::max(0.0, seconds - m_expected);/lost = 0.0;/@tst_conversion@damagedVideoStaysInStep"
    "the damage gap is not bounded@engine/media/ffmpeg/LostAudio.cpp@s/lost = std::min(lost, ByteRateMargin \* bytesToSeconds(bytes, bytesPerSecond));/{}/@tst_conversion@damageKeepsLength"
    "the audio starts at zero beside copied video@engine/pipeline/AudioTrack.cpp@s/m_encoder->setStartTime(m_input.firstSeconds());/{}/@tst_conversion@damagedVideoStaysInStep"
    "a strict failure keeps its output@engine/pipeline/ConversionPass.cpp@s/if (m_request.strict \&\& !m_warnings.isEmpty())/if (false)/@tst_cli@exitStatus"
    "the sweep takes the user's look-alikes@engine/files/Temporaries.cpp@s/ || !isMarked(fd))/)/@tst_conversion@onlyCompleteFilesHaveNames"
    "samples over full scale are clipped before the stretcher@engine/dsp/RubberBandShifter.cpp@s/= in\[size_t(f) \* size_t(m_channels) + size_t(c)\];/= std::clamp(in[size_t(f) * size_t(m_channels) + size_t(c)], -1.0f, 1.0f);/@tst_chain@limiterOnlyActsOnPeaks"
)

export QT_QPA_PLATFORM=offscreen
missed=0
number=0
for check in "${checks[@]}"; do
    IFS='@' read -r name file expression test function <<< "$check"
    log=$scratch/check$((++number)).log
    cp "$src/$file" "$scratch/original"
    sed -i -e "$expression" "$src/$file"
    if cmp -s "$src/$file" "$scratch/original"; then
        result="NOT APPLIED (the code changed: update the sed expression)"
        missed=1
    elif ! cmake --build "$build" --target "$test" -j2 > "$log" 2>&1; then
        result="NOT BUILT (see $log)"
        missed=1
    elif (cd "$build/tests" && timeout 600 "./$test" "$function" > "$log" 2>&1); then
        result="MISSED: $test $function passes"
        missed=1
    else
        result="caught by $test $function ($(grep -c '^FAIL!' "$log") failures, see $log)"
    fi
    cp "$scratch/original" "$src/$file"
    touch "$src/$file"  # newer than the broken build, so it is rebuilt
    printf '%-52s %s\n' "$name:" "$result"
done
exit $missed
