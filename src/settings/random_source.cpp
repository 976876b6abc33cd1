// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/random_source.h"

#include "settings/modulo1.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

class ClockRandomSource final : public RandomSource
{
public:
    double next() override
    {
        // generate_canonical can round up to 1.0 with some libraries; keep x < 1.
        double x = std::generate_canonical<double, 53>(engine_);
        return x < 1.0 ? x : std::nextafter(1.0, 0.0);
    }
    void seed(quint64 value) { engine_.seed(value); }

private:
    std::mt19937_64 engine_{5489u};
};

ClockRandomSource& programSource()
{
    static ClockRandomSource source;
    return source;
}

RandomSource* installed = nullptr;

} // namespace

RandomSource& RandomSource::current()
{
    return installed ? *installed : programSource();
}

void RandomSource::install(RandomSource* source)
{
    installed = source;
}

void RandomSource::seedFromClock()
{
    programSource().seed(static_cast<quint64>(QDateTime::currentMSecsSinceEpoch()));
}

int RandomChoice(int n)
{
    const double x = RandomSource::current().next();
    const int choice = static_cast<int>(std::floor(x * n));
    // A scripted x outside [0, 1) must not index outside the choices.
    return choice < 0 ? 0 : (choice >= n ? n - 1 : choice);
}

int RandomWordIndex()
{
    return RandomChoice(Modulo1::WordCount()) + 1;
}

std::vector<int> RandomDistinctWords(int count)
{
    std::vector<int> drawn;
    for (int k = 0; k < count; ++k) {
        int word = RandomWordIndex();
        while (std::find(drawn.begin(), drawn.end(), word) != drawn.end())
            word = RandomWordIndex();
        drawn.push_back(word);
    }
    return drawn;
}
