#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>

/** What every fuzz target shares. A target defines LLVMFuzzerTestOneInput (and may define
    LLVMFuzzerInitialize); it is linked either with libFuzzer's driver (clang,
    -fsanitize=fuzzer) or with ReplayMain.cpp, which feeds it every file of a corpus once. */
namespace zobfuzz
{
/** Gives the process a private HOME and TMPDIR and starts JUCE's message manager on this
    thread. Call first, from LLVMFuzzerInitialize. Objects a target keeps for the whole run
    are made after it and never destroyed (the process ends without tearing JUCE down). */
void startProcess();

/** Removes the private folders (the replay calls it last; a long libFuzzer run leaves its
    folder in the temporary folder). */
void finishProcess();

/** Delivers every message posted to this thread so far (callAsync notices and the like),
    so nothing piles up from one input to the next. */
void deliverMessages();

/** The bytes as a block. */
juce::MemoryBlock toBlock (const uint8_t* data, size_t size);

/** A scratch folder of this process, inside its private TMPDIR. */
juce::File scratchFolder();

/** Ends the process with a message when a rule the target checks is broken, so that both
    libFuzzer and the replay report the input. */
void check (bool condition, const char* rule);
} // namespace zobfuzz

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize (int* argc, char*** argv);
