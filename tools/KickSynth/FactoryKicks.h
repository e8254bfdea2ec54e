#pragma once

#include "tools/KickSynth/KickSynthesiser.h"

#include <vector>

/** The factory kick set: every kick's file name, format and recipe, and the key that the pitch
    analysis must find in it (the note it settles on, or an approximate one for the kicks
    whose pitch keeps gliding). The build renders these into "ZOB Presets"; the tests check
    the files against this table. */
struct FactoryKick
{
    const char* fileName;
    double sampleRate;
    int bitsPerSample;
    KickRecipe recipe;
    int expectedNote;
    bool expectedApprox;
};

inline std::vector<FactoryKick> makeFactoryKicks()
{
    struct Shape
    {
        double hz, sweepRatio, sweepMs, decaySeconds, holdMs, click, noise, noiseMs, drive, glide, seconds;
        int channels;
        double releaseAt = 0.0, release = 0.0; // the end of a played note: none when 0
    };

    std::vector<FactoryKick> kicks;
    std::uint32_t seed = 1;

    const auto add = [&kicks, &seed] (const char* name, double rate, int bits, const Shape& s, int note, bool approx)
    {
        KickRecipe recipe;
        recipe.settledHz = s.hz;
        recipe.sweepRatio = s.sweepRatio;
        recipe.sweepMs = s.sweepMs;
        recipe.decaySeconds = s.decaySeconds;
        recipe.holdMs = s.holdMs;
        recipe.clickLevel = s.click;
        recipe.noiseLevel = s.noise;
        recipe.noiseMs = s.noiseMs;
        recipe.drive = s.drive;
        recipe.glideSemitonesPerSecond = s.glide;
        recipe.lengthSeconds = s.seconds;
        recipe.numChannels = s.channels;
        recipe.releaseAtSeconds = s.releaseAt;
        recipe.releaseSeconds = s.release;
        recipe.level = 0.89; // about -1 dBFS
        recipe.seed = seed++;
        kicks.push_back ({ name, rate, bits, recipe, note, approx });
    };

    // Every kick rings out to about -55 dBFS before the synthesiser's closing fade: the short ones
    // by their own decay, the long ones with the release of a played note (at, time constant in
    // seconds) after the body has had its say. The gliding kicks end their note while the pitch
    // still falls, so that the note the analysis hears stays the one of their slide.
    //                                                    hz     ratio sweep decay  hold click noise  nMs drive glide  len  ch  release
    add ("BD01 Deep.wav", 44100, 24, { 55.00, 3.5, 40, 0.45, 30, 0.15, 0.05, 6, 1.3, 0, 1.65, 1, 1.2, 0.12 }, 33, false);
    add ("BD02 Tight.wav", 44100, 24, { 73.42, 5.0, 18, 0.09, 10, 0.50, 0.20, 5, 1.8, 0, 0.65, 1 }, 38, false);
    add ("BD12 Clicky.wav", 48000, 24, { 82.41, 5.0, 15, 0.14, 12, 0.80, 0.30, 4, 1.5, 0, 0.95, 2 }, 40, false);
    add ("Garage - Kick 7.wav", 44100, 16, { 49.00, 4.0, 30, 0.20, 20, 0.30, 0.20, 8, 2.0, 0, 1.4, 2 }, 31, false);
    add ("Garage - One Shot Kick.wav", 44100, 16, { 65.41, 4.5, 22, 0.12, 15, 0.40, 0.25, 6, 1.6, 0, 0.85, 1 }, 36, false);
    add ("Kick_Punchy_03.wav", 44100, 24, { 87.31, 4.0, 20, 0.13, 15, 0.50, 0.15, 5, 2.5, 0, 0.95, 1 }, 41, false);
    add ("Kick_Punchy_04.wav", 48000, 24, { 98.00, 3.5, 16, 0.11, 12, 0.60, 0.20, 5, 2.2, 0, 0.8, 2 }, 43, false);
    add ("VYL_Kick_Sub_01.wav", 48000, 24, { 41.20, 3.0, 50, 0.80, 40, 0.05, 0.00, 5, 1.1, 0, 2.45, 1, 2.0, 0.12 }, 28, false);
    add ("VYL_Kick_Deep_05.wav", 44100, 24, { 43.65, 3.5, 45, 0.50, 30, 0.10, 0.05, 6, 1.4, 0, 1.8, 2, 1.4, 0.12 }, 29, false);
    add ("VYL 808 Boom 2.wav", 44100, 24, { 49.00, 2.5, 60, 0.70, 50, 0.00, 0.00, 5, 1.8, 0, 2.3, 1, 1.8, 0.12 }, 31, false);
    add ("Techno - Rumble Kick 12.wav", 48000, 24, { 55.00, 4.0, 25, 0.30, 25, 0.30, 0.30, 8, 3.5, 0, 1.4, 2, 1.0, 0.12 }, 33, false);
    add ("Techno - Hard Kick 3.wav", 44100, 16, { 61.74, 5.0, 20, 0.22, 20, 0.50, 0.35, 7, 4.5, 0, 1.75, 2 }, 35, false);
    add ("House - Kick 4.wav", 44100, 16, { 65.41, 4.0, 25, 0.15, 15, 0.35, 0.15, 6, 1.5, 0, 1.05, 1 }, 36, false);
    add ("House - Kick 11.wav", 48000, 16, { 73.42, 4.0, 22, 0.16, 15, 0.30, 0.20, 6, 1.7, 0, 1.1, 2 }, 38, false);
    add ("Dry - Low - Sub.wav", 44100, 24, { 62.30, 2.0, 40, 0.50, 30, 0.00, 0.00, 5, 1.0, 0, 1.9, 1, 1.5, 0.12 }, 35, false);
    add ("Sub-Kick 9.wav", 48000, 24, { 55.00, 2.5, 40, 0.40, 20, 0.10, 0.00, 5, 1.2, 0, 1.6, 1, 1.2, 0.12 }, 33, false);
    add ("Kick 2.wav", 44100, 16, { 82.41, 6.0, 12, 0.08, 10, 0.60, 0.30, 4, 2.0, 0, 0.6, 1 }, 40, false);
    add ("Kick 10.wav", 44100, 16, { 110.0, 4.0, 14, 0.10, 10, 0.50, 0.25, 5, 1.8, 0, 0.75, 2 }, 45, false);
    add ("Deep Kick.wav", 44100, 24, { 49.00, 3.0, 45, 0.45, 30, 0.15, 0.10, 6, 1.5, 0, 1.7, 2, 1.3, 0.12 }, 31, false);
    add ("Lofi_Dusty_Kick_07.wav", 44100, 16, { 65.41, 3.0, 30, 0.20, 15, 0.10, 0.45, 25, 2.8, 0, 1.45, 1 }, 36, false);
    add ("Hardstyle - Distorted 3.wav", 48000, 24, { 87.31, 5.0, 30, 0.30, 40, 0.40, 0.30, 8, 6.0, 0, 1.4, 2, 0.9, 0.12 }, 41, false);
    add ("Acoustic_Kick_Room_04.wav", 44100, 24, { 73.42, 1.5, 10, 0.12, 5, 0.20, 0.50, 40, 1.2, 0, 0.8, 2 }, 38, false);
    add ("Dub - Pitch Drop 3.wav", 44100, 24, { 90.00, 3.0, 30, 0.35, 30, 0.10, 0.05, 6, 1.5, 17, 1.0, 1, 0.625, 0.07 }, 31, true);
    add ("Kick_Glide_Down_01.wav", 48000, 24, { 110.0, 2.5, 25, 0.30, 20, 0.30, 0.10, 5, 1.8, 18, 1.0, 2, 0.6, 0.09 }, 34, true);
    add ("Trap - 808 Slide 1.wav", 44100, 24, { 98.00, 2.0, 40, 0.45, 60, 0.05, 0.00, 5, 2.0, 17, 1.05, 1, 0.7, 0.06 }, 31, true);
    return kicks;
}
