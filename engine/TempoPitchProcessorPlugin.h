#pragma once

#include "engine/SoundProcessorPlugin.h"

// A sound processor with the two controls the conversion job needs.
class TempoPitchProcessorPlugin : public SoundProcessorPlugin
{
public:
    // Playback speed factor; 1.0 keeps the duration.
    virtual void setTempo(double tempo) = 0;
    // Pitch shift in (fractional) semitones; 0 leaves the pitch alone.
    virtual void setPitchSemiTones(double semiTones) = 0;
};
