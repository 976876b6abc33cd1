// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small streaming PCM helpers for the speech engines: cutting the silence the engines put
// around every utterance, and changing the sample rate (Flite speaks at 16 kHz, eSpeak NG
// at 22050 Hz, the output runs at one rate).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace speech {

// Mono 16-bit PCM.
struct Pcm
{
    std::vector<int16_t> samples;
    int sampleRate = 0;

    double seconds() const { return sampleRate > 0 ? double(samples.size()) / sampleRate : 0.0; }
};

// Drops the quiet lead-in before the first audible sample and the quiet tail after the last
// one, keeping a few milliseconds on either side so soft onsets and endings are not clipped.
// Quiet stretches between words are kept: they are held back until the next audible sample
// shows they are not the tail.
class SilenceTrimmer
{
public:
    explicit SilenceTrimmer(int sampleRate, int threshold = 300, int leadMs = 12, int tailMs = 40);

    // Appends the samples that are certainly part of the utterance to out.
    void push(const int16_t* data, size_t count, std::vector<int16_t>& out);
    // End of the utterance: appends what is left of the tail.
    void finish(std::vector<int16_t>& out);
    bool heardAnything() const { return started_; }

private:
    int threshold_;
    size_t lead_;
    size_t tail_;
    bool started_ = false;
    std::vector<int16_t> held_; // before the start: the last lead_ samples; after: the quiet run
};

// Windowed-sinc polyphase resampler for a fixed pair of rates, fed in blocks.
class Resampler
{
public:
    Resampler(int inRate, int outRate);

    void push(const int16_t* data, size_t count, std::vector<int16_t>& out);
    // No more input: produces the remaining output (the total is inputs * out / in, rounded up).
    void finish(std::vector<int16_t>& out);
    bool identity() const { return up_ == down_; }

private:
    void produce(std::vector<int16_t>& out, bool final);

    int64_t up_ = 1;           // output rate / gcd
    int64_t down_ = 1;         // input rate / gcd
    int half_ = 0;             // filter half-width in input samples
    std::vector<float> table_; // up_ phases x 2*half_ taps
    std::vector<float> input_; // input samples from absolute index base_
    int64_t base_ = 0;
    int64_t received_ = 0;
    int64_t produced_ = 0;
};

// Whole-buffer conversion.
Pcm resample(const Pcm& pcm, int outRate);

// The loudest absolute sample value.
int peak(const Pcm& pcm);

// RIFF/WAVE, mono 16-bit.
std::vector<char> wavFile(const Pcm& pcm);

} // namespace speech
