// SPDX-License-Identifier: GPL-3.0-or-later
#include "speech/pcm_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>

namespace speech {

SilenceTrimmer::SilenceTrimmer(int sampleRate, int threshold, int leadMs, int tailMs)
    : threshold_(threshold), lead_(size_t(sampleRate) * size_t(leadMs) / 1000),
      tail_(size_t(sampleRate) * size_t(tailMs) / 1000)
{}

void SilenceTrimmer::push(const int16_t* data, size_t count, std::vector<int16_t>& out)
{
    for (size_t i = 0; i < count; ++i) {
        const int16_t s = data[i];
        const bool audible = std::abs(int(s)) > threshold_;
        if (!started_) {
            if (audible) {
                started_ = true;
                const size_t keep = std::min(lead_, held_.size());
                out.insert(out.end(), held_.end() - std::ptrdiff_t(keep), held_.end());
                held_.clear();
                out.push_back(s);
            } else {
                held_.push_back(s);
                if (held_.size() > 4 * lead_ + 64) // keep only the last lead_ samples, cheaply
                    held_.erase(held_.begin(), held_.end() - std::ptrdiff_t(lead_));
            }
        } else if (audible) {
            if (!held_.empty()) {
                out.insert(out.end(), held_.begin(), held_.end());
                held_.clear();
            }
            out.push_back(s);
        } else {
            held_.push_back(s);
        }
    }
}

void SilenceTrimmer::finish(std::vector<int16_t>& out)
{
    if (started_) {
        const size_t keep = std::min(tail_, held_.size());
        const size_t from = out.size();
        out.insert(out.end(), held_.begin(), held_.begin() + std::ptrdiff_t(keep));
        // Fade the kept tail so the cut never clicks.
        for (size_t i = 0; i < keep; ++i)
            out[from + i] = int16_t(out[from + i] * double(keep - i) / double(keep));
    }
    held_.clear();
}

namespace {
double sinc(double x)
{
    if (std::fabs(x) < 1e-9)
        return 1.0;
    return std::sin(M_PI * x) / (M_PI * x);
}

int16_t clamp16(float v)
{
    const long r = std::lround(v);
    return int16_t(std::clamp(r, -32768L, 32767L));
}
} // namespace

Resampler::Resampler(int inRate, int outRate)
{
    const int g = std::gcd(inRate, outRate);
    up_ = outRate / g;
    down_ = inRate / g;
    if (identity())
        return;
    // Cut-off a little below the lower Nyquist frequency, in cycles per input sample * 2.
    const double fc = std::min(1.0, double(up_) / double(down_)) * 0.94;
    half_ = int(std::ceil(12.0 / fc));
    const int taps = 2 * half_;
    table_.resize(size_t(up_) * size_t(taps));
    for (int64_t p = 0; p < up_; ++p) {
        const double frac = double(p) / double(up_);
        double sum = 0;
        float* row = &table_[size_t(p) * size_t(taps)];
        for (int j = 0; j < taps; ++j) {
            const double t = double(j - half_ + 1) - frac;
            const double u = t / half_;
            const double window = std::fabs(u) >= 1.0 ? 0.0
                                                      : 0.42 + 0.5 * std::cos(M_PI * u) + 0.08 * std::cos(2 * M_PI * u);
            const double h = fc * sinc(fc * t) * window;
            row[j] = float(h);
            sum += h;
        }
        for (int j = 0; j < taps; ++j) // unity gain at every phase: no ripple on steady tones
            row[j] = float(row[j] / sum);
    }
}

void Resampler::push(const int16_t* data, size_t count, std::vector<int16_t>& out)
{
    if (identity()) {
        out.insert(out.end(), data, data + count);
        return;
    }
    const size_t old = input_.size();
    input_.resize(old + count);
    for (size_t i = 0; i < count; ++i)
        input_[old + i] = float(data[i]);
    received_ += int64_t(count);
    produce(out, false);
}

void Resampler::finish(std::vector<int16_t>& out)
{
    if (identity())
        return;
    produce(out, true);
}

void Resampler::produce(std::vector<int16_t>& out, bool final)
{
    const int taps = 2 * half_;
    const int64_t wanted = (received_ * up_ + down_ - 1) / down_;
    while (produced_ < wanted) {
        const int64_t pos = produced_ * down_;
        const int64_t n = pos / up_;
        const int64_t phase = pos % up_;
        if (!final && n + half_ >= received_)
            break;
        const float* row = &table_[size_t(phase) * size_t(taps)];
        float acc = 0;
        for (int j = 0; j < taps; ++j) {
            const int64_t idx = n - half_ + 1 + j;
            if (idx >= 0 && idx < received_)
                acc += input_[size_t(idx - base_)] * row[j];
        }
        out.push_back(clamp16(acc));
        ++produced_;
    }
    // Forget input no later output needs.
    const int64_t keepFrom = std::max<int64_t>(0, (produced_ * down_) / up_ - half_ + 1);
    if (keepFrom > base_ + 4096) {
        const int64_t drop = std::min<int64_t>(keepFrom - base_, int64_t(input_.size()));
        input_.erase(input_.begin(), input_.begin() + std::ptrdiff_t(drop));
        base_ += drop;
    }
}

Pcm resample(const Pcm& pcm, int outRate)
{
    if (pcm.sampleRate == outRate || pcm.sampleRate <= 0)
        return pcm;
    Resampler resampler(pcm.sampleRate, outRate);
    Pcm result;
    result.sampleRate = outRate;
    result.samples.reserve(size_t(double(pcm.samples.size()) * outRate / pcm.sampleRate) + 16);
    resampler.push(pcm.samples.data(), pcm.samples.size(), result.samples);
    resampler.finish(result.samples);
    return result;
}

int peak(const Pcm& pcm)
{
    int best = 0;
    for (int16_t s : pcm.samples)
        best = std::max(best, std::abs(int(s)));
    return best;
}

std::vector<char> wavFile(const Pcm& pcm)
{
    const uint32_t dataBytes = uint32_t(pcm.samples.size() * 2);
    std::vector<char> file(44 + dataBytes);
    char* p = file.data();
    auto put32 = [&p](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            *p++ = char((v >> (8 * i)) & 0xff);
    };
    auto put16 = [&p](uint16_t v) {
        *p++ = char(v & 0xff);
        *p++ = char(v >> 8);
    };
    auto tag = [&p](const char* t) {
        std::memcpy(p, t, 4);
        p += 4;
    };
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(uint32_t(pcm.sampleRate));
    put32(uint32_t(pcm.sampleRate) * 2);
    put16(2);
    put16(16);
    tag("data");
    put32(dataBytes);
    for (int16_t s : pcm.samples)
        put16(uint16_t(s));
    return file;
}

} // namespace speech
